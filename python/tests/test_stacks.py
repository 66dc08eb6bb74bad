"""TIntMatrix (dense and sparse), TMat3D and TMat4D with numpy: views, guards, statistics, files."""
import itertools

import numpy as np
import pytest

import ozmnum


def test_int_matrix_views_products_and_wrapping(rng):
    a = rng.integers(-(2**31), 2**31 - 1, size=(4, 3))  # int64 in, converted
    for src in (a, np.asfortranarray(a), a.astype(np.int32)):
        m = ozmnum.TIntMatrix(src)
        view = np.asarray(m)
        assert view.dtype == np.int32 and view.flags["F_CONTIGUOUS"] and not view.flags["OWNDATA"]
        np.testing.assert_array_equal(view, src.astype(np.int32))
        assert all(m.GetVal(c + 1, r + 1) == src[r, c] for r in range(4) for c in range(3))
    view[3, 2] = -17
    assert m.GetVal(3, 4) == -17 and np.shares_memory(view, m.Data)

    # Products and sums wrap in 32 bits: numpy's 64-bit result cast to int32 is the oracle.
    x = rng.integers(-(2**31), 2**31 - 1, size=(5, 6))
    y = rng.integers(-(2**31), 2**31 - 1, size=(6, 4))
    mx, my, res = ozmnum.TIntMatrix(x), ozmnum.TIntMatrix(y), ozmnum.TIntMatrix()
    assert mx.Multiply(my, res)

    def wrap(z):
        return np.asarray(np.asarray(z, dtype=object) % 2**32, dtype=np.int64).astype(np.int32)

    np.testing.assert_array_equal(np.asarray(res), wrap(x.astype(object) @ y.astype(object)))
    assert mx.TransposeAndMultiply(ozmnum.TIntMatrix(x), res)
    np.testing.assert_array_equal(np.asarray(res), wrap(x.T.astype(object) @ x.astype(object)))
    assert mx.Sum() == wrap(x.astype(object).sum())
    mean, var = mx.MeanVar()
    assert mean == pytest.approx(x.mean(), rel=1e-13) and var == pytest.approx(x.var(ddof=1), rel=1e-12)
    assert mx.MinMax() == (x.min(), x.max())
    assert mx.MinMax(2, 3, 4, 5) == (x[2:5, 1:4].min(), x[2:5, 1:4].max())
    # A product of mismatched operands is refused without touching the result.
    before = np.array(res)
    assert not my.Multiply(my, res)
    np.testing.assert_array_equal(np.asarray(res), before)


def test_int_matrix_sparse_form(tmp_path, rng):
    sp = ozmnum.TIntMatrix.CreateSparse(4)
    assert sp.IsSparse and sp.SparseNumElem == 0 and sp.AllocBy == 4
    cells = {}
    for _ in range(60):
        c, r, v = int(rng.integers(1, 40)), int(rng.integers(1, 30)), int(rng.integers(-99, 99))
        sp.SetVal(c, r, v)
        cells[(c, r)] = v
    entries = sp.SparseEntries
    assert entries.shape == (len(cells), 3) and sp.NumAllocated % 4 == 0 and sp.NumAllocated >= len(cells)
    assert [tuple(e[:2]) for e in entries] == sorted(cells)  # column, then row
    assert {(c, r): v for c, r, v in entries} == cells
    assert sp.NrOfColumns == max(c for c, _ in cells) and sp.NrOfRows == max(r for _, r in cells)
    assert (sp.SparseLowCol, sp.SparseHighCol) == (min(c for c, _ in cells), max(c for c, _ in cells))
    assert sp.GetVal(100, 100) == 0
    # A sparse matrix has no dense cells to share, and dense-only routines say so.
    for export in (memoryview, lambda m: m.Data):
        with pytest.raises(BufferError, match="sparse"):
            export(sp)
    with pytest.raises(ozmnum.EOZMMatrixError, match="needs the dense form"):
        sp.SAdd(1)
    # Statistics count the cells without entry as 0.
    dense = np.zeros((sp.NrOfRows, sp.NrOfColumns), dtype=np.int64)
    for (c, r), v in cells.items():
        dense[r - 1, c - 1] = v
    mean, var = sp.MeanVar()
    assert mean == pytest.approx(dense.mean(), rel=1e-13) and var == pytest.approx(dense.var(ddof=1), rel=1e-12)
    # The entry-list file keeps entries and growth step; the dense form holds the same cells.
    fn = str(tmp_path / "sparse.txt")
    assert sp.StoreSparseMat(fn)
    back = ozmnum.TIntMatrix()
    assert back.LoadSparseMat(fn) and back.IsSparse and back.AllocBy == 4
    np.testing.assert_array_equal(back.SparseEntries, entries)
    back.SparseToArray()
    np.testing.assert_array_equal(np.asarray(back), dense)
    # Converting a dense matrix with a live view would release the view's cells.
    view = np.asarray(back)
    with pytest.raises(BufferError):
        back.ArrayToSparse(8)
    del view
    back.ArrayToSparse(8)
    assert back.IsSparse and back.SparseNumElem == np.count_nonzero(dense)
    assert not ozmnum.TIntMatrix().LoadSparseMat(str(tmp_path / "missing.txt"))


def _block(rng, shape):
    return rng.normal(size=shape).round(6)


def test_mat3d_mat4d_views_follow_getval_order(rng):
    a3 = _block(rng, (4, 3, 2))
    a4 = _block(rng, (3, 4, 2, 3))
    for src in (a4, np.asfortranarray(a4), a4[::-1][::-1]):
        b = ozmnum.TMat4D(src)
        view = np.asarray(b)
        assert view.shape == src.shape == (b.NrOfColumns, b.NrOfRows, b.NrOfLayers, b.NrOfTimeSlots)
        assert view.flags["F_CONTIGUOUS"] and np.shares_memory(view, b.Data)
        assert view.strides == (8, 8 * 3, 8 * 12, 8 * 24)  # one buffer, column fastest
        for x, y, z, t in itertools.product(*(range(1, n + 1) for n in src.shape)):
            assert b.GetVal(x, y, z, t) == src[x - 1, y - 1, z - 1, t - 1]
    view[2, 1, 0, 2] = 99.5
    assert b.GetVal(3, 2, 1, 3) == 99.5
    b.SetVal(1, 4, 2, 1, -3.0)
    assert view[0, 3, 1, 0] == -3.0
    # The storage order is that of Data(): cell (x, y, z, t) at ((t-1) L + z-1) R + y-1) C + x-1.
    flat = view.ravel(order="K")  # memory order, still a view
    assert np.shares_memory(flat, view) and flat[((2 * 2 + 0) * 4 + 1) * 3 + 2] == 99.5

    m3 = ozmnum.TMat3D(a3)
    v3 = m3.Data
    assert v3.shape == (4, 3, 2) and v3.strides == (8, 32, 96)
    np.testing.assert_array_equal(v3, a3)
    assert m3.GetVal(4, 3, 2) == a3[3, 2, 1]
    # Views hold the storage: resizing, cutting or loading under a view raises BufferError.
    with pytest.raises(BufferError):
        m3.Resize(5, 3, 2)
    with pytest.raises(BufferError):
        b.Cut(1, 2)
    with pytest.raises(BufferError):
        b.NrOfTimeSlots = 7
    b.Resize(3, 4, 2, 3)  # same extents: nothing replaced, allowed
    del view, v3, flat
    m3.Resize(5, 3, 2)
    assert m3.NrOfColumns == 5 and m3.GetVal(4, 3, 2) == a3[3, 2, 1] and m3.GetVal(5, 1, 1) == 0
    with pytest.raises(ValueError):
        ozmnum.TMat4D(np.zeros((2, 0, 1, 1)))
    with pytest.raises(ValueError):
        ozmnum.TMat3D(np.zeros((2, 2)))


def test_mat4d_statistics_and_reshaping_against_numpy(rng):
    a = _block(rng, (6, 5, 4, 3))
    b = ozmnum.TMat4D(a)
    sub = a[1:5, 0:3, 1:4, 1:3]  # columns 2..5, rows 1..3, layers 2..4, slots 2..3
    rng_args = (2, 5, 1, 3, 2, 4, 2, 3)
    n = sub.size
    mean, var = b.MeanVar(*rng_args)
    assert mean == pytest.approx(sub.mean(), abs=1e-14 * n) and var == pytest.approx(sub.var(ddof=1), rel=1e-12)
    assert b.Sum(*rng_args) == pytest.approx(sub.sum(), abs=1e-13 * n)
    assert b.SquaredSum(*rng_args) == pytest.approx((sub**2).sum(), rel=1e-13)
    assert b.MinMax(*rng_args) == (sub.min(), sub.max())
    # Ranges are normalised: reversed bounds swap, (0, 0) is the whole extent.
    assert b.MinMax(5, 2, 3, 1, 4, 2, 3, 2) == (sub.min(), sub.max())
    assert b.MeanVar() == pytest.approx((a.mean(), a.var(ddof=1)), rel=1e-12)
    assert b.CountValues(-0.5, 0.5) == np.count_nonzero((a >= -0.5) & (a <= 0.5))
    # Percentile: the cell of rank min(n - 1, round(n p / 100)) of the sorted block.
    for p in (0, 10, 37, 50, 90, 100):
        k = min(a.size - 1, int(np.floor(a.size * p / 100 + 0.5)))
        assert b.Percentile(p) == np.sort(a, axis=None)[k]
    target = a[3, 2, 1, 0] + 1e-9
    assert b.Find(target) == (4, 3, 2, 1)

    c = ozmnum.TMat4D(a)
    c.Cut(*rng_args)
    np.testing.assert_array_equal(np.asarray(c), sub)
    c = ozmnum.TMat4D(a)
    c.Resample(2, 1, 1, 0, 3, 0, 1, 2, False)  # offsets modulo their divisors: 2 mod 1 = 0
    np.testing.assert_array_equal(np.asarray(c), a[1::2, :, ::3, :])
    c = ozmnum.TMat4D(a)
    assert c.Transpose()
    np.testing.assert_array_equal(np.asarray(c), a.transpose(1, 0, 2, 3))
    c.MirrorLayers()
    np.testing.assert_array_equal(np.asarray(c), a.transpose(1, 0, 2, 3)[:, :, ::-1])

    # A layer goes to a TMatrix as columns x rows, i.e. the transposed numpy layer.
    mat = ozmnum.TMatrix()
    b.CopyLayerToMatrix(mat, 3, 2)
    np.testing.assert_array_equal(np.asarray(mat), a[:, :, 2, 1].T)
    code, layer = b.CopyLayerToArray(3, 2, LowCol=2, HighCol=4)
    assert code == 0
    np.testing.assert_array_equal(layer, a[1:4, :, 2, 1])
    slot = ozmnum.TMat3D()
    b.CopyTimeSlotToMat3D(slot, 2)
    np.testing.assert_array_equal(np.asarray(slot), a[..., 1])
    with pytest.raises(ozmnum.EOZMMatrixError, match="time slot beyond data range"):
        b.CopyLayerToMatrix(mat, 1, 4)


def test_mat4d_layer_reductions_threads_feedback_abort(rng):
    a = _block(rng, (40, 30, 6, 4))
    b = ozmnum.TMat4D(a)
    blk = a[4:36, 2:25, 1:5, 0:3]
    dest = ozmnum.TMatrix()
    cases = [("MeanOfLayersToMatrix", blk.mean(axis=(2, 3))), ("MaximumOfLayersToMatrix", blk.max(axis=(2, 3))),
             ("MinimumOfLayersToMatrix", blk.min(axis=(2, 3))), ("StdDevOfLayersToMatrix", blk.std(axis=(2, 3)))]
    for name, want in cases:
        results = []
        for threads in (1, 2, None):
            assert getattr(b, name)(dest, 5, 36, 3, 25, 2, 5, 1, 3, NThreads=threads)
            results.append(np.array(dest))
        # DestMat(c, r) is position (c, r): the numpy transpose of the (columns, rows) result.
        np.testing.assert_allclose(results[0], want.T, rtol=1e-13, atol=1e-13)
        for r in results[1:]:
            np.testing.assert_array_equal(r, results[0])  # the same for every thread count

    # The feedback procedure runs with the GIL taken while the workers run without it.
    calls = []
    ozmnum.SetMathFeedBackProc(lambda stat: calls.append(stat))
    ozmnum.SetProcStat(0)
    assert b.MeanOfLayersToMatrix(dest, NThreads=2)
    assert calls and calls[-1] == pytest.approx(100.0)
    # A view of the destination would be replaced: refused before any work.
    view = np.asarray(dest)
    with pytest.raises(BufferError):
        b.MaximumOfLayersToMatrix(dest)
    del view

    def stop(stat):
        ozmnum.SetAbortMathProc(True)

    ozmnum.SetMathFeedBackProc(stop)
    assert not b.StdDevOfLayersToMatrix(dest, NThreads=2)
    ozmnum.SetAbortMathProc(False)

    def fail(stat):
        raise KeyError("from feedback")

    ozmnum.SetMathFeedBackProc(fail)
    with pytest.raises(KeyError, match="from feedback"):
        b.MeanOfLayersToMatrix(dest, NThreads=2)
    assert not ozmnum.GetAbortMathProc()


def test_record_files_round_trip_and_streaming(tmp_path, rng):
    a = _block(rng, (5, 4, 3, 2))
    b = ozmnum.TMat4D(a)
    b.DataID = "stack one"
    fn = str(tmp_path / "stack.bin")
    assert b.SaveBinary(fn)
    assert b.ReadBinaryHeader(fn) == (True, 5, 4, 3, 2, "stack one", 1)
    back = ozmnum.TMat4D()
    assert back.LoadBinary(fn) == ozmnum.kBinaryOk
    np.testing.assert_array_equal(np.asarray(back), a)
    assert back.DataID == "stack one"
    # Appending raises the time slots; the streamed cells come in file order, slots counted
    # from the first slot read.
    assert ozmnum.TMat4D(a[..., :1]).AppendToBinaryFile(fn) == ozmnum.kBinaryOk
    assert ozmnum.TMat4D(a[:4]).AppendToBinaryFile(fn) == ozmnum.kBinaryShapeMismatch
    seen, percents = [], []
    back.OnReadElement = lambda s, x, y, z, t, v: seen.append((x, y, z, t, v))
    back.OnPercentDone = lambda sender, p: percents.append((sender is back, p))
    assert back.ReadBinary(fn, 2, 3) == 0
    assert percents and all(s for s, _ in percents) and percents[-1][1] == 100
    full = np.concatenate([a, a[..., :1]], axis=3)
    want = [(x + 1, y + 1, z + 1, t - 1, full[x, y, z, t - 1])
            for t in (2, 3) for z in range(3) for y in range(4) for x in range(5)]
    assert seen == want
    assert back.ReadBinary(fn, 4, 4) == -1
    code, layer = ozmnum.Read4DLayer(fn, 2, 3)
    assert code == 0
    np.testing.assert_array_equal(layer, a[:, :, 1, 0])
    code, acc = ozmnum.Read4DLayerAndAccumulate(fn, 1, 1, np.ones((5, 4)))
    assert code == 0
    np.testing.assert_array_equal(acc, a[:, :, 0, 0] + 1)
    assert ozmnum.TMat4D().LoadBinary(str(tmp_path / "none.bin")) == ozmnum.kBinaryCannotOpen
    with open(fn, "r+b") as f:  # cut the file inside the cells
        f.truncate(f.seek(0, 2) // 2)
    keep = ozmnum.TMat4D(a)
    assert keep.LoadBinary(fn) == ozmnum.kBinaryTruncated
    np.testing.assert_array_equal(np.asarray(keep), a)  # unchanged after a failure

    # A TMat3D file is a TMat4D file of one time slot.
    m3 = ozmnum.TMat3D(a[..., 0])
    fn3 = str(tmp_path / "block.bin")
    assert m3.SaveBinary(fn3)
    b3 = ozmnum.TMat4D()
    assert b3.LoadBinary(fn3) == 0
    np.testing.assert_array_equal(np.asarray(b3)[..., 0], a[..., 0])
    assert ozmnum.TMat3D().LoadBinary(fn) == ozmnum.kBinaryWrongKind  # more than one slot
    xml = str(tmp_path / "block.xml")
    assert m3.SaveAsXMLFile(xml)
    x3 = ozmnum.TMat3D()
    assert x3.LoadFromXMLFile(xml)
    np.testing.assert_array_equal(np.asarray(x3), a[..., 0])
    mean, var = m3.MeanVar(2, 4, 1, 3, 2, 3)
    assert mean == pytest.approx(a[1:4, 0:3, 1:3, 0].mean(), abs=1e-14)
