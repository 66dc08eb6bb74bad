#!/usr/bin/python3
"""Reference values for the statis unit's tests, written to tests/data/statis/*.txt.

Every value is computed with mpmath at 50 significant digits (python3-mpmath) from the double
arguments exactly as the tests pass them, and printed with 20 significant digits:
  - gamma and beta functions: mpmath.loggamma, gammainc(regularized), betainc(regularized), erf,
    ncdf. Where mpmath's hypergeometric series for betainc does not converge (both parameters
    large), the regularised incomplete beta is evaluated by its continued fraction at 60 digits
    with the prefactor from mpmath.loggamma, run until the terms no longer change 50 digits.
  - quantiles: mpmath.findroot on the distribution function (the smaller tail) at 50 digits,
    started from scipy's quantile.
  - binomial: exact sums of mpmath.binomial(n, j) p^j (1 - p)^(n - j).
  - Kolmogorov-Smirnov: scipy.stats.kstwo.sf for n <= 140 (Simard and L'Ecuyer: exact Durbin
    matrix there; beyond it scipy switches to approximations good to about 1e-6), and for larger n
    the Durbin matrix power H^n in mpmath at 40 digits; the upper tail for d >= 0.5 by the exact
    Smirnov-Birnbaum-Tingey sum in mpmath.
  - Shapiro-Wilk: W and p of scipy.stats.shapiro (Royston's AS R94) on seeded normal samples.
  - Mann-Whitney U: exact counts by brute-force recursion in Python integers.
Each file starts with '#' lines naming its columns. Run from the repository root:
    /usr/bin/python3 scripts/gen_statis_refs.py
"""
import os
from functools import lru_cache

import mpmath as mp
import numpy as np
from scipy import stats

mp.mp.dps = 50
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, 'tests', 'data', 'statis')


def s20(v):
    return mp.nstr(mp.mpf(v), 20, min_fixed=0, max_fixed=0) if v != 0 else '0'


def r17(v):
    return repr(float(v))


def write(name, header, rows):
    with open(os.path.join(OUT, name), 'w') as f:
        f.write('# ' + header + '\n')
        for r in rows:
            f.write(' '.join(r) + '\n')
    print(name, len(rows))


# --- regularised incomplete beta, robust ---------------------------------------------------------

def betainc_cf(a, b, x):
    with mp.workdps(60):
        a, b, x = mp.mpf(a), mp.mpf(b), mp.mpf(x)
        if x > (a + 1) / (a + b + 2):
            return 1 - betainc_cf(b, a, 1 - x)
        lnpre = (mp.loggamma(a + b) - mp.loggamma(a) - mp.loggamma(b) + a * mp.log(x)
                 + b * mp.log1p(-x))
        tiny = mp.mpf(10) ** -200
        c, d = mp.mpf(1), 1 - (a + b) * x / (a + 1)
        d = 1 / (d if abs(d) > tiny else tiny)
        h = d
        for m in range(1, 2000000):
            m2 = 2 * m
            for aa in (m * (b - m) * x / ((a - 1 + m2) * (a + m2)),
                       -(a + m) * (a + b + m) * x / ((a + m2) * (a + 1 + m2))):
                d = 1 + aa * d
                d = 1 / (d if abs(d) > tiny else tiny)
                c = 1 + aa / c
                c = c if abs(c) > tiny else tiny
                h *= d * c
            if abs(d * c - 1) < mp.mpf(10) ** -55:
                return mp.exp(lnpre) * h / a
        raise RuntimeError('continued fraction did not converge')


def betainc(a, b, x):
    """I_x(a, b) and 1 - I_x(a, b) with the smaller computed directly."""
    a, b, x = mp.mpf(a), mp.mpf(b), mp.mpf(x)
    if max(a, b) < 2000:
        try:
            lo = mp.betainc(a, b, 0, x, regularized=True)
            up = mp.betainc(b, a, 0, 1 - x, regularized=True)
            return lo, up
        except mp.libmp.NoConvergence:
            pass
    if x < (a + 1) / (a + b + 2):
        lo = betainc_cf(a, b, x)
        return lo, 1 - lo
    up = betainc_cf(b, a, 1 - x)
    return 1 - up, up


def gammainc(a, x):
    a, x = mp.mpf(a), mp.mpf(x)
    lo = mp.gammainc(a, 0, x, regularized=True)
    up = mp.gammainc(a, x, mp.inf, regularized=True)
    return lo, up


# --- distributions in mpmath ---------------------------------------------------------------------

def chi2_tails(x, df):
    return gammainc(mp.mpf(df) / 2, mp.mpf(x) / 2)


def t_tails(t, df):
    t, df = mp.mpf(t), mp.mpf(df)
    if t == 0:
        return mp.mpf(0.5), mp.mpf(0.5)
    x = df / (df + t * t)
    lo, up = betainc(df / 2, mp.mpf(0.5), x)
    tail = lo / 2
    return (tail, 1 - tail) if t < 0 else (1 - tail, tail)


def f_tails(f, d1, d2):
    f, d1, d2 = mp.mpf(f), mp.mpf(d1), mp.mpf(d2)
    return betainc(d1 / 2, d2 / 2, d1 * f / (d1 * f + d2))


def quantile(tails, p, start):
    """x with lower tail p, solved in the smaller tail by the Illinois method in u = ln|x| on a
    bracket around scipy's estimate (so the tolerance is relative to x)."""
    p = mp.mpf(p)
    lower = p <= mp.mpf(0.5)
    target = p if lower else 1 - p
    sgn = -1 if start < 0 else 1

    def g(u):
        lo, up = tails(sgn * mp.exp(u))
        return mp.log(lo if lower else up) - mp.log(target)
    u0 = mp.log(abs(mp.mpf(start)))
    width = mp.mpf(1e-7)
    for _ in range(40):
        a, b = u0 - width, u0 + width
        if g(a) * g(b) < 0:
            u = mp.findroot(g, (a, b), solver='illinois', tol=mp.mpf(10) ** -90, maxsteps=400,
                            verify=False)
            return sgn * mp.exp(u)
        width *= 4
    raise RuntimeError('no bracket for quantile at p=%s' % p)


DFS = [0.5, 1, 2, 3, 5, 10, 30, 100, 1e3, 1e4, 1e5, 1e6]
PS = [1e-300, 1e-100, 1e-20, 1e-5, 0.01, 0.3, 0.5, 0.7, 0.99, 1 - 1e-5, 1 - 1e-12]


def gen_chi2():
    cdf, qs = [], []
    for df in DFS:
        for p in PS:
            x = float(stats.chi2.ppf(p, df))
            if not (x > 1e-300 and np.isfinite(x)):
                continue
            lo, up = chi2_tails(x, df)
            if lo < mp.mpf(10) ** -300:
                continue
            cdf.append([r17(x), r17(df), s20(lo), s20(up)])
            if 1e-300 < p < 1 and df <= 1e5:
                q = quantile(lambda v: chi2_tails(v, df), p, x)
                qs.append([r17(p), r17(df), s20(q)])
    write('chi2_cdf.txt', 'x df P(X<=x) P(X>x)', cdf)
    write('chi2_quantile.txt', 'p df x', qs)


def gen_t():
    cdf, qs = [], []
    for df in DFS:
        for p in PS:
            t = float(stats.t.ppf(p, df))
            if not np.isfinite(t):
                continue
            lo, up = t_tails(t, df)
            if min(lo, up) < mp.mpf(10) ** -300 and lo < 0.5:
                continue
            cdf.append([r17(t), r17(df), s20(lo), s20(up)])
            if 1e-100 <= p < 1 and df <= 1e5 and p != 0.5:
                try:
                    q = quantile(lambda v: t_tails(v, df), p, t)
                except RuntimeError as e:      # scipy's start too far off to bracket
                    print('skipped:', e)
                    continue
                qs.append([r17(p), r17(df), s20(q)])
    write('t_cdf.txt', 't df P(T<=t) P(T>t)', cdf)
    write('t_quantile.txt', 'p df t', qs)


def gen_f():
    cdf, qs = [], []
    pairs = [(0.5, 0.5), (1, 1), (1, 10), (3, 7), (10, 3), (5, 100), (30, 30), (100, 5),
             (1e3, 1e3), (1e4, 50), (1e5, 1e5), (1e6, 1e6)]
    for d1, d2 in pairs:
        for p in [1e-100, 1e-20, 1e-5, 0.01, 0.3, 0.5, 0.7, 0.99, 1 - 1e-5]:
            f = float(stats.f.ppf(p, d1, d2))
            if not (np.isfinite(f) and f > 1e-300):
                continue
            lo, up = f_tails(f, d1, d2)
            if lo < mp.mpf(10) ** -300:
                continue
            cdf.append([r17(f), r17(d1), r17(d2), s20(lo), s20(up)])
            if max(d1, d2) <= 1e4:
                q = quantile(lambda v: f_tails(v, d1, d2), p, f)
                qs.append([r17(p), r17(d1), r17(d2), s20(q)])
    # F(1; 1e6, 1e6) is one half up to the skew of the distribution.
    lo, up = f_tails(1.0, 1e6, 1e6)
    cdf.append([r17(1.0), r17(1e6), r17(1e6), s20(lo), s20(up)])
    write('f_cdf.txt', 'x df1 df2 P(X<=x) P(X>x)', cdf)
    write('f_quantile.txt', 'p df1 df2 x', qs)


def gen_binom():
    rows = []
    for n, p in [(1, 0.5), (10, 0.3), (20, 0.01), (100, 0.5), (1000, 0.3), (1000, 1e-5), (5000, 0.999)]:
        mu, sd = n * p, (n * p * (1 - p)) ** 0.5
        ks = sorted({0, 1, n // 2, n - 1, n, int(mu), int(mu + 3 * sd), max(0, int(mu - 3 * sd))})
        pmf = [mp.binomial(n, j) * mp.mpf(p) ** j * (1 - mp.mpf(p)) ** (n - j) for j in range(n + 1)]
        for k in ks:
            if 0 <= k <= n:
                rows.append([r17(p), str(n), str(k), s20(pmf[k]), s20(mp.fsum(pmf[:k + 1]))])
    write('binom.txt', 'p n k P(X=k) P(X<=k)', rows)


def gen_special():
    rows = []
    for x in [0.1, 0.5, 1, 1.5, 2, 3.7, 10, 33.3, 100, 171.5, 1000]:
        rows.append(['lngamma', r17(x), '0', '0', s20(mp.loggamma(x))])
    for a in [0.5, 1, 2.5, 10, 50, 100]:
        for x in [0.01, 0.3, 1, 2.5, 9, 11, 50, 120]:
            rows.append(['incgamma', r17(x), r17(a), '0', s20(mp.gammainc(a, 0, x, regularized=True))])
    for a, b in [(0.5, 0.5), (1, 3), (2.5, 7), (10, 10), (30, 5), (80, 100)]:
        for x in [0.001, 0.1, 0.3, 0.5, 0.7, 0.95]:
            rows.append(['incbeta', r17(x), r17(a), r17(b), s20(betainc(a, b, x)[0])])
    for x in [-3, -1, -0.2, 0.05, 0.5, 1, 2, 4]:
        rows.append(['erf', r17(x), '0', '0', s20(mp.erf(x))])
        rows.append(['ncdf', r17(x), '0', '0', s20(mp.ncdf(x))])
    for p in [1e-300, 1e-100, 1e-20, 1e-12, 2e-9, 1e-5, 0.025, 0.3, 0.5, 0.7, 0.975, 1 - 1e-9,
              1 - 1e-15]:
        rows.append(['nquantile', r17(p), '0', '0', s20(mp.sqrt(2) * mp.erfinv(2 * mp.mpf(p) - 1)
                                                        if 1e-20 < p < 1 - 1e-20 else
                                                        quantile(lambda v: (mp.ncdf(v), mp.ncdf(-v)), p,
                                                                 stats.norm.ppf(p)))])
    write('gammabeta.txt', 'function x a b value (mpmath, 50 digits)', rows)


def ks_cdf_durbin(n, d):
    """P(Dn < d) by Durbin's matrix (the representation Marsaglia, Tsang and Wang evaluate)."""
    with mp.workdps(40):
        d = mp.mpf(d)
        k = int(n * d) + 1
        m = 2 * k - 1
        h = k - n * d
        H = mp.matrix(m, m)
        for i in range(m):
            for j in range(m):
                H[i, j] = 1 if i - j + 1 >= 0 else 0
        for i in range(m):
            H[i, 0] -= h ** (i + 1)
            H[m - 1, i] -= h ** (m - i)
        if 2 * h - 1 > 0:
            H[m - 1, 0] += (2 * h - 1) ** m
        for i in range(m):
            for j in range(m):
                if i - j + 1 > 0:
                    H[i, j] /= mp.factorial(i - j + 1)
        s = (H ** n)[k - 1, k - 1]
        for i in range(1, n + 1):
            s = s * i / n
        return s


def gen_ks():
    rows = []
    for n in [1, 2, 5, 10, 20, 50, 99, 100, 400, 1000]:
        for d in [0.01, 0.05, 0.1, 0.2, 0.3, 0.45, 0.6, 0.8, 0.95]:
            if d * d * n > 3.76 and n > 99:
                continue
            sf = stats.kstwo.sf(d, n) if n <= 140 else 1 - ks_cdf_durbin(n, d)
            rows.append([str(n), r17(d), s20(sf)])
    write('ks_pvalue.txt', 'n d P(Dn>=d) (scipy.stats.kstwo.sf)', rows)
    sbt = []
    for n in [5, 10, 28, 50, 99]:
        for d in [0.5, 0.6, 0.75, 0.9]:
            with mp.workdps(50):
                dd, nn = mp.mpf(d), n
                s = dd * mp.fsum(mp.binomial(nn, j) * (1 - dd - mp.mpf(j) / nn) ** (nn - j) *
                                 (dd + mp.mpf(j) / nn) ** (j - 1)
                                 for j in range(0, int(mp.floor(nn * (1 - dd))) + 1)
                                 if 1 - dd - mp.mpf(j) / nn > 0)
            sbt.append([str(n), r17(d), s20(2 * s)])
    write('ks_upper_exact.txt', 'n d P(Dn>=d) = 2 P(Dn+>=d), exact for d >= 0.5 (mpmath)', sbt)


def gen_shapiro():
    rng = np.random.default_rng(20261207)
    rows = []
    for n in [3, 4, 5, 8, 11, 12, 20, 50, 200, 1000]:
        for kind in range(3):
            x = rng.normal(size=n) if kind == 0 else (rng.exponential(size=n) if kind == 1 else
                                                      rng.uniform(size=n))
            w, p = stats.shapiro(x)
            rows.append([str(n), r17(w), r17(p)])
    write('shapiro.txt', 'n W p (scipy.stats.shapiro)', rows)


def gen_u():
    @lru_cache(maxsize=None)
    def count(u, m, n):
        # arrangements of m x's and n y's with u pairs x > y (Mann and Whitney's recursion)
        if u < 0:
            return 0
        if m == 0 or n == 0:
            return 1 if u == 0 else 0
        return count(u - n, m - 1, n) + count(u, m, n - 1)
    rows = []
    for m, n in [(1, 1), (2, 5), (5, 7), (8, 8), (3, 20), (12, 15)]:
        total = sum(count(u, m, n) for u in range(m * n + 1))
        cum = 0
        for u in range(m * n + 1):
            cum += count(u, m, n)
            if u % max(1, (m * n) // 12) == 0 or u == m * n:
                rows.append([str(m), str(n), str(u), s20(mp.mpf(count(u, m, n)) / total),
                             s20(mp.mpf(cum) / total)])
    write('u_distri.txt', 'n1 n2 u P(U=u) P(U<=u) (exact counts)', rows)


def gen_chi2_large():
    """χ² with 1e10 .. 1e16 degrees of freedom, where mpmath's hypergeometric series gives up:
    the gamma density integrated by mpmath.quad (tanh-sinh) at 40 digits in s = (t - a)/√a."""
    rows = []
    with mp.workdps(40):
        for df in [1e10, 1e11, 1e12, 1e13, 1e16]:
            a = mp.mpf(df) / 2
            ra = mp.sqrt(a)
            lnc = -mp.loggamma(a)
            f = lambda s: mp.exp((a - 1) * mp.log(a + s * ra) - (a + s * ra) + lnc) * ra
            for z in [-12, -3, -0.4, 0, 0.5, 3]:
                x = float(2 * (a + z * ra))
                sx = (mp.mpf(x) / 2 - a) / ra
                if z < 0:   # the lower tail directly, over pieces that all lie below sx
                    lower = mp.quad(f, [v for v in (-60, -20, -5) if v < sx] + [sx])
                else:
                    lower = 1 - mp.quad(f, [sx] + [v for v in (5, 20, 60) if v > sx])
                rows.append([r17(x), r17(df), s20(lower)])
    write('chi2_cdf_large.txt', 'x df P(X<=x) (mpmath quadrature)', rows)


def gen_densities():
    """Densities by their closed forms in mpmath (log-gamma at 50 digits)."""
    rows = []
    for df in DFS:
        for p in [1e-100, 1e-5, 0.3, 0.5, 0.9, 1 - 1e-9]:
            x = float(stats.chi2.ppf(p, df))
            if np.isfinite(x) and x > 1e-300:
                a, xm = mp.mpf(df) / 2, mp.mpf(x)
                v = mp.exp((a - 1) * mp.log(xm / 2) - xm / 2 - mp.loggamma(a)) / 2
                rows.append(['chi2', r17(x), r17(df), '0', s20(v)])
            t = float(stats.t.ppf(p, df))
            if np.isfinite(t):
                nu, tm = mp.mpf(df), mp.mpf(t)
                v = mp.exp(mp.loggamma((nu + 1) / 2) - mp.loggamma(nu / 2) - mp.log(nu * mp.pi) / 2
                           - (nu + 1) / 2 * mp.log1p(tm * tm / nu))
                rows.append(['t', r17(t), r17(df), '0', s20(v)])
            d2 = 7.0 if df < 1e3 else df
            f = float(stats.f.ppf(p, df, d2))
            if np.isfinite(f) and f > 1e-300:
                a, b, fm = mp.mpf(df) / 2, mp.mpf(d2) / 2, mp.mpf(f)
                lnv = (a * mp.log(2 * a * fm) + b * mp.log(2 * b) - (a + b) * mp.log(2 * a * fm + 2 * b)
                       - mp.log(fm) - (mp.loggamma(a) + mp.loggamma(b) - mp.loggamma(a + b)))
                rows.append(['f', r17(f), r17(df), r17(d2), s20(mp.exp(lnv))])
    write('densities.txt', 'distribution x df1 df2 density (mpmath closed forms)', rows)


GENERATORS = {'dens': gen_densities, 'chi2large': gen_chi2_large, 'special': gen_special, 'binom': gen_binom, 'u': gen_u, 'ks': gen_ks,
              'shapiro': gen_shapiro, 'chi2': gen_chi2, 't': gen_t, 'f': gen_f}

if __name__ == '__main__':
    import sys
    os.makedirs(OUT, exist_ok=True)
    for name in sys.argv[1:] or GENERATORS:     # all by default, or the ones named
        GENERATORS[name]()
