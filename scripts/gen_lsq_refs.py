#!/usr/bin/python3
"""Reference values for the least squares, eigenvector, PCA and regression tests of math2.

Writes tests/data/lsq/*.txt. Every file is a list of blocks

    @name rows cols
    v11 v12 ... (rows lines of cols values, repr of the double, row by row)

preceded by '#' comment lines that say where the values come from. Sources:

- numpy.linalg (lstsq, pinv, eigh, svd) on matrices drawn from numpy's PCG64 generator with
  fixed seeds: lsq_numpy.txt.
- numpy for covariance-type matrices (np.cov, np.corrcoef and explicit sums): lsq_covar.txt.
- R (Rscript, stats::lm) for coefficients, standard errors, R^2, adjusted R^2 and F on the
  Longley data as shipped with R (datasets::longley), unweighted and with weights 1..16, and on
  a rank-deficient design: lsq_r_lm.txt.
- mpmath at 60 significant digits for the exact least squares solution of the Longley data (the
  decimal values as printed by R, converted exactly) and of the polynomial problems Wampler 1
  and 2, whose data are defined by exact polynomials (y = sum x^k for Wampler 1,
  y = sum (x/10)^k for Wampler 2, x = 0..20, degree 5): lsq_mpmath.txt. These are computed here;
  they are not the certified NIST files, which are not available offline.
- closed-form ridge regression in numpy (normal equations with the penalty, centred data):
  lsq_ridge.txt.
- scikit-learn's PLSRegression (scale=False) for single-response partial least squares:
  lsq_pls.txt.
- numpy eigh of the sample covariance of the iris data that scikit-learn ships:
  lsq_iris.txt.

Run: /usr/bin/python3 scripts/gen_lsq_refs.py (needs python3-numpy, python3-mpmath,
python3-sklearn and r-base-core).
"""
import os
import subprocess

import mpmath
import numpy as np

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "lsq")


class Writer:
    def __init__(self, name, comment):
        self.f = open(os.path.join(OUT, name), "w")
        for line in comment.strip().splitlines():
            self.f.write("# " + line + "\n")

    def block(self, name, a):
        a = np.atleast_2d(np.asarray(a, dtype=float))
        self.f.write("@%s %d %d\n" % (name, a.shape[0], a.shape[1]))
        for row in a:
            self.f.write(" ".join(repr(float(v)) for v in row) + "\n")

    def close(self):
        self.f.close()


def numpy_refs():
    w = Writer("lsq_numpy.txt", "numpy %s linalg on PCG64 matrices (seeds in the script)" % np.__version__)
    rng = np.random.default_rng(20261207)
    # Tall full-rank least squares.
    a = rng.standard_normal((12, 4))
    b = rng.standard_normal(12)
    w.block("tall_A", a)
    w.block("tall_b", b)
    w.block("tall_x", np.linalg.lstsq(a, b, rcond=None)[0])
    # Rank deficient: column 3 equals column 1; the minimum-norm solution.
    d = rng.standard_normal((10, 3))
    d = np.column_stack([d, d[:, 0]])
    bd = rng.standard_normal(10)
    w.block("defic_A", d)
    w.block("defic_b", bd)
    w.block("defic_x", np.linalg.lstsq(d, bd, rcond=None)[0])
    # Pseudo-inverses: tall, wide, regular square, rank-deficient square.
    for name, m in (("pinv_tall", rng.standard_normal((3, 2))),
                    ("pinv_wide", rng.standard_normal((2, 3))),
                    ("pinv_square", rng.standard_normal((5, 5))),
                    ("pinv_rank2", rng.standard_normal((4, 2)) @ rng.standard_normal((2, 4)))):
        w.block(name + "_A", m)
        w.block(name + "_P", np.linalg.pinv(m))
    # Singular values (descending) of a tall and a wide matrix.
    for name, m in (("svd_tall", rng.standard_normal((7, 4))), ("svd_wide", rng.standard_normal((4, 7)))):
        w.block(name + "_A", m)
        w.block(name + "_w", np.linalg.svd(m, compute_uv=False))
    # Symmetric eigenproblems.
    for n in (5, 20):
        g = rng.standard_normal((n, n))
        s = (g + g.T) / 2
        val, vec = np.linalg.eigh(s)
        w.block("eig%d_A" % n, s)
        w.block("eig%d_val" % n, val)
        w.block("eig%d_vec" % n, vec)
    w.close()


def covar_refs():
    w = Writer("lsq_covar.txt", "numpy %s: np.cov, np.corrcoef and explicit sums (ddof 1)" % np.__version__)
    rng = np.random.default_rng(7)
    x = rng.standard_normal((9, 4)) * [1.0, 2.0, 0.5, 3.0] + [0.0, 5.0, -2.0, 1.0]
    x[:, 3] += 0.8 * x[:, 0]
    m = x.shape[0]
    w.block("data", x)
    w.block("mode0", x.T @ x / (m - 1))
    w.block("mode1", np.cov(x, rowvar=False))
    r = np.corrcoef(x, rowvar=False)
    w.block("mode2", r)
    w.block("mode3", r * r)
    d = np.array([[np.sum((x[:, i] - x[:, j]) ** 2) / (m - 1) for j in range(4)] for i in range(4)])
    w.block("mode4", d)
    w.close()


def r_lm_refs():
    script = r'''
options(digits = 17)
emit <- function(name, v) {
  v <- as.matrix(v)
  cat("@", name, " ", nrow(v), " ", ncol(v), "\n", sep = "")
  for (i in seq_len(nrow(v))) cat(formatC(v[i, ], digits = 17, format = "g"), "\n")
}
summ <- function(prefix, fit) {
  s <- summary(fit)
  emit(paste0(prefix, "_coef"), coef(s)[, 1])
  emit(paste0(prefix, "_se"), coef(s)[, 2])
  emit(paste0(prefix, "_stats"), c(s$r.squared, s$adj.r.squared, s$fstatistic[1],
                                   s$fstatistic[2], s$fstatistic[3], s$sigma,
                                   pf(s$fstatistic[1], s$fstatistic[2], s$fstatistic[3],
                                      lower.tail = FALSE)))
}
emit("longley_data", as.matrix(longley))
summ("longley", lm(Employed ~ ., data = longley))
summ("longley_w", lm(Employed ~ ., data = longley, weights = 1:16))
d <- longley
d$Dup <- 2 * d$GNP
fit <- lm(Employed ~ GNP.deflator + GNP + Dup + Year, data = d)
emit("defic_fitted", fitted(fit))
emit("defic_stats", c(summary(fit)$r.squared, summary(fit)$fstatistic, fit$rank))
'''
    out = subprocess.run(["Rscript", "-e", script], capture_output=True, text=True, check=True).stdout
    ver = subprocess.run(["Rscript", "-e", "cat(R.version.string)"], capture_output=True, text=True,
                         check=True).stdout
    with open(os.path.join(OUT, "lsq_r_lm.txt"), "w") as f:
        f.write("# %s, stats::lm on datasets::longley (Employed on the six other columns)\n" % ver)
        f.write("# _stats: r.squared, adj.r.squared, F value, numdf, dendf, sigma\n")
        f.write("# longley_w: weights 1..16; defic: Dup = 2 GNP added (rank 4 of 5)\n")
        for line in out.splitlines():
            line = line.strip()
            if line:
                f.write(line + "\n")


def mp_lstsq(X, y):
    """Exact least squares with intercept in mpmath: coefficients, SE, R^2, F."""
    n = len(y)
    A = mpmath.matrix([[1] + list(r) for r in X])
    Y = mpmath.matrix(y)
    AtA = A.T * A
    inv = AtA ** -1
    beta = inv * (A.T * Y)
    res = Y - A * beta
    rss = sum(r ** 2 for r in res)
    k = A.cols
    ym = sum(y) / n
    tss = sum((v - ym) ** 2 for v in y)
    dfr = n - k
    sig2 = rss / dfr if dfr > 0 else mpmath.mpf(0)
    se = [mpmath.sqrt(sig2 * inv[i, i]) for i in range(k)]
    r2 = 1 - rss / tss
    return beta, se, r2, rss


def mpmath_refs():
    mpmath.mp.dps = 60
    w = Writer("lsq_mpmath.txt", "mpmath %s at 60 digits: exact least squares with intercept; "
               "values rounded to double\ncoef: intercept first; stats: R^2, RSS" % mpmath.__version__)
    # Longley as R prints it (decimal strings, read exactly).
    txt = subprocess.run(["Rscript", "-e", "write.table(longley, quote=FALSE, row.names=FALSE, col.names=FALSE)"],
                         capture_output=True, text=True, check=True).stdout
    rows = [line.split() for line in txt.strip().splitlines()]
    X = [[mpmath.mpf(v) for v in r[:6]] for r in rows]
    y = [mpmath.mpf(r[6]) for r in rows]
    beta, se, r2, rss = mp_lstsq(X, y)
    w.block("longley_coef", [float(b) for b in beta])
    w.block("longley_se", [float(s) for s in se])
    w.block("longley_stats", [float(r2), float(rss)])
    # Wampler 1 and 2: exact polynomials of degree 5 in x = 0..20.
    for name, base in (("wampler1", mpmath.mpf(1)), ("wampler2", mpmath.mpf(1) / 10)):
        xs = [mpmath.mpf(i) for i in range(21)]
        ys = [sum((base * x) ** k for k in range(6)) for x in xs]
        w.block(name + "_x", [float(x) for x in xs])
        # y to 25 significant digits: the test reads them to the nearest double.
        w.f.write("@%s_y 1 21\n%s\n" % (name, " ".join(mpmath.nstr(v, 25) for v in ys)))
        w.block(name + "_coef", [float(base ** k) for k in range(6)])
    w.close()


def ridge_refs():
    w = Writer("lsq_ridge.txt", "numpy closed form: b = (Xc'Xc + lambda I)^-1 Xc'yc, intercept from the means;"
               "\nstd: columns divided by their sample sd (ddof 1), coefficients back-transformed")
    rng = np.random.default_rng(11)
    x = rng.standard_normal((25, 4)) * [1.0, 10.0, 0.1, 3.0] + [2.0, -1.0, 0.5, 4.0]
    y = x @ [1.5, -0.2, 4.0, 0.7] + 3.0 + 0.3 * rng.standard_normal(25)
    w.block("x", x)
    w.block("y", y)
    xm, ym = x.mean(axis=0), y.mean()
    xc, yc = x - xm, y - ym
    for lam in (0.0, 0.5, 10.0):
        b = np.linalg.solve(xc.T @ xc + lam * np.eye(4), xc.T @ yc)
        w.block("raw_%g" % lam, np.concatenate([[ym - xm @ b], b]))
        sd = x.std(axis=0, ddof=1)
        z = xc / sd
        g = np.linalg.solve(z.T @ z + lam * np.eye(4), z.T @ yc)
        bs = g / sd
        w.block("std_%g" % lam, np.concatenate([[ym - xm @ bs], bs]))
        w.block("stdg_%g" % lam, g)
    w.close()


def pls_refs():
    import sklearn
    from sklearn.cross_decomposition import PLSRegression
    w = Writer("lsq_pls.txt", "scikit-learn %s PLSRegression(n_components=k, scale=False): coef_ "
               "(p x 1) and predictions" % sklearn.__version__)
    rng = np.random.default_rng(3)
    x = rng.standard_normal((30, 6))
    x[:, 5] = x[:, 0] + 0.1 * x[:, 5]
    y = x @ [1.0, -2.0, 0.5, 0.0, 0.3, 1.0] + 0.5 * rng.standard_normal(30) + 2.0
    w.block("x", x)
    w.block("y", y)
    for k in (1, 2, 4):
        m = PLSRegression(n_components=k, scale=False).fit(x, y)
        coef = np.asarray(m.coef_).reshape(-1)
        if coef.size != 6:
            raise SystemExit("unexpected coef_ shape")
        w.block("coef_%d" % k, coef)
        w.block("pred_%d" % k, m.predict(x).reshape(-1))
    w.close()


def iris_refs():
    import sklearn.datasets
    iris = sklearn.datasets.load_iris()
    x = iris.data
    w = Writer("lsq_iris.txt", "numpy eigh of np.cov(iris.data) (iris as shipped by scikit-learn); "
               "eigenvalues descending, as fractions of their sum; vectors as columns")
    val, vec = np.linalg.eigh(np.cov(x, rowvar=False))
    order = np.argsort(val)[::-1]
    val, vec = val[order], vec[:, order]
    w.block("frac", val / np.sum(np.abs(val)))
    w.block("vec", vec)
    w.close()


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    numpy_refs()
    covar_refs()
    r_lm_refs()
    mpmath_refs()
    ridge_refs()
    pls_refs()
    iris_refs()
