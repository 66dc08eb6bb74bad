"""Engel's food expenditure against income (235 Belgian households, 1857) with TCurveFit.

Fits a straight line, a power law and a smoothing spline; prints the fits and the rank
correlations and writes curve_fit_engel.png.
Run: PYTHONPATH=<build>/python/package python3 examples/python/curve_fit_engel.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

fit = ozmnum.TCurveFit()
code = fit.ImportASC(str(DATA / "engel_food.asc"))
if code != 0:
    raise SystemExit(f"ImportASC failed with code {code}")
x = np.array([fit.GetDataX(i) for i in range(1, fit.NumData + 1)])
y = np.array([fit.GetDataY(i) for i in range(1, fit.NumData + 1)])

k, d, r2 = fit.CalcLinFit()
ok, a, b, r2pow = fit.CalcPowerFit()
tau, p_tau = fit.KendallsTau()
print(f"{fit.NumData} households, income {fit.MinX:.0f}..{fit.MaxX:.0f} francs")
print(f"line:  food = {k:.4f} income + {d:.2f}   (R^2 {r2:.4f})")
print(f"power: food = {a:.4f} income^{b:.4f}      (R^2 of the logs {r2pow:.4f})")
print(f"Pearson r {fit.Rxy:.4f}, Spearman {fit.Spearman:.4f}, Kendall tau {tau:.4f} (p {p_tau:.2g})")

# The weight p of the fit against the curvature penalty depends on the units: incomes in
# thousands of francs make the curvature integral small, so p must be small to smooth.
fit.SplineSmoothing = 1e-8
grid = np.linspace(fit.MinX, fit.MaxX, 300)
spline = np.array([fit.SmoothedSpline(t) for t in grid])
print(f"smoothing spline (p = {fit.SplineSmoothing}): R^2 {fit.SplineFitQuality:.4f}")

plt = pyplot()
if plt is not None:
    fig, ax = plt.subplots(figsize=(7, 5))
    ax.scatter(x, y, s=9, alpha=0.6, label="households")
    ax.plot(grid, k * grid + d, label=f"line, R$^2$ {r2:.3f}")
    ax.plot(grid, a * grid**b, label=f"power law, exponent {b:.3f}")
    ax.plot(grid, spline, label="smoothing spline")
    ax.set_xlabel("yearly income (Belgian francs)")
    ax.set_ylabel("yearly food expenditure (Belgian francs)")
    ax.set_title("Engel (1857)")
    ax.legend()
    fig.tight_layout()
    path = output_dir() / "curve_fit_engel.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
