"""TVector, TIntVector and TMatrix with numpy: copies in, views out, events, guards."""
import gc

import numpy as np
import pytest
import scipy.stats

import ozmnum

# Sums of n terms of magnitude ~1 agree with numpy's pairwise sums to a few n*eps.
def close(n):
    return dict(rtol=8 * n * np.finfo(float).eps, atol=8 * n * np.finfo(float).eps)


def test_vector_round_trip_and_shared_view(rng):
    x = rng.normal(size=257)
    v = ozmnum.TVector(x)
    assert v.NrOfElem == len(v) == 257 and not v.IsEmpty
    view = np.asarray(v)
    np.testing.assert_array_equal(view, x)
    # The view is the vector's storage: writes go both ways, no copy.
    view[0] = 123.0
    assert v.GetVal(1) == 123.0
    v.SetVal(257, -5.0)
    assert view[-1] == -5.0
    assert np.shares_memory(v.Cells, view)
    assert np.asarray(v).ctypes.data == view.ctypes.data
    # Integer input is converted, a copy is independent of the source.
    w = ozmnum.TVector(np.arange(4))
    np.testing.assert_array_equal(w.Cells, [0.0, 1.0, 2.0, 3.0])
    np.testing.assert_array_equal(w.CopyToArray(2, 3), [1.0, 2.0])


def test_int_vector_round_trip():
    a = np.array([5, -7, 2**31 - 1, -(2**31)], dtype=np.int32)
    iv = ozmnum.TIntVector(a)
    view = np.asarray(iv)
    assert view.dtype == np.int32
    np.testing.assert_array_equal(view, a)
    view[1] = 9
    assert iv.GetVal(2) == 9
    assert iv.FindExact(0, 0, 9) == 2


def test_matrix_round_trip_fortran_view(rng):
    a = rng.normal(size=(5, 3))  # 5 rows, 3 columns
    for src in (a, np.asfortranarray(a), a[::-1, ::2][::-1]):
        m = ozmnum.TMatrix(src)
        assert (m.NrOfRows, m.NrOfColumns) == src.shape
        view = np.asarray(m)
        assert view.flags["F_CONTIGUOUS"] and not view.flags["OWNDATA"]
        np.testing.assert_array_equal(view, src)
        for r in range(src.shape[0]):
            for c in range(src.shape[1]):
                assert m.GetVal(c + 1, r + 1) == src[r, c]
    view[2, 1] = 7.5
    assert m.GetVal(2, 3) == 7.5
    assert np.shares_memory(view, m.Data)
    # memoryview sees the same layout.
    mv = memoryview(m)
    assert mv.shape == (5, 2) and mv.strides == (8, 40) and mv.format == "d"
    mv.release()


def test_matrix_zero_copy_large():
    m = ozmnum.TMatrix()
    m.Resize(1000, 10000)
    a = m.Data
    assert a.shape == (10000, 1000)
    a[:] = 1.0
    assert m.Sum() == 1e7


def test_views_keep_storage_and_owner():
    m = ozmnum.TMatrix(np.ones((3, 3)))
    view = np.asarray(m)
    with pytest.raises(BufferError):
        m.Resize(4, 4)
    with pytest.raises(BufferError):
        m.Transpose()
    r = ozmnum.TMatrix()
    rv = np.asarray(r)
    with pytest.raises(BufferError):
        m.Multiply(m, r)
    m.Resize(3, 3)  # same size: storage kept, allowed
    del rv
    assert m.Multiply(m, r)
    np.testing.assert_array_equal(np.asarray(r), np.full((3, 3), 3.0))
    # The view keeps the matrix alive after the last Python name is gone.
    del m
    gc.collect()
    assert view.sum() == 9.0
    v = ozmnum.TVector(np.ones(3))
    vv = v.Cells
    with pytest.raises(BufferError):
        v.NrOfElem = 10
    del vv
    v.NrOfElem = 10
    assert len(v) == 10


def test_bad_arrays():
    with pytest.raises(ValueError):
        ozmnum.TVector(np.zeros((2, 2)))
    with pytest.raises(ValueError):
        ozmnum.TVector(np.zeros(0))
    with pytest.raises(ValueError):
        ozmnum.TMatrix(np.zeros(3))
    with pytest.raises(TypeError):
        ozmnum.TMatrix().OnChange = 5


def test_events_receive_sender():
    m = ozmnum.TMatrix(np.zeros((2, 2)))
    seen = []
    handler = lambda sender: seen.append(sender)
    m.OnChange = handler
    assert m.OnChange is handler
    m.SetVal(1, 1, 1.0)
    m.Fill(2.0)
    m.SetVal(9, 9, 1.0)  # outside: ignored, no event
    assert len(seen) == 2 and all(s is m for s in seen)
    m.OnChange = None
    m.Fill(3.0)
    assert m.OnChange is None and len(seen) == 2

    v = ozmnum.TVector(np.array([3.0, 1.0, 2.0]))
    swaps = []
    v.OnSortExchange = lambda s, what, i1, i2, first, last: swaps.append((s is v, what, i1, i2))
    v.SortElems(True)
    np.testing.assert_array_equal(v.Cells, [1.0, 2.0, 3.0])
    assert swaps and all(s[0] and s[1] == 0 for s in swaps)
    # Replaying the reported exchanges on the input gives the sorted vector.
    x = [3.0, 1.0, 2.0]
    for _, _, i1, i2 in swaps:
        x[i1 - 1], x[i2 - 1] = x[i2 - 1], x[i1 - 1]
    assert x == [1.0, 2.0, 3.0]


def test_event_errors_propagate():
    v = ozmnum.TVector(np.zeros(3))

    def boom(sender):
        raise KeyError("from handler")

    v.OnChange = boom
    with pytest.raises(KeyError, match="from handler"):
        v.Fill(1.0)


def test_distance_event():
    m = ozmnum.TMatrix(np.array([[0.0, 0.0], [3.0, 4.0]]))
    m.OnCalcDistance = lambda s, r1, r2: float(10 * r1 + r2)
    assert m.DistanceOfObjects(ozmnum.dmByEvent, 1, 2) == 12.0
    assert m.DistanceOfObjects(ozmnum.dmEuclidean, 1, 2) == 5.0


def test_vector_statistics_against_numpy_scipy(data_dir):
    x = np.loadtxt(data_dir / "nile_flow.txt")
    v = ozmnum.TVector(x)
    mean, var = v.MeanVar()
    np.testing.assert_allclose(mean, x.mean(), **close(len(x)))
    np.testing.assert_allclose(var, x.var(ddof=1), **close(len(x)))
    assert v.Sum() == pytest.approx(x.sum(), rel=1e-14)
    np.testing.assert_allclose(v.Percentile(30), np.percentile(x, 30), **close(1))
    skew, kurt = v.SkewKurtSample()
    np.testing.assert_allclose(skew, scipy.stats.skew(x, bias=False), rtol=1e-10)
    np.testing.assert_allclose(kurt, scipy.stats.kurtosis(x, bias=False), rtol=1e-10)
    np.testing.assert_allclose(v.GeometricMean(), scipy.stats.gmean(x), rtol=1e-12)
    np.testing.assert_allclose(v.HarmonicMean(), scipy.stats.hmean(x), rtol=1e-12)
    mn, mx, imn, imx = v.MinMax()
    assert (mn, mx, imn, imx) == (x.min(), x.max(), x.argmin() + 1, x.argmax() + 1)
    y = np.roll(x, 7)
    np.testing.assert_allclose(v.PearsonCorrCoeff(ozmnum.TVector(y)), np.corrcoef(x, y)[0, 1],
                               rtol=1e-12)
    assert v.DotProduct(ozmnum.TVector(y)) == pytest.approx(x @ y, rel=1e-14)


def test_matrix_linear_algebra_against_numpy(rng):
    a = rng.normal(size=(6, 6)) + 6 * np.eye(6)
    b = rng.normal(size=(6, 4))
    ma, mb, mr = ozmnum.TMatrix(a), ozmnum.TMatrix(b), ozmnum.TMatrix()
    assert ma.Multiply(mb, mr)
    np.testing.assert_allclose(np.asarray(mr), a @ b, rtol=1e-13, atol=1e-13)
    assert ma.TransposeAndMultiply(mb, mr)
    np.testing.assert_allclose(np.asarray(mr), a.T @ b, rtol=1e-13, atol=1e-13)
    assert not mb.Multiply(ma, mr)  # 4 columns times 6 rows: mismatch
    np.testing.assert_allclose(ma.Determinant(), np.linalg.det(a), rtol=1e-12)
    np.testing.assert_allclose(ma.Norm(ozmnum.ntSpectral), np.linalg.norm(a, 2), rtol=1e-12)
    np.testing.assert_allclose(ma.Norm(ozmnum.ntFrobenius), np.linalg.norm(a), rtol=1e-14)
    sq = ozmnum.TMatrix()
    assert mb.Square(sq, 2.0, 2)
    np.testing.assert_allclose(np.asarray(sq), b.T @ b / 2.0, rtol=1e-13, atol=1e-13)
    inv = ozmnum.TMatrix(a)
    assert inv.Invert()
    np.testing.assert_allclose(np.asarray(inv), np.linalg.inv(a), rtol=1e-12, atol=1e-13)
    t = ozmnum.TMatrix(b)
    assert t.Transpose()
    np.testing.assert_array_equal(np.asarray(t), b.T)
    vres = ozmnum.TVector()
    assert ma.Multiply(ozmnum.TVector(b[:, 0]), vres)
    np.testing.assert_allclose(vres.Cells, a @ b[:, 0], rtol=1e-13, atol=1e-13)
    means = ozmnum.TVector()
    mb.MeanVec(ozmnum.dimColumns, means)
    np.testing.assert_allclose(means.Cells, b.mean(axis=0), rtol=1e-13, atol=1e-15)
