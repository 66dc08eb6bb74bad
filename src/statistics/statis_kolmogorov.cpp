// Kolmogorov-Smirnov distribution (Marsaglia-Tsang-Wang matrix power, Smirnov-Birnbaum-Tingey
// upper tail) and the Lilliefors approximation.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ozm/math1/scalar.hpp"
#include "ozm/statis/critical.hpp"
#include "statistics/statis_internal.hpp"
#include "statistics/statis_tables.hpp"

namespace ozm::statis {

using detail::ld;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kKSLevel[5] = {0.20, 0.15, 0.10, 0.05, 0.01};
constexpr double kKSAsymptotic[5] = {1.073, 1.138, 1.224, 1.358, 1.628};
// Largest matrix of the exact method: its cost grows with the cube of 2·n·d, so beyond this
// (n above about 6000 near the asymptotic switch) the limiting distribution takes over; its
// final scaling by n!/n^n takes n steps, which bounds n as well.
constexpr int kMaxKSMatrix = 301;
constexpr int kMaxKSExactN = 100000;

// C = A·B for m x m row-major matrices (C distinct from A and B). B is transposed first so that
// each cell is one dot product over contiguous rows with its sums held in registers: extended
// values do not vectorise, and a loop that reloads and stores C on every step runs several times
// slower.
void MatMul(const ld* A, const ld* B, ld* C, int m) {
    const size_t mm = static_cast<size_t>(m);
    std::vector<ld> Bt(mm * mm);
    for (size_t k = 0; k < mm; ++k)
        for (size_t j = 0; j < mm; ++j) Bt[j * mm + k] = B[k * mm + j];
    for (size_t i = 0; i < mm; ++i) {
        const ld* ai = A + i * mm;
        for (size_t j = 0; j < mm; ++j) {
            const ld* bj = Bt.data() + j * mm;
            ld s0 = 0, s1 = 0;
            size_t k = 0;
            for (; k + 1 < mm; k += 2) {
                s0 += ai[k] * bj[k];
                s1 += ai[k + 1] * bj[k + 1];
            }
            if (k < mm) s0 += ai[k] * bj[k];
            C[i * mm + j] = s0 + s1;
        }
    }
}

// V = A^n with a decimal exponent eV kept aside (recursive squaring; the result is rescaled by
// 1e-140 whenever its middle diagonal element exceeds 1e140).
void MatPower(const std::vector<ld>& A, int eA, std::vector<ld>& V, int& eV, int m, int n) {
    if (n == 1) {
        V = A;
        eV = eA;
        return;
    }
    MatPower(A, eA, V, eV, m, n / 2);
    std::vector<ld> B(V.size());
    MatMul(V.data(), V.data(), B.data(), m);
    int eB = 2 * eV;
    if (n % 2 == 0) {
        V.swap(B);
        eV = eB;
    } else {
        MatMul(A.data(), B.data(), V.data(), m);
        eV = eA + eB;
    }
    if (V[static_cast<size_t>(m / 2) * m + m / 2] > 1e140L) {
        for (ld& v : V) v *= 1e-140L;
        eV += 140;
    }
}

// P(Dn < d) by Marsaglia, Tsang and Wang (2003).
ld KSCdfExact(int n, ld d) {
    const int k = static_cast<int>(n * d) + 1;
    const int m = 2 * k - 1;
    const ld h = k - n * d;
    std::vector<ld> H(static_cast<size_t>(m) * m);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) H[static_cast<size_t>(i) * m + j] = i - j + 1 >= 0 ? 1 : 0;
    for (int i = 0; i < m; ++i) {
        H[static_cast<size_t>(i) * m] -= std::pow(h, i + 1);
        H[static_cast<size_t>(m - 1) * m + i] -= std::pow(h, m - i);
    }
    if (2 * h - 1 > 0) H[static_cast<size_t>(m - 1) * m] += std::pow(2 * h - 1, m);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j)
            for (int g = 1; g <= i - j + 1; ++g) H[static_cast<size_t>(i) * m + j] /= g;
    std::vector<ld> Q;
    int eQ = 0;
    MatPower(H, 0, Q, eQ, m, n);
    ld s = Q[static_cast<size_t>(k - 1) * m + (k - 1)];
    for (int i = 1; i <= n; ++i) {
        s = s * i / n;
        if (s < 1e-140L) {
            s *= 1e140L;
            eQ -= 140;
        }
    }
    return s * std::pow(10.0L, eQ);
}

// P(Dn+ >= d), exact (Smirnov, Birnbaum and Tingey):
// d Σ_{j=0}^{⌊n(1-d)⌋} C(n, j) (1 - d - j/n)^(n-j) (d + j/n)^(j-1).
ld KSOneSidedUpper(int n, ld d) noexcept {
    const ld nn = n;
    const ld lnN1 = detail::LnGammaAcc(nn + 1);
    ld sum = 0;
    const int jmax = static_cast<int>(std::floor(nn * (1 - d)));
    for (int j = 0; j <= jmax && j < n; ++j) {
        const ld rest = (nn - nn * d - j) / nn;
        if (!(rest > 0)) continue;
        const ld lnC = lnN1 - detail::LnGammaAcc(j + 1.0L) - detail::LnGammaAcc(nn - j + 1);
        sum += std::exp(lnC + (nn - j) * std::log(rest) + (j - 1) * std::log(d + j / nn));
    }
    return d * sum;
}

// Limiting distribution with Stephens' finite-n scaling: 2 Σ (-1)^(j-1) exp(-2 j² λ²).
ld KSAsymptoticUpper(int n, ld d) noexcept {
    const ld rn = std::sqrt(static_cast<ld>(n));
    const ld lambda = d * (rn + 0.12L + 0.11L / rn);
    ld sum = 0, sign = 1;
    for (int j = 1; j <= 100; ++j) {
        const ld term = std::exp(-2 * j * j * lambda * lambda);
        sum += sign * term;
        if (term < 1e-20L * std::fabs(sum)) break;
        sign = -sign;
    }
    return std::clamp<ld>(2 * sum, 0, 1);
}

}  // namespace

double KSPValue(int32_t n, double d) noexcept {
    if (n < 1 || std::isnan(d)) return kNaN;
    if (d <= 0) return 1;
    if (d >= 1) return 0;
    const ld ld_d = d, nn = n;
    if (ld_d * 2 * nn <= 1) return 1;  // Dn >= 1/(2n) for every sample
    const ld s = ld_d * ld_d * nn;
    if (n > 99 && s > 3.76L) {
        const ld rn = std::sqrt(nn);
        return static_cast<double>(
            std::min<ld>(1, 2 * std::exp(-(2.000071L + 0.331L / rn + 1.409L / nn) * s)));
    }
    // The asymptotic shortcut for small n overshoots the exact tail, so the p-value would jump
    // up as d crosses the switch; the exact one-sided sum keeps it falling and accurate.
    if (s > 7.24L) return static_cast<double>(std::min<ld>(1, 2 * KSOneSidedUpper(n, ld_d)));
    if (n > kMaxKSExactN || 2 * (static_cast<int>(n * ld_d) + 1) - 1 > kMaxKSMatrix)
        return static_cast<double>(KSAsymptoticUpper(n, ld_d));
    return static_cast<double>(std::clamp<ld>(1 - KSCdfExact(n, ld_d), 0, 1));
}

double KolmogSmir1SampleTestStat(int32_t n, TSignifLevel level) noexcept {
    const int li = static_cast<int>(level);
    if (n < 1 || li < 0 || li > 4) return kNaN;
    if (n <= 20) return detail::kKSTable[n - 1][li];
    return kKSAsymptotic[li] / std::sqrt(static_cast<double>(n));
}

double KSQuantile(int32_t n, TSignifLevel level) noexcept {
    double d = KolmogSmir1SampleTestStat(n, level);
    if (std::isnan(d)) return d;
    const double alpha = kKSLevel[static_cast<int>(level)];
    for (int i = 0; i < 1000; ++i) {
        const double v = KSPValue(n, d) - alpha;
        if (!(std::fabs(v) > 1e-4)) break;
        d *= 1 + v;
    }
    return d;
}

double LillieforsPValue(int32_t n, double d) noexcept {
    if (n < 6) return -1;
    ld dd = d, nn = n;
    if (n > 100) {
        dd *= std::pow(nn / 100, 0.49L);
        nn = 100;
    }
    const ld c = nn + 2.78019L;
    ld e = -7.01256L * dd * dd * c + 2.99587L * dd * std::sqrt(c) - 0.122119L +
           0.97498L / std::sqrt(nn) + 1.67997L / nn;
    if (e > 0) e = 0;
    return static_cast<double>(std::exp(e));
}

double LillieforsQuantile(int32_t n, double alpha) noexcept {
    static constexpr double A[7] = {6.32207539843126,   -17.1398870006148,  38.42812675101057,
                                    -45.93241384693391, 7.88697700041829,   29.79317711037858,
                                    -18.48090137098585};
    static constexpr double B[7] = {12.940399038404,   -53.458334259532, 186.923866119699,
                                    -410.582178349305, 517.377862566267, -343.581476222384,
                                    92.123451358715};
    const double x = 1 - alpha;
    return 1 / std::sqrt(n * math1::Polynomial(A, 6, x) + math1::Polynomial(B, 6, x));
}

}  // namespace ozm::statis
