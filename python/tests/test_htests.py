"""Hypothesis tests and TRandGen against scipy on the same data."""
import numpy as np
import pytest
import scipy.special
import scipy.stats as ss

import ozmnum

TIGHT = dict(rel=1e-10, abs=1e-12)


def with_totals(t):
    t = np.asarray(t)
    t = np.vstack([t, t.sum(axis=0)])
    return np.hstack([t, t.sum(axis=1, keepdims=True)])


def test_group_and_two_sample_tests(rng):
    groups = [rng.normal(0, 1, 12), rng.normal(0.5, 2, 9), rng.normal(-0.3, 0.5, 15)]
    data = np.concatenate(groups)
    labels = np.concatenate([np.full(len(g), k + 7) for k, g in enumerate(groups)])

    p, f = ozmnum.LeveneTest(data, labels)
    ref = ss.levene(*groups, center="mean")
    assert (f, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10)

    p, ssb, ssw, sst, dfb, dfw, dft, f = ozmnum.Anova1F(ozmnum.TVector(data), ozmnum.TIntVector(labels))
    ref = ss.f_oneway(*groups)
    assert (f, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10)
    assert (dfb, dfw, dft) == (2, len(data) - 3, len(data) - 1)
    assert ssb + ssw == pytest.approx(sst, rel=1e-12)
    assert ozmnum.Anova1F(data, labels[:-1])[0] == -4  # lengths differ

    a, b = groups[0], groups[1]
    for equal in (True, False):
        p, t, df = ozmnum.Perform2SampleTTest(a, b, equal)
        ref = ss.ttest_ind(a, b, equal_var=equal)
        assert (t, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10)
    assert ozmnum.Perform2SampleTTest(a[:1], b, True)[0] == -1

    # Mann-Whitney: exact without ties, normal approximation with tie and continuity correction.
    p, u, z = ozmnum.PerformMannWhitneyUTest(a, b)
    ref = ss.mannwhitneyu(a, b, alternative="two-sided", method="exact")
    assert (u, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10) and z == 0
    ta, tb = np.round(rng.normal(0, 1, 30)), np.round(rng.normal(0.6, 1, 25))
    p, u, z = ozmnum.PerformMannWhitneyUTest(ta, tb)
    ref = ss.mannwhitneyu(ta, tb, alternative="two-sided", method="asymptotic", use_continuity=True)
    assert (u, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10) and z != 0

    # Friedman: blocks are rows (numpy rows), treatments columns.
    blocks = np.round(rng.normal(size=(10, 4)) + [0, 0.3, 0.8, 0.1], 1)  # with ties
    p, chi2 = ozmnum.FriedmanTest(blocks)
    ref = ss.friedmanchisquare(*blocks.T)
    assert (chi2, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10)
    assert ozmnum.FriedmanTest(blocks[:, :2])[0] == -1


def test_normality_outliers_runs(rng):
    x = rng.gamma(4.0, size=80)
    p, w = ozmnum.ShapiroWilkTest(x)
    ref = ss.shapiro(x)
    # Both are Royston's algorithm; scipy computes in single precision.
    assert w == pytest.approx(ref.statistic, rel=1e-6) and p == pytest.approx(ref.pvalue, rel=1e-3)
    assert ozmnum.ShapiroWilkTest(np.ones(10))[0] == -3
    assert ozmnum.ShapiroWilkTest(x[:2])[0] == -1

    y = rng.normal(size=40)
    keep = y.copy()
    assert ozmnum.PerformKSNormalityTest(y) == pytest.approx(ss.kstest(y, "norm").statistic, **TIGHT)
    np.testing.assert_array_equal(y, keep)  # a numpy array is copied in
    v = ozmnum.TVector(y)
    d = ozmnum.PerformLillieforsTest(v)
    z = (y - y.mean()) / y.std(ddof=1)
    assert d == pytest.approx(ss.kstest(z, "norm").statistic, **TIGHT)
    np.testing.assert_allclose(np.asarray(v), np.sort(z), rtol=1e-12, atol=1e-14)  # a TVector changes

    out = np.append(rng.normal(size=20), 9.0)
    ix, g = ozmnum.GrubbsTest(out, 0.05)
    assert ix == 21 and g == pytest.approx(np.max(np.abs(out - out.mean())) / out.std(ddof=1), **TIGHT)
    assert ozmnum.GrubbsTest(out[:-1], 0.05)[0] == 0
    with pytest.raises(ozmnum.EOZMStatisError, match="GrubbsTest: number of data points is too low"):
        ozmnum.GrubbsTest([1.0, 2.0, 3.0], 0.05)
    ix, q = ozmnum.DeanDixonTest([0.189, 0.167, 0.187, 0.183, 0.186, 0.182, 0.181, 0.184, 0.181, 0.177],
                                 ozmnum.TSignifLevelEx.Dot050)
    assert ix == 2 and q == pytest.approx((0.177 - 0.167) / (0.187 - 0.167), **TIGHT)  # r11

    grid = np.linspace(-6, 6, 1201)
    np.testing.assert_allclose(ozmnum.ErfApprox(grid), scipy.special.erf(grid), rtol=0, atol=1.2e-7)

    e = rng.normal(size=50)
    assert ozmnum.DurbinWatson(e) == pytest.approx(np.sum(np.diff(e) ** 2) / np.sum(e**2), **TIGHT)

    # Runs test: twice the smaller exact tail of the number of runs.
    bits = np.array([1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1], dtype=bool)
    runs = 1 + np.count_nonzero(bits[1:] != bits[:-1])
    n1, n2 = np.count_nonzero(bits), np.count_nonzero(~bits)
    low = ozmnum.ExactRunsTest(n1, n2, runs)
    high = 1 - ozmnum.ExactRunsTest(n1, n2, runs - 1)
    sig, p = ozmnum.RunsTest(bits)
    assert p == pytest.approx(min(1.0, 2 * min(low, high)), **TIGHT) and sig == (p < 0.05)
    assert ozmnum.RunsTest(np.arange(30) % 2 == 0)[0]  # alternating: too many runs

    data = rng.normal(size=101)
    for prob in (0, 12.5, 50, 99, 100):
        code, pct = ozmnum.PercentileOfArray(data, prob)
        k = min(100, int(np.round(prob * 101 / 100)))
        assert code == 0 and pct == np.sort(data)[k]
    assert ozmnum.PercentileOfArray(data, 120)[0] == -2


def test_contingency_tables_against_scipy(rng):
    t = rng.integers(0, 30, size=(3, 4))
    code, chi2, p = ozmnum.Chi2OfContTab(with_totals(t))
    ref = ss.chi2_contingency(t, correction=False)
    assert code == 0 and (chi2, p) == pytest.approx(ref[:2], rel=1e-10)
    # An empty row takes no part (nor in the degrees of freedom).
    code, chi2e, pe = ozmnum.Chi2OfContTab(with_totals(np.vstack([t, np.zeros(4, int)])))
    assert (chi2e, pe) == pytest.approx((chi2, p), rel=1e-12)

    t2 = np.array([[12, 5], [3, 11]])
    code, chi2, p = ozmnum.Chi2OfContTabYates(with_totals(t2))
    ref = ss.chi2_contingency(t2, correction=True)
    assert code == 0 and (chi2, p) == pytest.approx(ref[:2], rel=1e-10)
    code, lo, hi, two = ozmnum.FisherExactTest(t2)
    assert code == 0
    for got, alt in ((lo, "less"), (hi, "greater"), (two, "two-sided")):
        assert got == pytest.approx(ss.fisher_exact(t2, alternative=alt)[1], rel=1e-10)
    code, p = ozmnum.Prob2x2Contingency(t2)
    assert p == pytest.approx(ss.hypergeom(31, 17, 15).pmf(12), rel=1e-10)
    assert ozmnum.FisherExactTest([[1, -1], [2, 3]])[0] == -3

    # Adjusted Rand index of two labelings from their cross-classification.
    la, lb = rng.integers(0, 3, 60), rng.integers(0, 4, 60)
    ct = np.zeros((3, 4), int)
    np.add.at(ct, (la, lb), 1)
    comb = lambda n: n * (n - 1) / 2  # noqa: E731
    index = comb(ct).sum()
    expected = comb(ct.sum(1)).sum() * comb(ct.sum(0)).sum() / comb(60)
    ari = (index - expected) / ((comb(ct.sum(1)).sum() + comb(ct.sum(0)).sum()) / 2 - expected)
    assert ozmnum.AdjustedRandIx(with_totals(ct)) == pytest.approx(ari, **TIGHT)

    obs = np.array([18, 22, 27, 19, 14])
    exp = np.array([20, 20, 20, 20, 20])
    code, chi2, p, df, n1, n2 = ozmnum.PerformChi2DistComp(obs, exp)
    ref = ss.chisquare(obs, exp * obs.sum() / exp.sum())
    assert code == 0 and df == 4 and (n1, n2) == (100, 100)
    assert (chi2, p) == pytest.approx((ref.statistic, ref.pvalue), rel=1e-10)
    assert ozmnum.PerformChi2DistComp(obs, exp[:4])[0] == -1


def test_randgen_table_distribution_and_seed():
    g = ozmnum.TRandGen()
    g.LowBorder, g.HighBorder = -4.0, 4.0
    g.Resolution = 800
    assert g.Resolution == 800
    g.NormalDistri(0.0, 1.0)
    assert g.Standardize()
    half = (g.HighBorder - g.LowBorder) / (2 * g.Resolution)
    assert all(g.IndexOfLambda(g.GetLambda(i) + half) == i for i in (1, 2, 400, 799, 800))
    assert g.IndexOfLambda(4.0) == 801 and g.IndexOfLambda(-4.5) == 0
    assert g.GetProbability(0) == 0 and g.GetProbability(801) == 0
    g.SetProbability(3, 7.0)
    assert g.GetProbability(3) == 1.0  # clamped into [0, 1]
    g.NormalDistri(0.0, 1.0)
    g.Standardize()
    ozmnum.SetRandSeed(12345)
    assert ozmnum.GetRandSeed() == 12345
    x = g.Random(20000)
    ozmnum.SetRandSeed(12345)
    np.testing.assert_array_equal(x, g.Random(20000))  # reproducible after seeding
    assert isinstance(g.Random(), float)
    # The draws follow the (truncated) normal table: a fixed sample, so the test is stable.
    assert ss.kstest(x, ss.truncnorm(-4, 4).cdf).pvalue > 1e-3
    assert abs(x.mean()) < 4 / np.sqrt(len(x)) and x.std() == pytest.approx(1.0, rel=0.02)
    assert x.min() >= -4 and x.max() <= 4
    with pytest.raises(ValueError):
        g.Random(-1)
