"""Clusters of Fisher's iris measurements, compared with the species, and a two-class classifier.

The four measurements (cm) of 150 flowers are standardised and clustered by Ward's method
(AgglomClustering on squared Euclidean distances) and by k-means; the agreement of each
partition into three clusters with the species is the adjusted Rand index of their
cross-classification. Then petal length serves as the estimate of a classifier separating
virginica from versicolor: TCFEvaluator gives the ROC curve, its area and the thresholds that
maximise Matthews' correlation and accuracy. Writes cluster_iris.png (dendrogram and ROC curve).
Run: PYTHONPATH=<build>/python/package python3 examples/python/cluster_iris.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

raw = np.loadtxt(DATA / "iris.csv", delimiter=",", skiprows=1)
x, species = raw[:, :4], raw[:, 4].astype(int)
n = len(x)
data = ozmnum.TMatrix(x)
data.StandardizeColumns()


def with_totals(table):
    table = np.vstack([table, table.sum(axis=0)])
    return np.hstack([table, table.sum(axis=1, keepdims=True)])


def agreement(labels):
    """Adjusted Rand index of a partition (labels 1..k) against the species."""
    table = np.zeros((3, labels.max()), dtype=np.int32)
    np.add.at(table, (species, labels - 1), 1)
    return ozmnum.AdjustedRandIx(with_totals(table)), table


# Ward's method on squared Euclidean distances. Undoing the last two merges leaves three
# clusters; every flower belongs to the one its chain of merges reaches.
code, dendro, merge_dist, positions = ozmnum.AgglomClustering(data, ozmnum.dmSqrEuclidean, ozmnum.cmWard)
steps = np.asarray(dendro)
parent = {}
for first, second, new in steps:
    parent[first] = parent[second] = new
last = steps[-2:]
cluster_ids = sorted(int(c) for c in set(last[:, :2].ravel()) - set(last[:, 2]))  # the three roots
ward = np.empty(n, dtype=int)
for leaf in range(1, n + 1):
    node = leaf
    while node not in cluster_ids:
        node = parent[node]
    ward[leaf - 1] = cluster_ids.index(node) + 1
ari_ward, table_ward = agreement(ward)
print(f"Ward's method, 3 clusters: adjusted Rand index {ari_ward:.3f}")
print("  species x cluster:\n" + "\n".join("   " + " ".join(f"{v:4d}" for v in row) for row in table_ward))

ozmnum.SetRandSeed(2026)
within, centers, clust_ix, sizes = ozmnum.kMeansClustering(data, 3, Seed=2026)
ari_km, table_km = agreement(np.asarray(clust_ix).astype(int))
print(f"k-means, 3 clusters: within-cluster sum of squares {within:.2f}, sizes {list(np.asarray(sizes))}, "
      f"adjusted Rand index {ari_km:.3f}")

# Petal length as the estimate of "virginica" among the versicolor and virginica flowers.
two = species > 0
ev = ozmnum.TCFEvaluator()
ev.SetTrueDataArray(species[two].astype(float))
ev.SetEstimDataArray(x[two, 2])
code, roc, best, auc, t_mcc, t_acc, t_inf = ev.OptimizeThresholds()
ev.CalcConfusionMatrix(t_acc)
print(f"petal length separating virginica from versicolor: AUC {auc:.3f}; best accuracy "
      f"{ev.Accuracy():.3f} at {t_acc:.2f} cm, Matthews' correlation {ev.MatthewsCorr():.3f} "
      f"(best Matthews threshold {t_mcc:.2f} cm)")

plt = pyplot()
if plt is not None:
    fig, (ax1, ax2) = plt.subplots(1, 2, figsize=(11, 4.2), gridspec_kw={"width_ratios": [2, 1]})
    height = np.zeros(2 * n - 1)
    height[n:] = np.sqrt(merge_dist)  # the usual Ward heights
    for (first, second, new), h in zip(steps, height[n:]):
        for child in (first, second):
            ax1.plot([positions[child - 1]] * 2, [height[child - 1], h], color="0.3", lw=0.6)
        ax1.plot([positions[first - 1], positions[second - 1]], [h, h], color="0.3", lw=0.6)
    colours = np.array(["tab:blue", "tab:orange", "tab:green"])
    ax1.scatter(positions[:n], np.zeros(n), c=colours[species], s=8, zorder=3)
    ax1.set_xticks([])
    ax1.set_ylabel("Ward height")
    ax1.set_title(f"Ward's dendrogram (leaves by species), ARI {ari_ward:.2f}")
    ax2.plot(np.r_[0, roc[0]], np.r_[0, roc[1]], marker=".")  # from the threshold above all
    ax2.plot([0, 1], [0, 1], color="0.6", lw=0.8)
    ax2.set_xlabel("false positive rate")
    ax2.set_ylabel("true positive rate")
    ax2.set_title(f"virginica by petal length, AUC {auc:.3f}")
    fig.tight_layout()
    path = output_dir() / "cluster_iris.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
