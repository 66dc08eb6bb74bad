#!/usr/bin/python3
"""Reference values for the classifier evaluation, cross-validation and hypothesis tests of the
statis unit, written to tests/data/statis_tests/.

Run with Debian's interpreter (/usr/bin/python3; packages python3-numpy, python3-scipy,
python3-sklearn, r-base-core). Every value comes from an independent implementation:
  - sklearn.metrics: roc_curve (drop_intermediate=False), roc_auc_score, matthews_corrcoef,
    accuracy_score, normalized_mutual_info_score (arithmetic mean = the uncertainty coefficient),
    adjusted_rand_score;
  - Matthews' correlation of huge counts: Python integers and decimal arithmetic at 50 digits;
  - scipy.stats and R (through Rscript) for the hypothesis tests.

File format: one record per line, "key: v1 v2 ...", numbers written with repr (17 digits), so
the C++ tests read them exactly. Lines starting with '#' are comments.
"""
import decimal
import os
import sys

import numpy as np
from sklearn import metrics

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "statis_tests")


def fmt(values):
    return " ".join(repr(float(v)) for v in values)


def cfeval_cases():
    rng = np.random.default_rng(20261208)
    cases = []
    # 1: 200 objects, labels 0/1, estimates rounded to 0.1 (many ties).
    y = (rng.random(200) < 0.4).astype(float)
    e = np.round(0.6 * y + rng.normal(0.2, 0.3, 200), 1)
    cases.append(("ties01", y, e, 0.45))
    # 2: labels -1 / 3 (boundary at 1), integer estimates 0..5.
    y = np.where(rng.random(57) < 0.5, -1.0, 3.0)
    e = np.clip(np.round(rng.normal(2.0, 1.2, 57) + (y > 1) * 1.0), 0, 5)
    cases.append(("ints", y, e, 3.0))
    # 3: continuous estimates without ties, 1000 objects.
    y = (rng.random(1000) < 0.3).astype(float)
    e = rng.normal(0.0, 1.0, 1000) + 0.8 * y
    cases.append(("cont", y, e, 0.25))
    # 4: perfect ranking.
    y = np.array([0, 0, 0, 0, 0, 1, 1, 1, 1, 1], float)
    e = np.array([0.1, 0.2, 0.3, 0.35, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9])
    cases.append(("perfect", y, e, 0.45))
    # 5: all estimates equal.
    y = np.array([0, 1, 0, 1, 1, 0, 0, 1], float)
    e = np.full(8, 0.7)
    cases.append(("allequal", y, e, 0.5))
    return cases


def write_cfeval():
    lines = ["# TCFEvaluator references (sklearn.metrics " + __import__("sklearn").__version__ + ")"]
    for name, y, e, thresh in cfeval_cases():
        pos = y > (y.min() + y.max()) / 2
        pred = e >= thresh
        fpr, tpr, thr = metrics.roc_curve(pos, e, drop_intermediate=False)
        # sklearn's first point (0, 0) at threshold inf precedes the first distinct estimate.
        lo, hi = e.min(), e.max()
        s = (hi - lo) * 0.01
        grid = [lo + (i - 5) * s for i in range(110)] if s > 0 else []
        mcc_best = max([metrics.matthews_corrcoef(pos, e >= h) for h in grid] + [0.0])
        acc_best = max([metrics.accuracy_score(pos, e >= h) for h in grid] + [0.0])
        inf_best = max([metrics.recall_score(pos, e >= h, zero_division=0) +
                        metrics.recall_score(~pos, e < h, zero_division=0) - 1 for h in grid] + [0.0])
        lines += [
            f"case: {name}",
            "true: " + fmt(y),
            "est: " + fmt(e),
            f"thresh: {thresh!r}",
            "counts: " + fmt([np.sum(pos & pred), np.sum(~pos & pred), np.sum(~pos & ~pred),
                              np.sum(pos & ~pred)]),
            "mcc: " + fmt([metrics.matthews_corrcoef(pos, pred)]),
            "acc: " + fmt([metrics.accuracy_score(pos, pred)]),
            "f1: " + fmt([metrics.f1_score(pos, pred, zero_division=0)]),
            "uc: " + fmt([metrics.normalized_mutual_info_score(pos, pred, average_method="arithmetic")]),
            "auc: " + fmt([metrics.roc_auc_score(pos, e)]),
            "rocfpr: " + fmt(fpr[1:]),
            "roctpr: " + fmt(tpr[1:]),
            "rocthr: " + fmt(thr[1:]),
            "best: " + fmt([mcc_best, acc_best, inf_best]),
        ]
    # Matthews' correlation of counts whose products overflow 32 and 64 bits, exact to 50 digits.
    decimal.getcontext().prec = 50
    for tp, fp, tn, fn in [(60000, 1234, 70000, 4321), (1500000000, 3, 2, 600000000),
                           (2000000000, 100000000, 50000000, 147000000)]:
        num = decimal.Decimal(tp * tn - fp * fn)
        den = decimal.Decimal((tp + fp) * (tp + fn) * (tn + fp) * (tn + fn)).sqrt()
        lines.append("mcccounts: " + fmt([tp, fp, tn, fn, num / den]))
    return lines


def main():
    os.makedirs(OUT, exist_ok=True)
    what = sys.argv[1:] or ["cfeval"]
    writers = {"cfeval": write_cfeval}
    for name in what:
        with open(os.path.join(OUT, name + ".txt"), "w") as f:
            f.write("\n".join(writers[name]()) + "\n")


if __name__ == "__main__":
    main()
