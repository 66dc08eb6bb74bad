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
import subprocess
import sys
import tempfile

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


def rscript(code):
    """Runs R code (from a temporary file: long samples overflow a command line) and returns its
    standard output as a list of numbers."""
    with tempfile.NamedTemporaryFile("w", suffix=".R", delete=False) as f:
        f.write("options(digits=17);" + code + "\n")
        name = f.name
    try:
        out = subprocess.run(["Rscript", "--vanilla", name], check=True, capture_output=True,
                             text=True).stdout
    finally:
        os.unlink(name)
    return [float(w) for w in out.split()]


def r_version():
    return subprocess.run(["Rscript", "--vanilla", "-e", "cat(R.version.string)"], check=True,
                          capture_output=True, text=True).stdout.strip()


def r_vec(values):
    return "c(" + ",".join(repr(float(v)) for v in values) + ")"


def with_totals(t):
    t = np.asarray(t, int)
    rows = np.concatenate([t, t.sum(axis=1, keepdims=True)], axis=1)
    return np.concatenate([rows, rows.sum(axis=0, keepdims=True)], axis=0)


def write_contingency():
    """2 x 2 tables: R fisher.test (two-sided with its 1e-7 tolerance, 'less', 'greater'),
    chisq.test with and without Yates' correction, dhyper for the table probability.
    Larger tables: chisq.test (correct = FALSE) and sklearn's adjusted_rand_score of the labels
    that the table cross-classifies."""
    lines = ["# contingency tables: " + r_version()]
    tables2 = [[[3, 1], [1, 3]], [[10, 2], [3, 15]], [[0, 5], [6, 0]], [[12, 5], [7, 30]],
               [[1, 9], [11, 3]], [[2, 7], [8, 2]], [[50, 48], [52, 50]], [[300, 200], [180, 320]],
               [[5, 5], [5, 5]], [[7, 0], [0, 0]], [[4, 16], [1, 21]], [[25, 1], [3, 2]]]
    for t in tables2:
        (a, b), (c, d) = t
        m = f"matrix(c({a},{c},{b},{d}),2)"
        f = rscript(f"m<-{m}; cat(fisher.test(m,alternative='less')$p.value, "
                    f"fisher.test(m,alternative='greater')$p.value, fisher.test(m)$p.value, "
                    f"dhyper({a},{a + b},{c + d},{a + c}), "
                    f"suppressWarnings(chisq.test(m,correct=TRUE)$statistic), "
                    f"suppressWarnings(chisq.test(m,correct=TRUE)$p.value), "
                    f"suppressWarnings(chisq.test(m,correct=FALSE)$statistic), "
                    f"suppressWarnings(chisq.test(m,correct=FALSE)$p.value))")
        lines.append("t2: " + fmt([a, b, c, d] + f))
    rng = np.random.default_rng(7)
    for shape in [(3, 4), (2, 5), (4, 4), (5, 3)]:
        t = rng.integers(0, 25, size=shape)
        t[0, 0] += 20
        m = "matrix(" + r_vec(t.flatten(order="F")) + f",{shape[0]})"
        chi = rscript(f"r<-suppressWarnings(chisq.test({m},correct=FALSE)); cat(r$statistic, r$p.value, r$parameter)")
        rows = np.repeat(np.arange(shape[0])[:, None], shape[1], 1)
        cols = np.repeat(np.arange(shape[1])[None, :], shape[0], 0)
        lab1 = np.repeat(rows.flatten(), t.flatten())
        lab2 = np.repeat(cols.flatten(), t.flatten())
        ari = metrics.adjusted_rand_score(lab1, lab2)
        lines.append(f"tab: {shape[0]} {shape[1]} " + fmt(t.flatten()) + " " + fmt(chi + [ari]))
    return lines


def write_tests():
    """Group and normality tests on seeded samples (the samples are written too):
    R t.test (var.equal TRUE and FALSE), wilcox.test (exact where the library is exact: no ties
    and small samples; otherwise the normal approximation with continuity correction),
    shapiro.test, aov through anova(lm()), Levene's mean-centred test as anova of |x - group
    mean|, friedman.test; scipy.stats.kstest for the Kolmogorov-Smirnov distance to N(0, 1) (and
    after standardising with the n - 1 standard deviation: the Lilliefors distance); the exact
    runs distribution by enumerating every arrangement; Grubbs' critical value from
    scipy.stats.t.ppf; scipy.stats.gaussian_kde for the kernel density with fixed width."""
    import itertools
    from scipy import stats
    rng = np.random.default_rng(19)
    lines = ["# hypothesis tests: " + r_version() + ", scipy " + __import__("scipy").__version__]
    # Two samples: continuous (no ties), rounded (ties), different spreads.
    pairs = [("small", rng.normal(0, 1, 7), rng.normal(0.8, 1, 9)),
             ("ties", np.round(rng.normal(5, 2, 30)), np.round(rng.normal(6, 2, 25))),
             ("spread", rng.normal(10, 1, 40), rng.normal(10.6, 4, 15)),
             ("large", rng.normal(0, 1, 120), rng.normal(0.2, 1.3, 150)),
             ("offset", 1e6 + rng.normal(0, 1, 12), 1e6 + rng.normal(0.5, 1, 11))]
    for name, x, y in pairs:
        ties = len(np.unique(np.concatenate([x, y]))) < len(x) + len(y)
        exact = (not ties) and len(x) * len(y) <= 100000 and len(x) + len(y) <= 120
        r = rscript(f"x<-{r_vec(x)}; y<-{r_vec(y)}; a<-t.test(x,y,var.equal=TRUE); "
                    f"b<-t.test(x,y); w<-suppressWarnings(wilcox.test(x,y,exact={'TRUE' if exact else 'FALSE'},correct=TRUE)); "
                    "cat(a$statistic,a$parameter,a$p.value,b$statistic,b$parameter,b$p.value,w$statistic,w$p.value)")
        lines += [f"case: {name}", "x: " + fmt(x), "y: " + fmt(y), "ttest: " + fmt(r[:6]),
                  "mwu: " + fmt(r[6:] + [1.0 if exact else 0.0])]
    # Shapiro-Wilk over the sizes where Royston's approximation changes form.
    lines.append("case: shapiro")
    for n in [3, 4, 5, 6, 7, 11, 12, 20, 50, 200, 1000, 5000]:
        x = rng.gamma(4.0, 1.0, n) if n % 2 else rng.normal(3.0, 2.0, n)
        r = rscript(f"s<-shapiro.test({r_vec(x)}); cat(s$statistic, s$p.value)")
        lines.append("sw: " + fmt([n] + r + list(x)))
    # Kolmogorov-Smirnov and Lilliefors distances.
    lines.append("case: ks")
    for n in [5, 30, 400]:
        x = rng.normal(0.2, 1.1, n)
        z = (x - x.mean()) / x.std(ddof=1)
        lines.append("ks: " + fmt([n, stats.kstest(x, "norm").statistic, stats.kstest(z, "norm").statistic] + list(x)))
    # One-way analysis of variance and Levene's test: three and four groups.
    lines.append("case: anova")
    for k, sizes in [(3, [8, 11, 6]), (4, [15, 15, 20, 12])]:
        g = np.concatenate([np.full(m, 10 * (i + 1)) for i, m in enumerate(sizes)])
        x = np.concatenate([rng.normal(5 + 0.7 * i, 1 + 0.5 * i, m) for i, m in enumerate(sizes)])
        r = rscript(f"x<-{r_vec(x)}; g<-factor({r_vec(g)}); a<-anova(lm(x~g)); "
                    "z<-abs(x-ave(x,g)); l<-anova(lm(z~g)); "
                    "cat(a$'Sum Sq'[1],a$'Sum Sq'[2],a$'F value'[1],a$'Pr(>F)'[1],l$'F value'[1],l$'Pr(>F)'[1])")
        lines.append(f"aov: {len(x)} " + fmt(list(x) + list(g) + r))
    # Friedman: 8 blocks x 4 treatments, with ties in some blocks.
    lines.append("case: friedman")
    for tie in [False, True]:
        m = rng.normal(0, 1, (8, 4)) + np.array([0, 0.4, 0.8, 0.2])
        if tie:
            m = np.round(m)
        r = rscript(f"m<-matrix({r_vec(m.flatten())},8,byrow=TRUE); f<-friedman.test(m); cat(f$statistic,f$p.value)")
        lines.append("fr: " + fmt(list(m.flatten()) + r))
    # Exact runs distribution by enumeration: P(R <= r) for every r.
    lines.append("case: runs")
    for n1, n2 in [(3, 4), (5, 5), (6, 9), (8, 7)]:
        counts = {}
        for ones in itertools.combinations(range(n1 + n2), n1):
            b = np.zeros(n1 + n2, int)
            b[list(ones)] = 1
            runs = 1 + int(np.sum(b[1:] != b[:-1]))
            counts[runs] = counts.get(runs, 0) + 1
        total = sum(counts.values())
        cum, acc = [], 0
        for r in range(0, n1 + n2 + 2):
            acc += counts.get(r, 0)
            cum.append(acc / total)
        lines.append(f"runs: {n1} {n2} " + fmt(cum))
    # Grubbs: statistic of a sample with one outlier and the critical value at 5 %.
    lines.append("case: grubbs")
    x = np.append(rng.normal(10, 1, 14), 14.5)
    n = len(x)
    t = stats.t.ppf(1 - 0.05 / (2 * n), n - 2)
    gcrit = (n - 1) / np.sqrt(n) * np.sqrt(t * t / (n - 2 + t * t))
    lines.append("grubbs: " + fmt([np.max(np.abs(x - x.mean())) / x.std(ddof=1), gcrit] + list(x)))
    # Median test: the 2 x 2 table of group by side of the pooled median (R's median), tested
    # with chisq.test (correct FALSE and TRUE) and the smaller one-sided fisher.test p-value.
    lines.append("case: median")
    for nx, ny, shift, rounded in [(9, 12, 1.0, False), (25, 30, 0.3, True), (6, 5, 2.5, False)]:
        x = rng.normal(0, 1, nx)
        y = rng.normal(shift, 1, ny)
        if rounded:
            x, y = np.round(x), np.round(y)
        r = rscript(f"x<-{r_vec(x)}; y<-{r_vec(y)}; v<-c(x,y); m<-median(v); "
                    f"t<-table(factor(c(rep(1,{nx}),rep(2,{ny}))), factor(v<=m, levels=c(FALSE,TRUE))); "
                    "a<-suppressWarnings(chisq.test(t,correct=FALSE)); b<-suppressWarnings(chisq.test(t,correct=TRUE)); "
                    "f<-min(fisher.test(t,alternative='less')$p.value, fisher.test(t,alternative='greater')$p.value); "
                    "cat(a$statistic,a$p.value,b$statistic,b$p.value,f)")
        lines.append(f"med: {nx} {ny} " + fmt(list(x) + list(y) + r))
    # Kernel density with one fixed width h: gaussian_kde with factor h / std.
    lines.append("case: kde")
    x = rng.normal(0, 1, 60)
    h = 0.35
    kde = stats.gaussian_kde(x, bw_method=h / x.std(ddof=1))
    grid = np.linspace(-3, 3, 21)
    lines.append("kde: " + fmt([h] + list(x)))
    lines.append("kdegrid: " + fmt(kde(grid)))
    return lines


def main():
    os.makedirs(OUT, exist_ok=True)
    writers = {"cfeval": write_cfeval, "contingency": write_contingency, "tests": write_tests}
    what = sys.argv[1:] or list(writers)
    for name in what:
        with open(os.path.join(OUT, name + ".txt"), "w") as f:
            f.write("\n".join(writers[name]()) + "\n")


if __name__ == "__main__":
    main()
