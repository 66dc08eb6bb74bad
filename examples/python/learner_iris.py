"""Leave-one-out accuracy of the memory-based learner on Fisher's iris flowers.

The four measurements (cm) of the 150 flowers are the independent columns of a TMemBasedLearner,
the species (1, 2, 3) its target. Every flower in turn is left out of the model and its species
estimated from its k nearest other flowers (standardised measures, Euclidean distance) by each
local model: the mean, the Gaussian-weighted mean and the regression give a number that is
rounded to the nearest species, the majority vote gives a species directly. Prints the accuracy
per local model and k, and the agreement of every flower's species with its five nearest
neighbours (CalcContingencyTable). Writes learner_iris.png (accuracy against k).
Run: PYTHONPATH=<build>/python/package python3 examples/python/learner_iris.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

raw = np.loadtxt(DATA / "iris.csv", delimiter=",", skiprows=1)
x, species = raw[:, :4], raw[:, 4].astype(int) + 1
n = len(x)
names = ["setosa", "versicolor", "virginica"]

learner = ozmnum.TMemBasedLearner()
learner.ModelName = "iris species"
table = learner.ModelData
table.Resize(5, n)
np.asarray(table.Data)[:] = np.column_stack([x, species])
table.Changed()  # the cells were written through the view
for col, name in enumerate(["sepal length", "sepal width", "petal length", "petal width", "species"], 1):
    table.SetColName(col, name)
    learner.SetVarType(col, ozmnum.mblVarIndep if col < 5 else ozmnum.mblVarTarget)
table.SetMScaleType(5, ozmnum.stNominal)
learner.ScalingMode = ozmnum.mblStandardized
learner.DistMode = ozmnum.mblDistEuclid

models = [ozmnum.mblLMAverage, ozmnum.mblLMWgtGauss, ozmnum.mblLMMajority, ozmnum.mblLMRegress]
labels = [ozmnum.membl.MBLLocalModelID[int(m)] for m in models]
ks = [1, 3, 5, 7, 10, 15, 20, 30]
sensors = np.column_stack([x, np.zeros(n)])
leave_out = np.arange(1, n + 1)  # flower i leaves out model row i
accuracy = np.zeros((len(models), len(ks)))
for i, model in enumerate(models):
    learner.LocalModel = model
    for j, k in enumerate(ks):
        learner.NumNearestNb = k
        codes, est = learner.ApplyModelArray(sensors, ExcludeObjs=leave_out)
        assert (codes == ozmnum.membl.kApplyOk).all()
        guess = np.clip(np.rint(est[:, 4]), 1, 3)
        accuracy[i, j] = np.mean(guess == species)

print(f"Leave-one-out accuracy over {n} flowers (standardised measures, Euclidean distance):")
print(f"  {'k':>18s}" + "".join(f"{k:7d}" for k in ks))
for label, row in zip(labels, accuracy):
    print(f"  {label:>18s}" + "".join(f"{a:7.3f}" for a in row))
best = np.unravel_index(accuracy.argmax(), accuracy.shape)
print(f"best: {labels[best[0]]} with k = {ks[best[1]]}, {accuracy[best]:.3f} "
      f"({int(round((1 - accuracy[best]) * n))} flowers wrong)")

code, tab = learner.CalcContingencyTable(5, 5)
print("\nspecies of each flower (rows) against those of its 5 nearest other flowers (columns):")
print(f"  {'':12s}" + "".join(f"{s:>12s}" for s in names + ["total"]))
for label, row in zip(names + ["total"], tab):
    print(f"  {label:12s}" + "".join(f"{v:12d}" for v in row))
print(f"neighbours of the same species: {np.trace(tab[:3, :3]) / tab[3, 3]:.3f}")

plt = pyplot()
if plt is not None:
    fig, ax = plt.subplots(figsize=(7, 4.2))
    for label, row, marker in zip(labels, accuracy, "osD^"):
        ax.plot(ks, row, marker=marker, label=label)
    ax.set_xlabel("k (neighbours)")
    ax.set_ylabel("leave-one-out accuracy")
    ax.set_title("Iris species by the memory-based learner")
    ax.legend()
    ax.grid(alpha=0.3)
    fig.tight_layout()
    path = output_dir() / "learner_iris.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
