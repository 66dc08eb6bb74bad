"""Filters, kernels, TCurveFit and polygons against numpy and scipy on the same data."""
import numpy as np
import pytest
import scipy.interpolate
import scipy.ndimage
import scipy.signal
import scipy.spatial
import scipy.stats

import ozmnum


def engel(data_dir):
    xy = np.loadtxt(data_dir / "engel_food.asc", skiprows=5)
    return xy[:, 0], xy[:, 1]


def test_window_filters_interior(data_dir):
    x = np.loadtxt(data_dir / "nile_flow.txt")
    src, dst = ozmnum.TVector(x), ozmnum.TVector(np.zeros_like(x))
    h = 3
    ozmnum.MovingAverageSmooth(src, 0, 0, 2 * h + 1, dst)
    inner = np.convolve(x, np.ones(2 * h + 1) / (2 * h + 1), mode="valid")
    np.testing.assert_allclose(dst.Cells[h : len(x) - h], inner, rtol=1e-13)
    ozmnum.MovingMedianSmooth(src, 0, 0, 2 * h + 1, dst)
    np.testing.assert_array_equal(dst.Cells[h : len(x) - h],
                                  scipy.signal.medfilt(x, 2 * h + 1)[h : len(x) - h])
    ozmnum.PolynomialSmooth(src, 0, 0, 2 * h + 1, dst)
    sg = scipy.signal.savgol_filter(x, 2 * h + 1, 2)
    np.testing.assert_allclose(dst.Cells[h : len(x) - h], sg[h : len(x) - h], rtol=1e-12)
    ozmnum.FirstDeriv(src, 0, 0, 2 * h + 1, dst)
    d1 = scipy.signal.savgol_filter(x, 2 * h + 1, 1, deriv=1)
    np.testing.assert_allclose(dst.Cells[h : len(x) - h], d1[h : len(x) - h], rtol=1e-11, atol=1e-11)


def test_sinc_kernels_response():
    m, fc = 101, 0.1
    lp = ozmnum.CalcSincLPKernel(m, fc, 2)
    assert lp.shape == (m,)
    np.testing.assert_allclose(lp.sum(), 1.0, rtol=1e-14)
    np.testing.assert_allclose(lp, lp[::-1], atol=1e-17)
    freq, resp = scipy.signal.freqz(lp, worN=2048, fs=1.0)
    gain = np.abs(resp)
    assert np.all(np.abs(gain[freq < 0.07] - 1) < 2e-3)
    assert np.all(gain[freq > 0.13] < 2e-3)
    hp = ozmnum.CalcSincHPKernel(m, fc, 2)
    np.testing.assert_allclose(hp + lp, np.eye(1, m, m // 2)[0], atol=1e-16)


def test_butterworth_design_and_zero_phase_filter(rng):
    a0, coeffs = ozmnum.CalcChebFilterCoeffs(4, False, 0.1, 0.0)
    c = np.asarray(coeffs)  # rows: poles, columns: a_k, b_k
    assert c.shape == (4, 2)
    b = np.concatenate(([a0], c[:, 0]))
    a = np.concatenate(([1.0], -c[:, 1]))
    ref_b, ref_a = scipy.signal.butter(4, 0.2)
    _, h = scipy.signal.freqz(b, a, worN=512)
    _, href = scipy.signal.freqz(ref_b, ref_a, worN=512)
    np.testing.assert_allclose(np.abs(h), np.abs(href), atol=1e-10)
    x = rng.normal(size=300)
    src, dst = ozmnum.TVector(x), ozmnum.TVector(np.zeros(300))
    ozmnum.ChebychevFilter(src, 0, 0, dst, a0, coeffs)
    # Forward over the signal and 5 (poles + 1) zeros after it, then backward from there.
    fwd = scipy.signal.lfilter(b, a, np.concatenate((x, np.zeros(5))))
    both = scipy.signal.lfilter(b, a, fwd[::-1])[::-1][:300]
    np.testing.assert_allclose(dst.Cells, both, rtol=1e-10, atol=1e-12)


def test_kernel_convolve_against_ndimage(rng):
    img = rng.normal(size=(23, 31))
    k = rng.normal(size=(5, 5))
    calls = []
    code, out = ozmnum.KernelConvolve(k, img, lambda sender, p: calls.append(p))
    assert code == 0 and sender_is_none(calls)
    np.testing.assert_allclose(out, scipy.ndimage.correlate(img, k, mode="nearest"), rtol=1e-13,
                               atol=1e-13)
    code, out = ozmnum.KernelConvolve(np.ones((4, 4)), img)
    assert code == -2 and out is None


def sender_is_none(calls):
    return len(calls) > 0 and calls == list(range(1, len(calls) + 1))


def test_curvefit_on_engel(data_dir):
    x, y = engel(data_dir)
    fit = ozmnum.TCurveFit()
    assert fit.EnterStatValues(x, y) == len(x) == fit.NumData
    k, d, q = fit.CalcLinFit()
    lr = scipy.stats.linregress(x, y)
    np.testing.assert_allclose([k, d, q], [lr.slope, lr.intercept, lr.rvalue**2], rtol=1e-11)
    k0, k1, k2, _ = fit.CalcParabolFit()
    np.testing.assert_allclose([k2, k1, k0], np.polyfit(x, y, 2), rtol=1e-9)
    ok, a, b, _ = fit.CalcPowerFit()
    bb, la = np.polyfit(np.log(x), np.log(y), 1)
    assert ok
    np.testing.assert_allclose([a, b], [np.exp(la), bb], rtol=1e-10)
    tau, _ = fit.KendallsTau()
    np.testing.assert_allclose(tau, scipy.stats.kendalltau(x, y).correlation, rtol=1e-12)
    np.testing.assert_allclose(fit.Spearman, scipy.stats.spearmanr(x, y).correlation, rtol=1e-12)
    np.testing.assert_allclose(fit.Rxy, np.corrcoef(x, y)[0, 1], rtol=1e-12)
    np.testing.assert_allclose(fit.StdDevY, y.std(ddof=1), rtol=1e-12)
    assert fit.ErrIndic == set()
    ok, *_ = ozmnum.TCurveFit().CalcLogFit()
    assert not ok


def test_curvefit_import_and_spline(data_dir):
    fit = ozmnum.TCurveFit()
    assert fit.ImportASC(str(data_dir / "engel_food.asc")) == 0
    x, y = engel(data_dir)
    assert fit.NumData == len(x)
    order = np.argsort(x)
    xs, first = np.unique(x[order], return_index=True)
    xs, ys = xs[:40], y[order][first][:40]
    sub = ozmnum.TCurveFit()
    sub.EnterStatValues(xs, ys)
    spline = scipy.interpolate.CubicSpline(xs, ys, bc_type="natural")
    at = np.linspace(xs[0], xs[-1], 97)
    np.testing.assert_allclose([sub.CubicSpline(t) for t in at], spline(at), rtol=1e-10, atol=1e-9)


def test_polygons(rng):
    pts = rng.normal(size=(200, 2))
    hull = ozmnum.Convex2DHull(pts)
    ref = scipy.spatial.ConvexHull(pts)
    assert {tuple(p) for p in hull} == {tuple(p) for p in pts[ref.vertices]}
    area, crossings = ozmnum.PolygonArea(hull)
    np.testing.assert_allclose(area, ref.volume, rtol=1e-13)  # counter-clockwise: positive
    assert crossings == 0
    np.testing.assert_allclose(ozmnum.PolygonLength(hull, True), ref.area, rtol=1e-13)
    inside = [ozmnum.PointIsInsideConvexHull(px, py, hull) for px, py in pts]
    assert sum(inside) == len(pts) - len(hull)
    bow = np.array([[0, 0], [1, 1], [1, 0], [0, 1]], dtype=float)
    assert ozmnum.PolygonArea(bow)[1] == 1
    square = np.array([[0, 0], [2, 0], [2, 2], [0, 2]], dtype=float)
    assert ozmnum.PointIsInsidePolygon(1, 1, square) and not ozmnum.PointIsInsidePolygon(3, 1, square)
    assert ozmnum.DistanceToPolygon(3, 1, square, True) == 1.0
    diff = ozmnum.ConvertToDiffPolygon(square, 0)
    np.testing.assert_array_equal(ozmnum.ConvertFromDiffPolygon(0, 0, diff), square)
    # Great circle against the haversine formula.
    lon1, lat1, lon2, lat2 = 16.37, 48.21, -74.0, 40.71
    p1, p2, dl = np.radians(lat1), np.radians(lat2), np.radians(lon2 - lon1)
    hav = 2 * np.arcsin(np.sqrt(np.sin((p2 - p1) / 2) ** 2 + np.cos(p1) * np.cos(p2) * np.sin(dl / 2) ** 2))
    np.testing.assert_allclose(ozmnum.SphereGreatCircleDist(lon1, lat1, lon2, lat2, 6371.0),
                               6371.0 * hav, rtol=1e-12)
    with pytest.raises(ValueError):
        ozmnum.PolygonArea(np.zeros((3, 3)))
    # Pixel outlines stay integer; a repeated vertex and the inner points of straight runs go,
    # a turn back is kept.
    outline = np.array([[0, 0], [0, 0], [3, 0], [6, 0], [6, 4], [6, 2], [9, 2]])
    reduced = ozmnum.ReducePolygon(outline)
    assert reduced.dtype == np.int32
    np.testing.assert_array_equal(reduced, [[0, 0], [6, 0], [6, 4], [6, 2], [9, 2]])
    np.testing.assert_array_equal(ozmnum.ReducePolygon(outline.astype(float)), reduced)


def test_open_arrays(rng):
    x = rng.normal(size=101)
    code, mn, mx = ozmnum.MinMaxArray(x[::2])  # a strided view is copied to contiguous first
    assert (code, mn, mx) == (0, x[::2].min(), x[::2].max())
    code, mean, var = ozmnum.MeanVarArray(x)
    assert code == 0
    np.testing.assert_allclose([mean, var], [x.mean(), x.var(ddof=1)], rtol=1e-13)
    m = rng.normal(size=(4, 6))
    code, mean, var = ozmnum.MeanVarArray(m)
    np.testing.assert_allclose([mean, var], [m.mean(), m.var(ddof=1)], rtol=1e-13)
    a, b = rng.normal(size=(3, 5)), rng.normal(size=(5, 2))
    code, c = ozmnum.MultiplyArrays(a, b)
    assert code == 0
    np.testing.assert_allclose(c, a @ b, rtol=1e-13, atol=1e-14)
    assert ozmnum.MultiplyArrays(b, b) == (-2, None)
    sq = rng.normal(size=(5, 5)) + 5 * np.eye(5)
    code, inv = ozmnum.InvertArray(sq)
    np.testing.assert_allclose(inv, np.linalg.inv(sq), rtol=1e-12, atol=1e-13)
    X = rng.normal(size=(20, 3))
    code, H = ozmnum.CalcHatMatrix(X)
    np.testing.assert_allclose(H, X @ np.linalg.inv(X.T @ X) @ X.T, rtol=1e-10, atol=1e-12)
    assert ozmnum.PercentileArray(50, np.arange(10.0)) == 5.0
    code, dist, below, above, maxc = ozmnum.FrequDistOfArray(x, 0, 100, -2.0, 1.5, 0.5)
    ref, _ = np.histogram(x, bins=np.arange(-2.0, 2.01, 0.5))
    np.testing.assert_array_equal(dist, ref)
    assert below == np.sum(x < -2.0) and above == np.sum(x >= 2.0)
