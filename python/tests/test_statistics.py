"""Distributions, critical values, SVD, PCA and regression against scipy and numpy."""
import itertools

import numpy as np
import pytest
import scipy.stats

import ozmnum

# The distributions promise a relative error of about 1e-14; scipy's own (Boost/cephes) are good
# to a few 1e-15 here, so they agree to 1e-12 with room for both.
REL = 1e-12


def test_continuous_distributions_broadcast():
    x = np.linspace(0.05, 30.0, 60)
    for df in (0.7, 1.0, 3.5, 12.0, 150.0):
        np.testing.assert_allclose(ozmnum.chi2DistriIntegral(x, df), scipy.stats.chi2.cdf(x, df), rtol=REL)
        np.testing.assert_allclose(ozmnum.Chi2DistriDensity(x, df), scipy.stats.chi2.pdf(x, df), rtol=REL)
        np.testing.assert_allclose(ozmnum.FDistriIntegral(x, df, 7.0), scipy.stats.f.cdf(x, df, 7.0), rtol=REL)
        t = x - 15.0
        np.testing.assert_allclose(ozmnum.tDistriIntegral(t, df), scipy.stats.t.cdf(t, df), rtol=1e-11)
    # Quantiles are checked through scipy's distribution functions, which are accurate to a few
    # ulps; scipy's own quantiles are not (t.ppf(0.025, 9) is off by 2.5e-11 relative, f.ppf(1e-10,
    # 3, 20) by 5.5e-8, against 40-digit mpmath roots that the library matches to 1e-16).
    p = np.array([1e-10, 1e-3, 0.025, 0.3, 0.9, 0.999])
    np.testing.assert_allclose(scipy.stats.t.cdf(ozmnum.tDistriQuantile(p, 9.0), 9.0), p, rtol=1e-13)
    np.testing.assert_allclose(scipy.stats.chi2.cdf(ozmnum.chi2DistriQuantile(p, 4.0), 4.0), p, rtol=1e-13)
    np.testing.assert_allclose(scipy.stats.f.cdf(ozmnum.FDistriQuantile(p, 3.0, 20.0), 3.0, 20.0), p,
                               rtol=1e-13)
    np.testing.assert_allclose(scipy.stats.norm.cdf(ozmnum.nDistriQuantile(p)), p, rtol=1e-8)
    assert ozmnum.tDistriQuantile(0.025, 9.0) == pytest.approx(-2.262157162798205542607769637943, rel=4e-16)
    # Broadcasting as numpy ufuncs do: a column of x against a row of df.
    grid = ozmnum.chi2DistriIntegral(x[:, None], np.array([1.0, 2.0, 5.0])[None, :])
    assert grid.shape == (60, 3)
    assert np.isnan(ozmnum.chi2DistriIntegral(1.0, -1.0))


def test_discrete_distributions():
    k = np.arange(0, 41)
    np.testing.assert_allclose(ozmnum.BinomDistriDensity(0.3, 40, k), scipy.stats.binom.pmf(k, 40, 0.3),
                               rtol=1e-12, atol=1e-300)
    np.testing.assert_allclose(ozmnum.BinomDistriIntegral(0.3, 40, k), scipy.stats.binom.cdf(k, 40, 0.3),
                               rtol=1e-12)
    assert ozmnum.BinomDistriQuantile(0.3, 40, 0.5) == scipy.stats.binom.ppf(0.5, 40, 0.3)
    # Mann-Whitney U by enumerating every arrangement of 4 + 5 ranks.
    n1, n2 = 4, 5
    counts = np.zeros(n1 * n2 + 1)
    for first in itertools.combinations(range(n1 + n2), n1):
        u = sum(sum(1 for j in range(n1 + n2) if j not in first and j < i) for i in first)
        counts[u] += 1
    cdf = np.cumsum(counts) / counts.sum()
    assert ozmnum.UDistriIsExact(n1, n2)
    np.testing.assert_allclose([ozmnum.UDistriIntegral(u, n1, n2) for u in range(n1 * n2 + 1)], cdf, rtol=1e-14)


def test_critical_values_and_tests(data_dir):
    for n, d in [(5, 0.3), (20, 0.1), (60, 0.25)]:
        np.testing.assert_allclose(ozmnum.KSPValue(n, d), scipy.stats.kstwo.sf(d, n), rtol=1e-8)
    x = np.loadtxt(data_dir / "nile_flow.txt")
    w, p = scipy.stats.shapiro(x)
    # scipy's swilk works in single precision.
    np.testing.assert_allclose(ozmnum.ShapiroWilkIntegral(w, len(x)), p, rtol=1e-4)
    ok, dl, du = ozmnum.DurbinWatsonCrit5pct(50, 2)
    assert ok and 0 < dl < du < 2
    assert ozmnum.DeanDixonCriticalValues(2, ozmnum.TSignifLevelEx.Dot050) == -1


def test_svd_least_squares_pca_regression(rng):
    a = rng.normal(size=(30, 4))
    A = ozmnum.TMatrix(a)
    U, W, V = ozmnum.TMatrix(), ozmnum.TVector(), ozmnum.TMatrix()
    assert ozmnum.SingValDecomp(A, U, W, V)
    np.testing.assert_allclose(W.Cells, np.linalg.svd(a, compute_uv=False), rtol=1e-13)
    np.testing.assert_allclose(np.asarray(U) * W.Cells @ np.asarray(V).T, a, atol=1e-13)

    b = rng.normal(size=30)
    x, sd = ozmnum.TVector(), ozmnum.TVector()
    ok, near = ozmnum.SolveLeastSquaresSVD(ozmnum.TMatrix(a), ozmnum.TVector(b), x, sd)
    assert ok and not near
    np.testing.assert_allclose(x.Cells, np.linalg.lstsq(a, b, rcond=None)[0], rtol=1e-12, atol=1e-14)

    ok, res = ozmnum.MultiLinReg(A, ozmnum.TVector(b))
    design = np.column_stack([np.ones(30), a])
    coef, rss, *_ = np.linalg.lstsq(design, b, rcond=None)
    assert ok and res.Rank == 5 and res.DFResid == 25
    np.testing.assert_allclose(res.Coeffs, coef, rtol=1e-11, atol=1e-13)
    np.testing.assert_allclose(res.RSS, rss[0], rtol=1e-12)

    data = rng.normal(size=(200, 3)) @ np.array([[3.0, 0, 0], [1.0, 1.0, 0], [0.5, 0.2, 0.3]])
    assert ozmnum.CalcPrincComp(ozmnum.TMatrix(data), 0, 0, 0, 0, ozmnum.kCovarCovariance, False)
    values, vectors = ozmnum.GetEigenArrays()
    ref_vals, ref_vecs = np.linalg.eigh(np.cov(data, rowvar=False))
    np.testing.assert_allclose(values, ref_vals[::-1], rtol=1e-11)
    # Eigenvectors agree up to sign.
    np.testing.assert_allclose(np.abs(vectors.T @ ref_vecs[:, ::-1]), np.eye(3), atol=1e-9)
