"""A test report on the Nile flow at Aswan (1871-1970) before and after the dam of 1898.

The library's distributions give the p-values of Welch's t test, the F test of the variances
and the Mann-Whitney U test (normal approximation), its Shapiro-Wilk distribution the normality
of each period (W computed here by scipy when available), and its Durbin-Watson bounds judge the
serial correlation of the residuals of the step model. Writes test_report_nile.png.
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
se2 = v1 / n1 + v2 / n2
t = (m1 - m2) / np.sqrt(se2)
df = se2**2 / ((v1 / n1) ** 2 / (n1 - 1) + (v2 / n2) ** 2 / (n2 - 1))
p_t = 2 * ozmnum.tDistriIntegral(-abs(t), df)
print(f"Welch t = {t:.3f}, df = {df:.1f}, two-sided p = {p_t:.3g}")

# F test of equal variances.
f = v1 / v2
p_f = 2 * min(ozmnum.FDistriIntegral(f, n1 - 1, n2 - 1), 1 - ozmnum.FDistriIntegral(f, n1 - 1, n2 - 1))
print(f"F = {f:.3f} on ({n1 - 1}, {n2 - 1}) df, two-sided p = {p_f:.3g}")

# Mann-Whitney U: pairs in which the earlier period's value is the larger.
u = float(np.sum(before[:, None] > after[None, :]) + 0.5 * np.sum(before[:, None] == after[None, :]))
p_u = 2 * min(ozmnum.UDistriIntegral(u, n1, n2), 1 - ozmnum.UDistriIntegral(u - 1, n1, n2))
print(f"Mann-Whitney U = {u:.0f} ({'exact' if ozmnum.UDistriIsExact(n1, n2) else 'normal approximation'}), "
      f"two-sided p = {min(p_u, 1):.3g}")

try:
    import scipy.stats

    for name, x in (("1871-1898", before), ("1899-1970", after)):
        w, _ = scipy.stats.shapiro(x)
        print(f"Shapiro-Wilk {name}: W = {w:.4f}, p = {ozmnum.ShapiroWilkIntegral(w, len(x)):.3f}")
except ImportError:
    print("scipy is not installed: no Shapiro-Wilk W")

# Durbin-Watson statistic of the residuals about the two period means.
resid = np.where(years < 1899, flow - m1, flow - m2)
dw = np.sum(np.diff(resid) ** 2) / np.sum(resid**2)
ok, dl, du = ozmnum.DurbinWatsonCrit5pct(len(flow), 1)
verdict = "positive serial correlation" if dw < dl else ("inconclusive" if dw < du else "no serial correlation")
print(f"Durbin-Watson d = {dw:.3f}; 5 % bounds dL {dl:.3f}, dU {du:.3f}: {verdict}")

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
