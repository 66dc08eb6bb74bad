#!/usr/bin/python3
"""Reference values for the memory-based learner tests.

Writes tests/data/membl/knn_refs.txt and tests/data/membl/iris_refs.txt (records "key: v1 v2 ...",
grouped into cases that start with "case:"). Run with Debian's interpreter (python3-numpy,
python3-sklearn):

    /usr/bin/python3 scripts/gen_membl_refs.py

How each value is obtained:
- knn_refs.txt: a model of 300 random objects with seven columns: four independent measures of
  very different scales (columns 1, 3, 5, 7), an ignored column (2), a continuous target (4) and
  a class target 1..3 (6, the terciles of the continuous target, whose standard deviation stays
  below 1 so that the majority vote's "within one standard deviation" means "the same class"),
  and 20 query objects. For the distances Euclidean and Manhattan, raw and standardised columns
  ((x - mean) / sd with the sample standard deviation, ddof=1, of the model column), and
  k = 1, 5, 12:
  * neighbour rows and distances: sklearn.neighbors.NearestNeighbors(algorithm="ball_tree"),
    whose tree computes every distance directly (no |x|^2 - 2xy + |y|^2 shortcut), 100
    neighbours of the first three queries;
  * mean estimates: sklearn KNeighborsRegressor(weights="uniform") of both targets;
  * class votes: sklearn KNeighborsClassifier(weights="uniform") of the class target, with a flag
    for queries whose vote is tied (sklearn then takes the smallest label, the learner the
    nearest neighbour's class, so tied queries are not compared);
  * Gaussian estimates: numpy, w = exp(-(d / s)^2) over the k neighbours from sklearn, s the
    sample standard deviation (ddof=1) of the distances to all 300 model objects;
  * regression estimates (k = 12 only): numpy.linalg.lstsq of each target on the four raw
    independent columns plus a constant over the k neighbours, evaluated at the query.
  sklearn's "distance" weighting (1/d) has no counterpart among the learner's local models.
  The 100 neighbours of model objects 1, 137 and 300 among all objects (themselves included):
  NearestNeighbors(algorithm="ball_tree") on the standardised model, Euclidean.
- iris_refs.txt: Fisher's iris table (data/iris.csv), Euclidean distances of the raw measures,
  computed here column by column in the learner's order of operations (so equal distances are
  equal bit for bit) and ordered by (distance ascending, row descending): the tie rule "among
  equal distances the later row comes first". sklearn breaks such ties otherwise, and iris holds
  duplicate flowers, so the order is computed here rather than taken from sklearn. From it: the
  neighbour lists of flowers 102 and 143 (identical measurements) and the contingency tables of
  species agreement with each flower's 1, 3 and 5 nearest other flowers.
"""
import os

import numpy as np
import sklearn
from sklearn.neighbors import KNeighborsClassifier, KNeighborsRegressor, NearestNeighbors

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT = os.path.join(ROOT, "tests", "data", "membl")


def rec(lines, key, values, fmt=repr):
    lines.append(key + ": " + " ".join(fmt(float(v)) if fmt is repr else fmt(v) for v in np.ravel(values)))


def knn_refs():
    rng = np.random.default_rng(20261208)
    n, nq = 300, 20
    scale = np.array([1.0, 10.0, 0.1, 5.0])
    offset = np.array([0.0, 100.0, 2.0, -3.0])
    X = rng.normal(size=(n, 4)) * scale + offset
    ignored = rng.normal(size=n)
    y = 2 * X[:, 0] + 0.1 * X[:, 1] - 5 * X[:, 2] + 0.2 * X[:, 3] + rng.normal(scale=0.3, size=n)
    cls = 1.0 + (y > np.quantile(y, 1 / 3)) + (y > np.quantile(y, 2 / 3))
    assert cls.std(ddof=1) < 1.0
    Q = rng.normal(size=(nq, 4)) * scale * 1.2 + offset

    lines = ["# memory-based learner references (sklearn %s, numpy %s)" % (sklearn.__version__, np.__version__)]
    lines.append("case: model")
    cols = [X[:, 0], ignored, X[:, 1], y, X[:, 2], cls, X[:, 3]]
    for j, c in enumerate(cols):
        rec(lines, "col%d" % (j + 1), c)
    rec(lines, "queries", Q)

    mean = X.mean(axis=0)
    sd = X.std(axis=0, ddof=1)
    targets = np.column_stack([y, cls])
    for metric in ("euclidean", "manhattan"):
        for scaling in ("unscaled", "standardized"):
            Z = X if scaling == "unscaled" else (X - mean) / sd
            Qz = Q if scaling == "unscaled" else (Q - mean) / sd
            nn = NearestNeighbors(n_neighbors=100, algorithm="ball_tree", metric=metric).fit(Z)
            dist, ind = nn.kneighbors(Qz)
            diff = Qz[:, None, :] - Z[None, :, :]
            all_d = np.sqrt((diff ** 2).sum(axis=2)) if metric == "euclidean" else np.abs(diff).sum(axis=2)
            s = all_d.std(axis=1, ddof=1)
            for k in (1, 5, 12):
                lines.append("case: %s_%s_k%d" % (metric, scaling, k))
                reg = KNeighborsRegressor(n_neighbors=k, weights="uniform", algorithm="ball_tree",
                                          metric=metric).fit(Z, targets)
                rec(lines, "average", reg.predict(Qz))
                clf = KNeighborsClassifier(n_neighbors=k, weights="uniform", algorithm="ball_tree",
                                           metric=metric).fit(Z, cls)
                rec(lines, "vote", clf.predict(Qz))
                ties = []
                for q in range(nq):
                    counts = np.bincount(cls[ind[q, :k]].astype(int), minlength=4)
                    ties.append(float((counts == counts.max()).sum() > 1))
                rec(lines, "vote_tied", ties)
                w = np.exp(-(dist[:, :k] / s[:, None]) ** 2)
                gauss = (w[:, :, None] * targets[ind[:, :k]]).sum(axis=1) / w.sum(axis=1)[:, None]
                rec(lines, "gauss", gauss)
                if k == 12:
                    est = []
                    for q in range(nq):
                        A = np.column_stack([np.ones(k), X[ind[q, :k]]])
                        coef, *_ = np.linalg.lstsq(A, targets[ind[q, :k]], rcond=None)
                        est.append(np.concatenate([[1.0], Q[q]]) @ coef)
                    rec(lines, "regress", np.array(est))
                for q in range(3):
                    rec(lines, "nb_rows_q%d" % (q + 1), ind[q] + 1, fmt=str)
                    rec(lines, "nb_dist_q%d" % (q + 1), dist[q])

    lines.append("case: selfnn_euclidean_standardized")
    Z = (X - mean) / sd
    nn = NearestNeighbors(n_neighbors=100, algorithm="ball_tree").fit(Z)
    for r in (1, 137, 300):
        dist, ind = nn.kneighbors(Z[r - 1:r])
        rec(lines, "nn_rows_%d" % r, ind[0] + 1, fmt=str)
        rec(lines, "nn_dist_%d" % r, dist[0])
    return lines


def iris_refs():
    raw = np.loadtxt(os.path.join(ROOT, "data", "iris.csv"), delimiter=",", skiprows=1)
    X, species = raw[:, :4], raw[:, 4].astype(int) + 1
    n = len(X)
    lines = ["# iris neighbour order and contingency tables (numpy %s)" % np.__version__]
    lines.append("case: iris")
    order = []
    for r in range(n):
        acc = np.zeros(n)
        for j in range(4):  # column by column, as the learner sums
            d = X[r, j] - X[:, j]
            acc = acc + d * d
        dist = np.sqrt(acc)
        rows = np.arange(1, n + 1)
        order.append((np.lexsort((-rows, dist))[:100] + 1, np.sort(dist)[:100]))
    for r in (102, 143):
        rec(lines, "nn_rows_%d" % r, order[r - 1][0][:10], fmt=str)
        rec(lines, "nn_dist_%d" % r, order[r - 1][1][:10])
    for num_nb in (1, 3, 5):
        tab = np.zeros((4, 4), dtype=int)
        for r in range(n):
            others = [nb for nb in order[r][0] if nb != r + 1][:num_nb]
            for nb in others:
                tab[species[r] - 1, species[nb - 1] - 1] += 1
        tab[3, :3] = tab[:3, :3].sum(axis=0)
        tab[:3, 3] = tab[:3, :3].sum(axis=1)
        tab[3, 3] = tab[:3, :3].sum()
        rec(lines, "conttab_%d" % num_nb, tab, fmt=str)
    return lines


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, lines in (("knn_refs.txt", knn_refs()), ("iris_refs.txt", iris_refs())):
        with open(os.path.join(OUT, name), "w") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
