"""The learning machines from Python: TMemBasedLearner against sklearn's neighbour estimators."""
import gc

import numpy as np
import pytest
from sklearn.neighbors import KNeighborsClassifier, KNeighborsRegressor, NearestNeighbors

import ozmnum
from ozmnum import membl

EPS = np.finfo(float).eps
# Distances: the learner and sklearn sum the same terms (in another order after standardising
# with deviations that differ in the last bits), a few hundred ulps at most.
DIST_RTOL = 1024 * EPS
# Means of up to 12 values.
MEAN_RTOL = 64 * EPS
# A gap between the k-th and the next distance smaller than this is a tie: the k nearest are not
# unique and sklearn may choose others.
TIE_GAP = 1e-9


def iris(data_dir):
    raw = np.loadtxt(data_dir / "iris.csv", delimiter=",", skiprows=1)
    return raw[:, :4], raw[:, 4]


def fill(learner, cells, roles):
    """The model table holds `cells` (rows x columns) written through its numpy view."""
    t = learner.ModelData
    t.Resize(cells.shape[1], cells.shape[0])
    np.asarray(t.Data)[:] = cells
    t.Changed()
    for c, role in enumerate(roles, start=1):
        learner.SetVarType(c, role)


def iris_learner(data_dir):
    """Sepal length and width, petal length independent; petal width and species the targets."""
    x, species = iris(data_dir)
    L = ozmnum.TMemBasedLearner()
    fill(L, np.column_stack([x, species]),
         [ozmnum.mblVarIndep] * 3 + [ozmnum.mblVarTarget] * 2)
    return L, x[:, :3], np.column_stack([x[:, 3], species])


def test_estimates_match_sklearn_on_iris(data_dir):
    L, X, Y = iris_learner(data_dir)
    # The model: the even flowers; the odd ones are the new objects.
    model, queries = np.arange(0, 150, 2), np.arange(1, 150, 2)
    fill(L, np.column_stack([X, Y])[model], [ozmnum.mblVarIndep] * 3 + [ozmnum.mblVarTarget] * 2)
    Xm, Ym, Xq = X[model], Y[model], X[queries]
    sensors = np.column_stack([Xq, np.full((len(Xq), 2), -7.0)])
    applied = []
    L.OnModelApplied = lambda s, tag, rows, dist, code: applied.append((s is L, tag, rows, dist, code))
    compared = votes = 0
    for metric, mode in (("euclidean", ozmnum.mblDistEuclid), ("manhattan", ozmnum.mblDistManhattan)):
        for scaling in (ozmnum.mblUnscaled, ozmnum.mblStandardized):
            L.DistMode, L.ScalingMode = mode, scaling
            mean, sd = Xm.mean(axis=0), Xm.std(axis=0, ddof=1)
            Z, Zq = (Xm, Xq) if scaling == ozmnum.mblUnscaled else ((Xm - mean) / sd, (Xq - mean) / sd)
            nn = NearestNeighbors(n_neighbors=len(Z), algorithm="brute", metric=metric).fit(Z)
            dist, ind = nn.kneighbors(Zq)
            for k in (1, 5, 12):
                L.NumNearestNb = k
                untied = dist[:, k] - dist[:, k - 1] > TIE_GAP * (1 + dist[:, k])
                del applied[:]
                L.LocalModel = ozmnum.mblLMAverage
                codes, est = L.ApplyModelArray(sensors)
                assert (codes == membl.kApplyOk).all()
                np.testing.assert_array_equal(est[:, :3], Xq)  # independent entries stay
                assert [a[:2] for a in applied] == [(True, i) for i in range(1, len(Xq) + 1)]
                reg = KNeighborsRegressor(n_neighbors=k, algorithm="brute", metric=metric).fit(Z, Ym)
                np.testing.assert_allclose(est[untied, 3:], reg.predict(Zq)[untied], rtol=MEAN_RTOL,
                                           atol=MEAN_RTOL)
                compared += untied.sum()
                # The vote where the k nearest are unique and their classes not tied.
                L.LocalModel = ozmnum.mblLMMajority
                est = L.ApplyModelArray(sensors)[1]
                clf = KNeighborsClassifier(n_neighbors=k, algorithm="brute", metric=metric)
                clf.fit(Z, Ym[:, 1])
                counts = np.array([np.bincount(c, minlength=3) for c in Ym[ind[:, :k], 1].astype(int)])
                clear = untied & ((counts == counts.max(axis=1, keepdims=True)).sum(axis=1) == 1)
                np.testing.assert_array_equal(est[clear, 4], clf.predict(Zq)[clear])
                votes += clear.sum()
            # The event's 100 places: the 75 model rows by sklearn's distances (whatever the
            # ties), each the distance of the row named beside it; free places hold row 0 and the
            # largest double. Close objects lose digits relative to the coordinates.
            n, atol = len(Z), DIST_RTOL * np.abs(Z).max()
            for q, (_, _, rows, d, code) in enumerate(applied[:10]):
                assert code == 0 and rows.dtype == np.int32 and rows.shape == d.shape == (100,)
                assert (rows[n:] == 0).all() and (d[n:] == np.finfo(float).max).all()
                diff = np.abs(Z[rows[:n] - 1] - Zq[q])
                own = np.sqrt((diff ** 2).sum(axis=1)) if metric == "euclidean" else diff.sum(axis=1)
                np.testing.assert_allclose(d[:n], dist[q], rtol=DIST_RTOL, atol=atol)
                np.testing.assert_allclose(d[:n], own, rtol=DIST_RTOL, atol=atol)
                assert L.CalcDist(sensors[q], int(rows[3])) == pytest.approx(d[3], rel=DIST_RTOL)
    assert compared > 0.8 * 12 * len(Xq) and votes > 0.6 * 12 * len(Xq)

    # Leave-one-out over the model's own rows, row i leaving out model row i, as ApplyModel one
    # by one and as sklearn's neighbours of the full model without the object itself.
    L.DistMode, L.ScalingMode, L.LocalModel, L.NumNearestNb = (ozmnum.mblDistEuclid, ozmnum.mblUnscaled,
                                                               ozmnum.mblLMAverage, 5)
    L.OnModelApplied = None
    own = np.column_stack([Xm, np.zeros((len(Xm), 2))])
    codes, loo = L.ApplyModelArray(own, ExcludeObjs=np.arange(1, len(Xm) + 1))
    for i in (0, 17, 74):
        assert L.ApplyModel(own[i], ExcludeObj=i + 1)[0] == codes[i] == 0
        np.testing.assert_array_equal(L.ApplyModel(own[i], ExcludeObj=i + 1)[1], loo[i])
    d_all, i_all = NearestNeighbors(n_neighbors=7).fit(Xm).kneighbors(Xm)
    checked = 0
    for i in range(len(Xm)):
        others = [j for j in i_all[i] if j != i][:6]
        d_o = np.linalg.norm(Xm[others] - Xm[i], axis=1)
        if i in i_all[i] and d_o[5] - d_o[4] > TIE_GAP:
            np.testing.assert_allclose(loo[i, 3:], Ym[others[:5]].mean(axis=0), rtol=MEAN_RTOL)
            checked += 1
    assert checked > 20
    with pytest.raises(ValueError):
        L.ApplyModelArray(own, ExcludeObjs=[1, 2])
    with pytest.raises(ValueError):
        L.ApplyModelArray(own[0])


def test_settings_codes_and_the_model_table(data_dir):
    L = ozmnum.TMemBasedLearner()
    assert (L.ModelName, L.Comment, L.NumNearestNb) == ("undefined", "", 3)
    assert (L.LocalModel, L.DistMode, L.ScalingMode) == (ozmnum.mblLMAverage, ozmnum.mblDistEuclid,
                                                         ozmnum.mblUnscaled)
    assert membl.MBLLocalModelID[int(ozmnum.mblLMMajority)] == "Majority Vote"
    L.ModelData.Resize(3, 40)
    L.NumNearestNb = 500
    assert L.NumNearestNb == 40
    L.NumNearestNb = -2
    assert L.NumNearestNb == 1

    # Roles are the table's column attributes.
    cells = np.column_stack([np.arange(6.0), [0, 1, 1, 3, -1, 7], 10 * np.arange(1, 7)])
    fill(L, cells, [ozmnum.mblVarIgnore, ozmnum.mblVarIndep, ozmnum.mblVarTarget])
    assert (L.CountIndependentVars(), L.CountTargetVars()) == (1, 1)
    assert L.ModelData.GetColAttrib(3) == 2 and L.GetVarType(2) == ozmnum.mblVarIndep
    stats = L.MeanVarRange()
    np.testing.assert_allclose(stats, [cells.mean(0), cells.var(0, ddof=1), cells.min(0), cells.max(0)],
                               rtol=1e-15)

    # Result codes and what the sensor holds with each.
    L.NumNearestNb = 2
    code, s = L.ApplyModel([9.0, 0.0, 5.0])
    # Row 1 at distance 0, then rows 2, 3 and 5 at 1: the latest of them (row 5) goes first.
    assert code == membl.kApplyOk and s[2] == pytest.approx(30.0)
    code, s = L.ApplyModel([9.0, 0.0])
    assert code == membl.kApplyBadSensor and (s == 0).all()
    code, s = L.ApplyModel([9.0, np.nan, 5.0])
    assert code == membl.kApplyNoNeighbour and np.isnan(s[2]) and s[0] == 9.0
    assert L.CalcDist([0.0, 2.5, 0.0], 4) == pytest.approx(0.5) and L.CalcDist([0.0, 2.5], 4) == -1
    with pytest.raises(ValueError):
        L.ApplyModel(np.zeros((2, 3)))

    # Writes through the view reach the learner once the table is told.
    view = np.asarray(L.ModelData.Data)
    view[:, 2] = 1.0
    L.ModelData.Changed()
    assert L.ApplyModel([0.0, 0.0, 0.0])[1][2] == 1.0
    assert L.MeanVarRange()[1, 2] == 0.0
    del view

    # A handler Python assigns to the table's OnChange replaces the learner's: the learner then
    # refreshes its statistics at every operation instead of missing the change.
    changes = []
    L.ModelData.OnChange = lambda sender: changes.append(sender is L.ModelData)
    for col, row, value in ((3, 1, 41.0), (3, 6, 101.0), (2, 6, 0.0)):
        L.ModelData.SetElem(col, row, value)
    assert changes == [True] * 3
    assert L.ApplyModel([0.0, 0.0, 0.0])[1][2] == 71.0  # rows 6 and 1 at distance 0
    assert L.MeanVarRange()[0, 2] == pytest.approx(146.0 / 6, rel=EPS)
    L.ModelData.OnChange = None

    # The table belongs to the learner and keeps it alive.
    t = L.ModelData
    assert t is L.ModelData
    del L
    gc.collect()
    assert t.NrOfRows == 6 and t.GetElem(3, 4) == 1.0


def test_neighbour_lists_contingency_table_and_events(data_dir):
    x, species = iris(data_dir)
    L = ozmnum.TMemBasedLearner()
    L.Name = "knn"
    fill(L, np.column_stack([x, species + 1]), [ozmnum.mblVarIndep] * 4 + [ozmnum.mblVarTarget])
    rows, dist = L.GetkNNArraysOfModelData()
    assert rows.shape == (0, 100) and L.GetkNNofModelData(1, 1) == -1

    progress = []
    L.OnPercentDone = lambda s, p: progress.append((s is L, p))
    L.CalcNNOfModelData()
    assert progress == [(True, p) for p in range(0, 101)]
    rows, dist = L.GetkNNArraysOfModelData()
    assert rows.shape == dist.shape == (150, 100) and rows.dtype == np.int32
    full = np.sqrt(((x[:, None, :] - x[None, :, :]) ** 2).sum(-1))
    np.testing.assert_allclose(dist, np.sort(full, axis=1)[:, :100], rtol=DIST_RTOL, atol=DIST_RTOL)
    np.testing.assert_allclose(dist, np.take_along_axis(full, rows - 1, axis=1), rtol=DIST_RTOL,
                               atol=DIST_RTOL)
    for obj, k in ((1, 1), (102, 1), (143, 2), (150, 100)):
        assert L.GetkNNofModelData(k, obj) == rows[obj - 1, k - 1]
        assert L.GetkNNDistofModelData(k, obj) == dist[obj - 1, k - 1]
    # Flowers 102 and 143 are identical: the later row comes first.
    assert rows[101, 0] == 143 and rows[142, 0] == 143

    # Species agreement of every flower with its NumNb nearest other flowers, counted here from
    # the same lists; totals in the last row and column.
    assert L.CalcContingencyTable(5, 3) == (membl.kContTabNotCategorical, None)
    L.ModelData.SetMScaleType(5, ozmnum.stNominal)
    assert L.CalcContingencyTable(6, 3) == (membl.kContTabBadColumn, None)
    for nb in (1, 4):
        code, tab = L.CalcContingencyTable(5, nb)
        assert code == membl.kContTabOk and tab.dtype == np.int32 and tab.shape == (4, 4)
        rows, _ = L.GetkNNArraysOfModelData()
        want = np.zeros((3, 3), dtype=int)
        for r in range(150):
            others = [j for j in rows[r] if j != r + 1][:nb]
            np.add.at(want, (int(species[r]), species[np.array(others) - 1].astype(int)), 1)
        np.testing.assert_array_equal(tab[:3, :3], want)
        np.testing.assert_array_equal(tab[3, :3], want.sum(axis=0))
        np.testing.assert_array_equal(tab[:3, 3], want.sum(axis=1))
        assert tab[3, 3] == 150 * nb

    # A change of the table drops the lists.
    L.ModelData.SetElem(1, 1, 5.0)
    assert L.GetkNNArraysOfModelData()[0].shape == (0, 100)

    # Handlers: an exception passes out of the call (which ran without the GIL); None removes.
    def stop(sender, percent):
        if percent == 50:
            raise KeyError("enough")

    L.OnPercentDone = stop
    assert L.OnPercentDone is stop
    with pytest.raises(KeyError, match="enough"):
        L.CalcNNOfModelData()

    def fail(*args):
        raise RuntimeError("applied")

    L.OnModelApplied = fail
    with pytest.raises(RuntimeError, match="applied"):
        L.ApplyModel(np.r_[x[0], 0.0])
    with pytest.raises(RuntimeError, match="applied"):
        L.ApplyModelArray(np.column_stack([x[:3], np.zeros(3)]))
    L.OnModelApplied = L.OnPercentDone = None
    assert L.OnModelApplied is None
    L.CalcNNOfModelData()
    assert L.ApplyModel(np.r_[x[0], 0.0])[0] == 0


def test_model_files_round_trip(tmp_path, data_dir):
    L, X, Y = iris_learner(data_dir)
    L.ModelName, L.Comment = "iris <k=7>", 'measures & "species"'
    L.NumNearestNb, L.DistMode = 7, ozmnum.mblDistManhattan
    L.ScalingMode, L.LocalModel = ozmnum.mblStandardized, ozmnum.mblLMWgtGauss
    L.ModelData.SetColName(5, "species")
    queries = np.column_stack([X[::10] + 0.05, np.zeros((15, 2))])
    _, want = L.ApplyModelArray(queries)

    xml, binary = str(tmp_path / "model.xml"), str(tmp_path / "model.bin")
    L.StoreModelXML(xml, "iris & co")
    L.StoreModelBin(binary, "iris-bin")
    text = (tmp_path / "model.xml").read_bytes().decode()
    assert text.startswith('<?xml version="1.0"?>\r\n') and "<distmode>manhattan</distmode>" in text
    for load, fname, data_id in ((ozmnum.TMemBasedLearner.LoadModelXML, xml, "iris & co"),
                                 (ozmnum.TMemBasedLearner.LoadModelXMLFromString, text, "iris & co"),
                                 (ozmnum.TMemBasedLearner.LoadModelBin, binary, "iris-bin")):
        M = ozmnum.TMemBasedLearner()
        assert load(M, fname) == (0, data_id)
        assert (M.ModelName, M.Comment, M.NumNearestNb) == (L.ModelName, L.Comment, 7)
        assert (M.DistMode, M.ScalingMode, M.LocalModel) == (L.DistMode, L.ScalingMode, L.LocalModel)
        assert M.ModelData.GetColName(5) == "species" and M.GetVarType(4) == ozmnum.mblVarTarget
        np.testing.assert_array_equal(np.asarray(M.ModelData.Data), np.asarray(L.ModelData.Data))
        np.testing.assert_array_equal(M.ApplyModelArray(queries)[1], want)

    # Failures leave the learner as it was; a load under a view of the table is refused.
    M = ozmnum.TMemBasedLearner()
    assert M.LoadModelXML(str(tmp_path / "missing.xml")) == (membl.kXmlNoModelData, "")
    assert M.LoadModelBin(str(tmp_path / "missing.bin")) == (membl.kBinReadError, "")
    assert M.LoadModelBin(xml) == (membl.kBinBadSignature, "")
    assert M.LoadModelXMLFromString(text[: text.index("<modeldata>") + 30])[0] == membl.kXmlBadModelData
    assert M.ModelData.NrOfRows == 1 and M.ModelName == "undefined"
    view = M.ModelData.Data
    with pytest.raises(BufferError):
        M.LoadModelBin(binary)
    del view
    assert M.LoadModelBin(binary)[0] == membl.kBinOk
    with pytest.raises(ozmnum.EInOutError):
        L.StoreModelXML(str(tmp_path / "no" / "such" / "dir.xml"))


def iris_map(data_dir, sx=6, sy=5, steps=40):
    x, _ = iris(data_dir)
    k = ozmnum.TKohonen()
    k.TrainData = x
    k.StandardizeData()
    k.SizeX, k.SizeY = sx, sy
    k.InitialNeighbors, k.NrOfTrnSteps, k.InitialAlpha = 3, steps, 0.5
    return k, x


def test_map_training_weights_and_mapping(data_dir):
    k, x = iris_map(data_dir)
    assert (k.NrOfInSens, k.NrOfTrnObj, k.CurrentStep) == (4, 150, 1)
    np.testing.assert_allclose(k.MeanVec, x.mean(axis=0), rtol=1e-14)
    np.testing.assert_allclose(k.StdDevVec, x.std(axis=0, ddof=1), rtol=1e-14)
    z = (x - k.MeanVec) / k.StdDevVec
    data = k.TrainData
    assert not data.flags.writeable and data.shape == (150, 4)
    np.testing.assert_allclose(data, z, rtol=1e-13, atol=1e-15)
    del data

    # Seeded training repeats bit for bit; another seed gives another map.
    maps = []
    for seed in (7, 7, 8):
        ozmnum.SetRandSeed(seed)
        k.Trainit()
        maps.append(k.Weights)
    assert k.CurrentStep == k.NrOfTrnSteps == 40
    np.testing.assert_array_equal(maps[0], maps[1])
    assert not np.array_equal(maps[0], maps[2])

    # The view holds the training units; Weights and GetWeight the data units.
    view = k.WeightMatrix
    assert view.shape == (6, 5, 4) and not view.flags.writeable
    np.testing.assert_allclose(view * k.StdDevVec + k.MeanVec, maps[2], rtol=4 * EPS)
    for ix, iy, wi in ((1, 1, 1), (6, 5, 4), (3, 2, 3)):
        assert k.GetWeight(ix, iy, wi) == maps[2][ix - 1, iy - 1, wi - 1]
    assert k.GetWeight(7, 1, 1) == 0.0

    # Winners against numpy (first minimum with x outermost, y inside), the errors from them.
    d2 = ((z[:, None, None, :] - view[None]) ** 2).sum(axis=-1).reshape(150, -1)
    order = np.argsort(d2, axis=1, kind="stable")
    bx, by, dist = k.ApplyItArray(x)
    np.testing.assert_array_equal(bx - 1, order[:, 0] // 5)
    np.testing.assert_array_equal(by - 1, order[:, 0] % 5)
    np.testing.assert_allclose(dist, d2.min(axis=1), rtol=1e-12)
    assert k.ApplyIt(x[17]) == (bx[17], by[17], dist[17])
    assert k.QuantizationError() == pytest.approx(np.sqrt(d2.min(axis=1)).mean(), rel=1e-12)
    first, second = np.divmod(order[:, 0], 5), np.divmod(order[:, 1], 5)
    apart = (np.abs(first[0] - second[0]) > 1) | (np.abs(first[1] - second[1]) > 1)
    assert k.TopographicError() == pytest.approx(apart.mean(), abs=1e-15)

    # Every neuron is found again from its own weights in data units, at a distance of rounding.
    scale = np.abs(view).max() + 1
    for ix in range(1, 7):
        for iy in range(1, 6):
            got = k.ApplyIt(ozmnum.TVector(maps[2][ix - 1, iy - 1]))
            assert got[:2] == (ix, iy) and got[2] <= 4 * (8 * EPS * scale) ** 2

    # The view follows further training (same storage) and is what keeps the map from changing
    # its grid under it.
    before = np.array(view)
    k.NrOfTrnSteps = 60
    k.ContinueTraining()
    assert k.CurrentStep == 60 and not np.array_equal(view, before)
    with pytest.raises(BufferError):
        k.SizeX = 4
    with pytest.raises(BufferError):
        k.TrainData = x[:10]
    del view
    k.SizeX = 4
    assert k.WeightMatrix.shape == (4, 5, 4) and not k.WeightMatrix.any()
    np.testing.assert_array_equal(k.Weights, np.broadcast_to(k.MeanVec, (4, 5, 4)))
    with pytest.raises(ozmnum.EOZMKohonenError, match="does not match the number of inputs"):
        k.ApplyIt([1.0, 2.0])
    with pytest.raises(ValueError):
        k.ApplyItArray(x[:, :3])
    # A view of the data blocks only what replaces the data.
    data = k.TrainData
    k.SizeY = 3
    with pytest.raises(BufferError):
        k.NrOfInSens = 2
    with pytest.raises(BufferError):
        k.SetDataMat(x)
    np.testing.assert_allclose(data, z, rtol=1e-13, atol=1e-15)  # refused calls changed nothing
    del data
    k.NrOfInSens = 2
    assert k.TrainData.shape == (150, 2) and k.WeightMatrix.shape == (4, 3, 2)
    with pytest.raises(ozmnum.EOZMKohonenError, match="without columns"):
        k.SetDataMat(np.zeros((3, 0)))
    assert issubclass(ozmnum.EOZMKohonenError, ozmnum.EOZMError)


def test_map_feedback_abort_and_files(tmp_path, data_dir):
    k, x = iris_map(data_dir)
    ozmnum.SetRandSeed(11)
    k.Trainit()
    whole = k.Weights

    # An abort from the handler stops after the step; continuing gives the same map.
    seen = []

    def stop_at_40(sender, percent):
        seen.append((sender is k, percent, sender.CurrentStep))
        if percent >= 40:
            sender.AbortTraining()

    k.OnFeedback = stop_at_40
    assert k.OnFeedback is stop_at_40
    ozmnum.SetRandSeed(11)
    k.Trainit()
    assert seen[0] == (True, 2, 1) and seen[-1][1] == 40 and k.CurrentStep == 17
    k.OnFeedback = None
    k.ContinueTraining()
    np.testing.assert_array_equal(k.Weights, whole)

    # The handler may not restructure a running map; its exceptions end the training.
    def restructure(sender, percent):
        sender.SizeY = 2

    k.OnFeedback = restructure
    with pytest.raises(ozmnum.EOZMKohonenError, match="training is already running"):
        k.Trainit()

    def fail(sender, percent):
        raise ArithmeticError("stop")

    k.OnFeedback = fail
    with pytest.raises(ArithmeticError):
        k.Trainit()
    k.OnFeedback = None
    ozmnum.SetRandSeed(11)
    k.Trainit()  # idle again
    np.testing.assert_array_equal(k.Weights, whole)

    # Files and strings keep every setting and weight exactly.
    k.Comment, k.DataID, k.Cyclic = "iris <4 measures> & species", "iris", True
    fname = str(tmp_path / "map.xml")
    assert k.SaveAsXMLFile(fname)
    text = k.WriteToXMLString()
    assert (tmp_path / "map.xml").read_bytes().decode() == text and "\r\n<kohonen " in text
    for read in (lambda m: m.LoadFromXMLFile(fname), lambda m: m.ReadFromXMLString(text)):
        m = ozmnum.TKohonen()
        assert read(m) and m.LastXMLError == ""
        assert (m.SizeX, m.SizeY, m.NrOfInSens, m.Cyclic, m.Comment, m.NrOfTrnSteps) == (
            6, 5, 4, True, k.Comment, 40)
        assert (m.InitialNeighbors, m.InitialAlpha, m.CurrentStep) == (3, 0.5, k.CurrentStep)
        np.testing.assert_array_equal(m.WeightMatrix, k.WeightMatrix)
        np.testing.assert_array_equal(m.MeanVec, k.MeanVec)
        np.testing.assert_array_equal(m.ApplyItArray(x)[2], k.ApplyItArray(x)[2])
    broken = ozmnum.TKohonen()
    assert not broken.ReadFromXMLString(text.replace("<sizex>6</sizex>", "<sizex>-6</sizex>"))
    assert broken.LastXMLError and broken.SizeX == 1
    assert not broken.LoadFromXMLFile(str(tmp_path / "missing.xml"))
    view = broken.WeightMatrix
    with pytest.raises(BufferError):
        broken.LoadFromXMLFile(fname)
