"""Principal components of Fisher's iris measurements with TDataTable and CalcPrincComp.

The four measurements (cm) of 150 flowers go into a data table; the principal components of
their correlation matrix are computed by the library, the flowers projected onto the first two
components and plotted by species. Writes pca_iris.png.
Run: PYTHONPATH=<build>/python/package python3 examples/python/pca_iris.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

raw = np.loadtxt(DATA / "iris.csv", delimiter=",", skiprows=1)
species_names = ["setosa", "versicolor", "virginica"]
table = ozmnum.TDataTable(raw[:, :4])
for col, name in enumerate(["sepal length", "sepal width", "petal length", "petal width"], 1):
    table.SetColName(col, name)

# Principal components of the correlation matrix (the measurements in equal units of spread).
ok = ozmnum.CalcPrincComp(table.NumericData, 0, 0, 0, 0, ozmnum.kCovarCorrelation, True)
if not ok:
    raise SystemExit("CalcPrincComp failed")
share, loadings = ozmnum.GetEigenArrays()  # normalised eigenvalues, eigenvectors as columns
print("explained share of variance:", " ".join(f"{s:.3f}" for s in share))
for col in range(1, 5):
    print(f"  {table.GetColName(col):13s} loadings {loadings[col - 1, 0]:+.3f} {loadings[col - 1, 1]:+.3f}")

# Scores: the standardised measurements (a view of the table, standardised in place) times the
# loadings.
means, sds = ozmnum.TVector(), ozmnum.TVector()
means.NrOfElem = sds.NrOfElem = 4
table.NumericData.StandardizeColumns(means, sds)
scores = table.Data @ loadings[:, :2]

plt = pyplot()
if plt is not None:
    fig, ax = plt.subplots(figsize=(6.5, 5))
    for k, name in enumerate(species_names):
        sel = raw[:, 4] == k
        ax.scatter(scores[sel, 0], scores[sel, 1], s=14, label=name)
    ax.set_xlabel(f"component 1 ({100 * share[0]:.1f} %)")
    ax.set_ylabel(f"component 2 ({100 * share[1]:.1f} %)")
    ax.set_title("Fisher's iris, principal components")
    ax.legend()
    fig.tight_layout()
    path = output_dir() / "pca_iris.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
