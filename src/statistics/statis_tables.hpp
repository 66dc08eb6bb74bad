// The constant critical-value tables of the statis unit (generated into statis_tables.cpp by
// scripts/gen_statis_tables.py).
#pragma once

namespace ozm::statis::detail {

// Kolmogorov-Smirnov one-sample critical values (Massey), n = 1..20, levels 0.20 .. 0.01.
extern const double kKSTable[20][5];
// Wilcoxon signed-rank critical values, n = 8..100, two-sided levels 0.10 0.05 0.02 0.01 0.001.
extern const int kWilcoxonTable[93][5];
// Dean-Dixon critical values, n = 3..100 (r10, r11, r21, r22 by n), levels 0.001 .. 0.5.
extern const double kDixonTable[98][9];
// Durbin-Watson 5 % bounds {dL, dU} for n = 6..100, k = 1..20 (0 where n - k < 5).
extern const double kDWSmall[95][20][2];
// Polynomial coefficients c_0..c_6 per k and bound for 100 < n <= 200 (in n - 150) and for
// 200 < n <= 500 (in n - 350), and the pairs (a, b) per k and bound for n > 500.
extern const double kDWPoly200[20][2][7];
extern const double kDWPoly500[20][2][7];
extern const double kDWLarge[20][2][2];

}  // namespace ozm::statis::detail
