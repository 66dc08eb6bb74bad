"""Clustering, nearest neighbours, regression pieces, TCFEvaluator and TCrossValidator."""
import numpy as np
import pytest
import scipy.cluster.hierarchy as sch
import scipy.stats as ss

import ozmnum


def clusters_of(steps, n):
    """The leaf sets of every merge of a dendrogram given as (id1, id2) pairs with 1-based leaves."""
    members = {i: frozenset([i]) for i in range(1, n + 1)}
    out = []
    for s, (a, b) in enumerate(steps):
        members[n + s + 1] = members[a] | members[b]
        out.append(members[n + s + 1])
    return out


def test_agglomerative_clustering_against_scipy_linkage(rng):
    x = rng.normal(size=(25, 3))
    n = len(x)
    cases = [(ozmnum.cmSingleLink, "single", ozmnum.dmEuclidean, None),
             (ozmnum.cmCompleteLink, "complete", ozmnum.dmEuclidean, None),
             (ozmnum.cmUpgma, "average", ozmnum.dmEuclidean, None),
             (ozmnum.cmAvgLink, "weighted", ozmnum.dmEuclidean, None),
             (ozmnum.cmWard, "ward", ozmnum.dmSqrEuclidean, np.sqrt)]
    for method, name, mode, transform in cases:
        code, dendro, dist, pos = ozmnum.AgglomClustering(x, mode, method)
        steps = np.asarray(dendro)
        assert code == 0 and steps.shape == (n - 1, 3) and pos.shape == (2 * n - 1,)
        np.testing.assert_array_equal(steps[:, 2], np.arange(n + 1, 2 * n))
        z = sch.linkage(x, method=name)
        heights = transform(dist) if transform else dist
        np.testing.assert_allclose(heights, z[:, 2], rtol=1e-12, err_msg=name)
        ref = clusters_of([(int(a) + 1 if a < n else int(a) + 1, int(b) + 1) for a, b in z[:, :2]], n)
        assert clusters_of(steps[:, :2], n) == ref, name
        # Leaves get the positions 1..n, every cluster the mean of its children.
        assert sorted(pos[:n]) == list(range(1, n + 1))
        for a, b, new in steps:
            assert pos[new - 1] == pytest.approx((pos[a - 1] + pos[b - 1]) / 2)

    # A distance given by Python (mode dmByEvent) and the feedback with the GIL taken again.
    calls, seen = [], []

    def dist(sender, r1, r2):
        seen.append((r1, r2))
        return abs(x[r1 - 1, 0] - x[r2 - 1, 0])

    code, dendro, d, _ = ozmnum.AgglomClustering(x, ozmnum.dmByEvent, ozmnum.cmSingleLink,
                                                 CalcDist=dist, Feedback=lambda s, p, st: calls.append(p))
    assert code == 0 and seen and calls[-1] == pytest.approx(100 * (n - 1) / n)
    np.testing.assert_allclose(d, sch.linkage(x[:, :1], "single")[:, 2], rtol=1e-12)

    def boom(sender, r1, r2):
        raise RuntimeError("distance failed")

    with pytest.raises(RuntimeError, match="distance failed"):
        ozmnum.AgglomClustering(x, ozmnum.dmByEvent, ozmnum.cmSingleLink, CalcDist=boom)


def test_kmeans_against_lloyd_in_numpy(rng):
    x = np.vstack([rng.normal(c, 0.6, size=(m, 2)) for c, m in (((0, 0), 30), ((4, 1), 20), ((1, 5), 25))])
    x = x[rng.permutation(len(x))]
    k = 3
    within, centers, clust, sizes = ozmnum.kMeansClustering(x, k)
    # Lloyd's iteration from the first k objects.
    c = x[:k].copy()
    for _ in range(1000):
        lab = np.argmin(((x[:, None, :] - c[None]) ** 2).sum(-1), axis=1)
        newc = np.array([x[lab == j].mean(0) for j in range(k)])
        if np.array_equal(newc, c):
            break
        c = newc
    ours = np.asarray(clust) - 1
    assert sorted(np.bincount(ours)) == sorted(np.bincount(lab))
    assert list(np.asarray(sizes)) == sorted(np.bincount(lab), reverse=True)  # by decreasing size
    # The same partition, renumbered by size; the centres (rows) are the cluster means.
    for j in range(k):
        members = np.flatnonzero(ours == j)
        assert len(set(lab[members])) == 1
        np.testing.assert_allclose(np.asarray(centers)[j], x[members].mean(0), rtol=1e-12)
    assert within == pytest.approx(sum(((x[lab == j] - c[j]) ** 2).sum() for j in range(k)), rel=1e-12)
    centers2, w2 = ozmnum.FindCenters(x, k)
    assert w2 == pytest.approx(within, rel=1e-12)
    with pytest.raises(ozmnum.EOZMMath2Error, match="number of clusters is greater than number of objects"):
        ozmnum.kMeansClustering(x[:2], 3)


def test_nearest_neighbours_brute_force(rng):
    x = rng.normal(size=(60, 4))
    y = rng.normal(size=60)
    t = rng.normal(size=4)
    d = np.sqrt(((x - t) ** 2).sum(1))
    order = np.argsort(d)
    rows, dists = ozmnum.FindNearestNeighbors(7, x, t)
    np.testing.assert_array_equal(rows, order[:7] + 1)
    np.testing.assert_allclose(dists, d[order[:7]], rtol=1e-14)
    # Rows 11..30 only, and a distance from Python.
    rows, dists = ozmnum.FindNearestNeighbors(3, x, t, 11, 30, DistFunc=lambda r: abs(x[r - 1, 0] - t[0]))
    sub = np.abs(x[10:30, 0] - t[0])
    np.testing.assert_array_equal(rows, np.argsort(sub)[:3] + 11)
    est, mean = ozmnum.EstimateByKNN(x, y, 5, ozmnum.kwmAverage, 1.0, t)
    assert est == pytest.approx(y[order[:5]].mean(), rel=1e-13) and mean == pytest.approx(d[order[:5]].mean())
    est, _ = ozmnum.EstimateByKNN(x, y, 5, ozmnum.kwmMedian, 1.0, t)
    assert est == pytest.approx(np.median(y[order[:5]]))
    md = ozmnum.MeanDistanceKNN(x, 4, 21, 40)
    full = np.sqrt(((x[20:40, None] - x[None, 20:40]) ** 2).sum(-1))
    np.testing.assert_allclose(md, np.sort(full, axis=1)[:, :4].mean(1), rtol=1e-13)


def test_regression_pieces_against_numpy(rng):
    x = rng.normal(size=(30, 3))
    y = x @ [1.5, -2.0, 0.5] + 3 + rng.normal(0, 0.1, 30)
    lam = 2.5
    ok, r = ozmnum.RidgeReg(x, y, lam)
    xc, yc = x - x.mean(0), y - y.mean()
    b = np.linalg.solve(xc.T @ xc + lam * np.eye(3), xc.T @ yc)
    assert ok
    np.testing.assert_allclose(r.Coeffs, np.r_[y.mean() - x.mean(0) @ b, b], rtol=1e-11)
    np.testing.assert_allclose(r.Residuals, y - r.Coeffs[0] - x @ r.Coeffs[1:], atol=1e-12)
    sv = np.linalg.svd(xc, compute_uv=False)
    assert r.EffectiveDF == pytest.approx(1 + np.sum(sv**2 / (sv**2 + lam)), rel=1e-12)
    assert not ozmnum.RidgeRegStd(x, y, -1.0)[0]
    # SIMPLS with all components is ordinary least squares.
    ok, ncomp, w, xl, yl, xs, ys, coeffs, icpt = ozmnum.SimPLS(x, y.reshape(-1, 1), 3)
    ols = np.linalg.lstsq(np.c_[np.ones(30), x], y, rcond=None)[0]
    assert ok and ncomp == 3
    np.testing.assert_allclose(np.asarray(coeffs)[:, 0], ols[1:], rtol=1e-10)
    assert np.asarray(icpt)[0] == pytest.approx(ols[0], rel=1e-10)
    np.testing.assert_allclose(np.asarray(xs).T @ np.asarray(xs), np.eye(3), atol=1e-12)

    a = rng.normal(size=(8, 5))
    a[:, 4] = a[:, 0] + a[:, 1]  # rank 4
    bb = rng.normal(size=8)
    xv, sd = ozmnum.TVector(), ozmnum.TVector()
    ok, rank = ozmnum.SingValEquSolve(ozmnum.TMatrix(a), ozmnum.TVector(bb), xv, sd)
    assert ok and rank == 4
    np.testing.assert_allclose(np.asarray(xv), np.linalg.lstsq(a, bb, rcond=None)[0], rtol=1e-10)
    view = np.asarray(xv)
    with pytest.raises(BufferError):
        ozmnum.SingValEquSolve(ozmnum.TMatrix(a[:, :3]), ozmnum.TVector(bb), xv)
    del view

    data = np.array([3.0, 1.0, 4.0, 1.0, 5.0, 9.0, 2.0, 6.0, 5.0, 3.0, 5.0])
    ties, ranks = ozmnum.CalcRanks(data)
    np.testing.assert_array_equal(ranks, ss.rankdata(data))
    _, counts = np.unique(data, return_counts=True)
    assert ties == np.sum(counts**3 - counts)
    px = rng.uniform(1e6, 1e6 + 10, 20)
    ok, k0, k1, k2 = ozmnum.FitParabola(px, 2 - 3 * (px - 1e6) + 0.5 * (px - 1e6) ** 2)
    assert ok and 2 * k2 == pytest.approx(1.0, rel=1e-7)
    assert ozmnum.ExtractVarNames('a, "b,c", """d"""', 5) == (3, ["a", "b,c", '"d"', "V4", "V5"])
    assert ozmnum.ExtractVarNames("a;a", 2)[0] == -3
    assert ozmnum.ExtractVarNames('"a', 2) == (-1, [])


def test_classifier_evaluator_against_scipy(rng):
    truth = (rng.uniform(size=200) < 0.4).astype(float) * 2 + 1  # classes 1 and 3
    est = np.round(truth + rng.normal(0, 1.2, 200), 1)  # rounded: ties of estimates
    ev = ozmnum.TCFEvaluator()
    ev.SetTrueDataArray(truth)
    ev.SetEstimDataArray(est)
    assert ev.NData == 200 and ev.IsDicho and (ev.DichoV1, ev.DichoV2) == (1.0, 3.0)
    pos = truth > 2
    thr = 2.3
    assert ev.CalcConfusionMatrix(thr) == 0
    tp, fp = np.sum(pos & (est >= thr)), np.sum(~pos & (est >= thr))
    tn, fn = np.sum(~pos & (est < thr)), np.sum(pos & (est < thr))
    assert ev.GetConfMatValues() == (0, tp, fp, tn, fn, thr)
    assert ev.TpRate() == pytest.approx(tp / (tp + fn)) and ev.Precision() == pytest.approx(tp / (tp + fp))
    assert ev.Accuracy() == pytest.approx((tp + tn) / 200)
    mcc = ss.pearsonr(pos.astype(float), (est >= thr).astype(float))[0]  # phi coefficient
    assert ev.MatthewsCorr() == pytest.approx(mcc, rel=1e-12)
    assert ozmnum.MatthewsCorrOfCounts(int(tp), int(fp), int(tn), int(fn)) == pytest.approx(mcc, rel=1e-12)
    code, roc, best, auc, *_ = ev.OptimizeThresholds()
    assert code == 0 and roc.shape[0] == 3
    # The area is the Mann-Whitney U of the estimates of the positives over the negatives.
    u = ss.mannwhitneyu(est[pos], est[~pos]).statistic
    assert auc == pytest.approx(u / (pos.sum() * (~pos).sum()), rel=1e-12)
    levels = np.unique(est)[::-1]
    np.testing.assert_array_equal(roc[2, :-1], levels)
    np.testing.assert_allclose(roc[1, :-1], [np.mean(est[pos] >= h) for h in levels], rtol=1e-14)
    assert (roc[0, -1], roc[1, -1]) == (1.0, 1.0)
    assert best == np.argmax(np.abs(roc[1] - roc[0]))
    ev.SetTrueData(1, 7.0)  # a third value
    assert not ev.IsDicho and ev.CalcConfusionMatrix(0.0) == -2


def test_cross_validator_with_python_model(rng):
    n = 24
    x = rng.normal(size=(n, 2))
    y = np.c_[x @ [2.0, -1.0] + 0.5 + rng.normal(0, 0.2, n), (x[:, 0] > 0).astype(float)]
    cv = ozmnum.TCrossValidator()
    np.asarray(cv.XMat)  # the matrices are the validator's own
    cv.XMat.Resize(2, n)
    cv.YMat.Resize(2, n)
    np.asarray(cv.XMat)[:] = x
    np.asarray(cv.YMat)[:] = y
    cv.SizeTestSet = 3
    model, applied, trained = {}, [], []

    def create(sender, pct, objects):
        assert sender is cv
        rows = objects - 1
        trained.append(set(objects))
        model["b"] = np.linalg.lstsq(np.c_[np.ones(len(rows)), x[rows]], y[rows], rcond=None)[0]
        return True

    def apply(sender, pct, predictors):
        pred = np.r_[1.0, predictors] @ model["b"]
        row = int(np.flatnonzero((x == predictors).all(1))[0])
        applied.append((row, pred))
        assert set(range(1, n + 1)) - trained[-1] >= {row + 1}  # a test object, not trained on
        return pred

    cv.OnModelCreateRequest = create
    cv.OnModelApplyRequest = apply
    ozmnum.SetRandSeed(7)
    assert cv.Execute() and not cv.CreateFailed
    press = np.zeros(2)
    for row, pred in applied:
        press += (pred - y[row]) ** 2
    np.testing.assert_allclose(cv.Press, press, rtol=1e-12)
    tested = len(applied)
    assert cv.GetRMSEP(1) == pytest.approx(np.sqrt(press[0] / tested), rel=1e-12)
    assert sum(cv.TPCount + cv.FPCount + cv.TNCount + cv.FNCount) == 2 * tested

    cv.OnModelApplyRequest = lambda s, p, xr: [1.0]  # one estimate for two responses
    with pytest.raises(ValueError, match="must return 2 estimates"):
        cv.Execute()
    np.testing.assert_array_equal(cv.Press, [-1, -1])
    cv.OnModelApplyRequest = apply
    cv.OnCheckAbort = lambda s: True
    assert not cv.Execute()
    cv.OnCheckAbort = None
    cv.OnModelCreateRequest = lambda s, p, o: False
    cv.MaxCreateFailures = 3
    assert not cv.Execute() and cv.CreateFailed
