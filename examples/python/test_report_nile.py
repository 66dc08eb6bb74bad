"""A test report on the Nile flow at Aswan (1871-1970) before and after the dam of 1898.

The library's tests give Welch's t test, Levene's test and the Mann-Whitney U test of the two
periods, Shapiro-Wilk and Lilliefors for the normality of each, the Durbin-Watson statistic and a
runs test for the serial correlation of the residuals of the step model; its F distribution
gives the F test of the variances and its Durbin-Watson bounds the verdict. Writes
test_report_nile.png.
Run: PYTHONPATH=<build>/python/package python3 examples/python/test_report_nile.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

flow = np.loadtxt(DATA / "nile_flow.txt")
years = np.arange(1871, 1871 + len(flow))
before, after = flow[years < 1899], flow[years >= 1899]


def describe(name, x):
    v = ozmnum.TVector(x)
    mean, var = v.MeanVar()
    q1, q2, q3 = v.Quartiles()
    skew, kurt = v.SkewKurtSample()
    print(f"{name:11s} n={len(x):3d} mean {mean:7.1f} sd {np.sqrt(var):6.1f} "
          f"quartiles {q1:6.1f} {q2:6.1f} {q3:6.1f} skewness {skew:+.2f} kurtosis {kurt:+.2f}")
    return mean, var


print("Nile flow at Aswan, 10^8 m^3 per year")
m1, v1 = describe("1871-1898", before)
m2, v2 = describe("1899-1970", after)
n1, n2 = len(before), len(after)

# Welch's t test.
p_t, t, df = ozmnum.Perform2SampleTTest(before, after, False)
print(f"Welch t = {t:.3f}, df = {df:.1f}, two-sided p = {p_t:.3g}")

# F test of equal variances, and Levene's test, which does not lean on normality.
f = v1 / v2
p_f = 2 * min(ozmnum.FDistriIntegral(f, n1 - 1, n2 - 1), 1 - ozmnum.FDistriIntegral(f, n1 - 1, n2 - 1))
print(f"F = {f:.3f} on ({n1 - 1}, {n2 - 1}) df, two-sided p = {p_f:.3g}")
period = (years >= 1899).astype(np.int32) + 1
p_lev, f_lev = ozmnum.LeveneTest(flow, period)
print(f"Levene F = {f_lev:.3f}, p = {p_lev:.3g}")

# Mann-Whitney U: pairs in which the earlier period's value is the larger.
p_u, u, z = ozmnum.PerformMannWhitneyUTest(before, after)
print(f"Mann-Whitney U = {u:.0f} ({'exact' if z == 0 else f'normal approximation, z = {z:.2f}'}), "
      f"two-sided p = {p_u:.3g}")

for name, x in (("1871-1898", before), ("1899-1970", after)):
    p_w, w = ozmnum.ShapiroWilkTest(x)
    lillie = ozmnum.PerformLillieforsTest(x)
    print(f"Shapiro-Wilk {name}: W = {w:.4f}, p = {p_w:.3f}; Lilliefors D = {lillie:.3f}, "
          f"p = {ozmnum.LillieforsPValue(len(x), lillie):.3f}")

# Durbin-Watson statistic of the residuals about the two period means.
resid = np.where(years < 1899, flow - m1, flow - m2)
dw = ozmnum.DurbinWatson(resid)
ok, dl, du = ozmnum.DurbinWatsonCrit5pct(len(flow), 1)
verdict = "positive serial correlation" if dw < dl else ("inconclusive" if dw < du else "no serial correlation")
print(f"Durbin-Watson d = {dw:.3f}; 5 % bounds dL {dl:.3f}, dU {du:.3f}: {verdict}")
sig, p_runs = ozmnum.RunsTestSerial(resid)
print(f"runs above and below the median of the residuals: p = {p_runs:.3g}")

plt = pyplot()
if plt is not None:
    fig, ax = plt.subplots(figsize=(8, 4))
    ax.plot(years, flow, marker=".", lw=0.8)
    ax.hlines([m1, m2], [1871, 1899], [1898, 1970], colors="tab:red", label="period means")
    ax.set_xlabel("year")
    ax.set_ylabel("flow (10$^8$ m$^3$)")
    ax.set_title(f"Nile at Aswan: Welch p = {p_t:.2g}")
    ax.legend()
    fig.tight_layout()
    path = output_dir() / "test_report_nile.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
