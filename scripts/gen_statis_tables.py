#!/usr/bin/python3
"""Generates src/statistics/statis_tables.cpp, the constant critical-value tables of the statis unit.

Sources (all under ../shared/data/, see its README for provenance):
  ks_massey_critical_values.csv        Kolmogorov-Smirnov one-sample critical values, n = 1..20
  wilcoxon_signed_rank_computed.csv    Wilcoxon signed-rank critical values, n = 8..100 (exact)
  dixon_published_montecarlo.csv       Dean-Dixon critical values, n = 3..100, levels 0.001..0.2
  dixon_computed_quadrature.csv        the same by quadrature; supplies the 0.5 column (3 decimals)
  durbin_watson_5pct_computed.csv      Durbin-Watson 5 % bounds, exact (Imhof), n = 6..2000

Rows the library documents explicitly win over the files where they differ in the last digit
(DOCUMENTED_* below). The Durbin-Watson coefficients beyond n = 100 are fitted here:
  100 < n <= 200: bound - base = sum c_i (n - 150)^i, i = 0..6, linear least squares over n = 101..200
  200 < n <= 500: the same in (n - 350) over n = 210..500 (step 10)
  n > 500:        bound - base = 1 / (a n + b), nonlinear least squares over n = 550..2000
with base = 2 + z sqrt(4 / n), z = the 5 % normal quantile; the documented k = 1 pair (a, b) wins.

Usage: scripts/gen_statis_tables.py [shared-data-dir]  (writes the C++ file; run from the repo root)
"""
import csv
import os
import sys

os.environ.setdefault('OPENBLAS_NUM_THREADS', '1')  # same rounding on every run
from statistics import NormalDist

import numpy as np
from scipy.optimize import least_squares

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DATA = sys.argv[1] if len(sys.argv) > 1 else next(
    (d for d in (os.path.join(ROOT, '..', 'shared', 'data'), os.path.join(ROOT, '..', '..', 'shared', 'data'))
     if os.path.isdir(d)), '')
OUT = os.path.join(ROOT, 'src', 'statistics', 'statis_tables.cpp')

DOCUMENTED_DIXON_HALF = {3: 0.501}                       # printed 0.501; quadrature gives 0.5000
DOCUMENTED_DW = {(6, 1): (0.61018, 1.40015), (100, 1): (1.65404, 1.69439)}
DOCUMENTED_DW_AB_K1 = ((-0.512356, -12.4106), (0.490158, -13.3122))


def read_rows(name):
    with open(os.path.join(DATA, name)) as f:
        lines = [line for line in f if not line.startswith('#')]
    return list(csv.DictReader(lines))


def ks_table():
    rows = read_rows('ks_massey_critical_values.csv')
    assert [int(r['n']) for r in rows] == list(range(1, 21))
    return [[r[c] for c in ('a0.20', 'a0.15', 'a0.10', 'a0.05', 'a0.01')] for r in rows]


def wilcoxon_table():
    rows = read_rows('wilcoxon_signed_rank_computed.csv')
    assert [int(r['n']) for r in rows] == list(range(8, 101))
    return [[r[c] for c in ('a0.10', 'a0.05', 'a0.02', 'a0.01', 'a0.001')] for r in rows]


def dixon_table():
    pub = read_rows('dixon_published_montecarlo.csv')
    quad = {int(r['n']): r for r in read_rows('dixon_computed_quadrature.csv')}
    levels = ['a0.001', 'a0.002', 'a0.005', 'a0.01', 'a0.02', 'a0.05', 'a0.1', 'a0.2']
    out = []
    assert [int(r['n']) for r in pub] == list(range(3, 101))
    for r in pub:
        n = int(r['n'])
        half = DOCUMENTED_DIXON_HALF.get(n, round(float(quad[n]['a0.5']), 3))
        out.append([r[c] for c in levels] + ['%.3f' % half])
    return out


def dw_data():
    d = {}
    for r in read_rows('durbin_watson_5pct_computed.csv'):
        d[(int(r['n']), int(r['k']))] = (r['dL'], r['dU'], float(r['dL_9dp']), float(r['dU_9dp']))
    return d


def dw_tables(d):
    z = NormalDist().inv_cdf(0.05)
    small = []          # [n - 6][k - 1] -> (dL, dU) text, 0 where the table has no cell
    for n in range(6, 101):
        row = []
        for k in range(1, 21):
            if (n, k) in DOCUMENTED_DW:
                row.append(tuple('%.5f' % v for v in DOCUMENTED_DW[(n, k)]))
            elif (n, k) in d:
                row.append(d[(n, k)][:2])
            else:
                row.append(('0', '0'))
        small.append(row)

    def poly_fit(k, which, lo, hi, centre):
        ns = [n for n in range(lo, hi + 1) if (n, k) in d]
        x = np.array(ns, float)
        y = np.array([d[(n, k)][2 + which] for n in ns]) - (2 + z * np.sqrt(4 / x))
        t = (x - centre) / 50.0                  # scaled for conditioning, unscaled below
        coef = np.linalg.lstsq(np.vander(t, 7, increasing=True), y, rcond=None)[0]
        return [c / 50.0 ** i for i, c in enumerate(coef)]

    def ab_fit(k, which):
        if k == 1:
            return DOCUMENTED_DW_AB_K1[which]
        ns = [n for n in range(501, 2001) if (n, k) in d]
        x = np.array(ns, float)
        y = np.array([d[(n, k)][2 + which] for n in ns])
        base = 2 + z * np.sqrt(4 / x)
        a0 = np.linalg.lstsq(np.vstack([x, np.ones_like(x)]).T, 1 / (y - base), rcond=None)[0]
        fit = least_squares(lambda ab: base + 1 / (ab[0] * x + ab[1]) - y, a0, xtol=1e-15,
                            ftol=1e-15, gtol=1e-15)
        return tuple(fit.x)

    poly200 = [[poly_fit(k, w, 101, 200, 150) for w in (0, 1)] for k in range(1, 21)]
    poly500 = [[poly_fit(k, w, 201, 500, 350) for w in (0, 1)] for k in range(1, 21)]
    ab = [[ab_fit(k, w) for w in (0, 1)] for k in range(1, 21)]
    return small, poly200, poly500, ab


def fmt_rows(rows, per_line_prefix='    '):
    return '\n'.join(per_line_prefix + '{' + ', '.join(r) + '},' for r in rows)


def main():
    d = dw_data()
    small, poly200, poly500, ab = dw_tables(d)
    g = lambda v: repr(float(v))
    parts = []
    parts.append('''// Generated by scripts/gen_statis_tables.py from the published and computed critical-value
// tables (see that script for the sources and the fits). Do not edit by hand; rerun the script.
#include "statistics/statis_tables.hpp"

namespace ozm::statis::detail {
''')
    parts.append('const double kKSTable[20][5] = {\n' + fmt_rows(ks_table()) + '\n};\n')
    parts.append('const int kWilcoxonTable[93][5] = {\n' + fmt_rows(wilcoxon_table()) + '\n};\n')
    parts.append('const double kDixonTable[98][9] = {\n' + fmt_rows(dixon_table()) + '\n};\n')
    parts.append('const double kDWSmall[95][20][2] = {\n' + '\n'.join(
        '    {' + ', '.join('{%s, %s}' % c for c in row) + '},' for row in small) + '\n};\n')
    for name, tab in (('kDWPoly200', poly200), ('kDWPoly500', poly500)):
        parts.append('const double %s[20][2][7] = {\n' % name + '\n'.join(
            '    {{' + ', '.join(map(g, pair[0])) + '},\n     {' + ', '.join(map(g, pair[1])) + '}},'
            for pair in tab) + '\n};\n')
    parts.append('const double kDWLarge[20][2][2] = {\n' + '\n'.join(
        '    {{%s, %s}, {%s, %s}},' % (g(p[0][0]), g(p[0][1]), g(p[1][0]), g(p[1][1])) for p in ab)
        + '\n};\n')
    parts.append('\n}  // namespace ozm::statis::detail\n')
    with open(OUT, 'w') as f:
        f.write('\n'.join(parts))
    print('wrote', OUT)
    write_dw_check(d, poly200, poly500, ab)


def write_dw_check(d, poly200, poly500, ab):
    """The exact bounds beyond n = 100 for the tests, with the fits' worst deviation."""
    z = NormalDist().inv_cdf(0.05)
    worst = 0.0
    rows = []
    for (n, k), v in sorted(d.items()):
        if n <= 100:
            continue
        base = 2 + z * (4 / n) ** 0.5
        fit = []
        for w in (0, 1):
            if n <= 200:
                fit.append(base + sum(c * (n - 150) ** i for i, c in enumerate(poly200[k - 1][w])))
            elif n <= 500:
                fit.append(base + sum(c * (n - 350) ** i for i, c in enumerate(poly500[k - 1][w])))
            else:
                a, b = ab[k - 1][w]
                fit.append(base + 1 / (a * n + b))
        worst = max(worst, abs(fit[0] - v[2]), abs(fit[1] - v[3]))
        rows.append('%d %d %.9f %.9f' % (n, k, v[2], v[3]))
    path = os.path.join(ROOT, 'tests', 'data', 'statis', 'dw_exact_large_n.txt')
    with open(path, 'w') as f:
        f.write('# n k dL dU: exact 5 %% Durbin-Watson bounds beyond n = 100 (from '
                'durbin_watson_5pct_computed.csv); the fitted forms deviate by at most %.3g\n' % worst)
        f.write('\n'.join(rows) + '\n')
    print('wrote', path, 'worst fit deviation', worst)


if __name__ == '__main__':
    main()
