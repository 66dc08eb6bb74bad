// Mann-Whitney U distribution (exact counts, normal approximation beyond) and the Shapiro-Wilk
// W distribution by Royston's approximation.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ozm/statis/distributions.hpp"
#include "statistics/statis_internal.hpp"

namespace ozm::statis {

using detail::ld;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kMaxExactCells = 100000;

__extension__ typedef unsigned __int128 uint128;

// Number of arrangements of the two samples whose U equals j, for j = 0 .. n1 n2: the
// coefficients of the Gaussian binomial [n1 + n2 choose n1]_q, built as the product of
// (1 - q^(M+i))/(1 - q^i), i = 1..m (m = min, M = max). Each division by (1 - q^i) is a running
// sum and each multiplication a difference; integers modulo 2^128 form a ring, so every
// intermediate wrap-around cancels and the final counts (all below C(n1 + n2, n1) < 2^127) are
// exact.
std::vector<uint128> UCounts(int32_t n1, int32_t n2) {
    const int64_t m = std::min(n1, n2), M = std::max(n1, n2);
    std::vector<uint128> c(static_cast<size_t>(m * M + 1), 0);
    c[0] = 1;
    for (int64_t i = 1; i <= m; ++i) {
        const int64_t deg = i * M;
        for (int64_t j = i; j <= deg; ++j) c[j] += c[j - i];
        for (int64_t j = deg; j >= M + i; --j) c[j] -= c[j - M - i];
    }
    return c;
}

ld ToLd(uint128 v) noexcept {
    // Two 64-bit halves: exact conversion up to the final rounding of the sum.
    return static_cast<ld>(static_cast<uint64_t>(v >> 64)) * 18446744073709551616.0L +
           static_cast<ld>(static_cast<uint64_t>(v));
}

bool ValidSizes(int32_t n1, int32_t n2) noexcept { return n1 >= 1 && n2 >= 1; }

// Normal approximation with continuity correction: P(U <= k) = Φ((k + ½ - μ)/σ).
ld UNormalIntegral(ld k, int32_t n1, int32_t n2) noexcept {
    const ld n1n2 = static_cast<ld>(n1) * n2;
    const ld mu = n1n2 / 2;
    const ld sigma = std::sqrt(n1n2 * (static_cast<ld>(n1) + n2 + 1) / 12);
    return detail::NormalTails((k + 0.5L - mu) / sigma).lower;
}

}  // namespace

bool UDistriIsExact(int32_t n1, int32_t n2) noexcept {
    if (!ValidSizes(n1, n2)) return false;
    if (static_cast<int64_t>(n1) * n2 > kMaxExactCells) return false;
    const ld lnC = detail::LnGammaAcc(static_cast<ld>(n1) + n2 + 1) -
                   detail::LnGammaAcc(static_cast<ld>(n1) + 1) -
                   detail::LnGammaAcc(static_cast<ld>(n2) + 1);
    return lnC < 127 * std::log(2.0L) - 1e-6L;
}

double UDistriDensity(double u, int32_t n1, int32_t n2) noexcept {
    if (std::isnan(u) || !ValidSizes(n1, n2)) return kNaN;
    const int64_t cells = static_cast<int64_t>(n1) * n2;
    if (u < 0 || u > cells || u != std::floor(u)) return 0;
    const int64_t k = static_cast<int64_t>(u);
    if (!UDistriIsExact(n1, n2))
        return static_cast<double>(UNormalIntegral(k, n1, n2) - UNormalIntegral(k - 1, n1, n2));
    const std::vector<uint128> c = UCounts(n1, n2);
    uint128 total = 0;
    for (uint128 v : c) total += v;
    return static_cast<double>(ToLd(c[k]) / ToLd(total));
}

double UDistriIntegral(double u, int32_t n1, int32_t n2) noexcept {
    if (std::isnan(u) || !ValidSizes(n1, n2)) return kNaN;
    const int64_t cells = static_cast<int64_t>(n1) * n2;
    if (u < 0) return 0;
    if (u >= cells) return 1;
    const int64_t k = static_cast<int64_t>(std::floor(u));
    if (!UDistriIsExact(n1, n2)) return static_cast<double>(UNormalIntegral(k, n1, n2));
    const std::vector<uint128> c = UCounts(n1, n2);
    uint128 below = 0, total = 0;
    for (int64_t j = 0; j <= cells; ++j) {
        total += c[j];
        if (j <= k) below += c[j];
    }
    return static_cast<double>(ToLd(below) / ToLd(total));
}

int32_t UDistriQuantile(double p, int32_t n1, int32_t n2) noexcept {
    if (!(p >= 0 && p <= 1) || !ValidSizes(n1, n2)) return -1;
    const int64_t cells = static_cast<int64_t>(n1) * n2;
    if (cells > std::numeric_limits<int32_t>::max()) return -1;
    if (UDistriIsExact(n1, n2)) {
        const std::vector<uint128> c = UCounts(n1, n2);
        uint128 total = 0;
        for (uint128 v : c) total += v;
        const ld ltotal = ToLd(total);
        uint128 below = 0;
        for (int64_t j = 0; j <= cells; ++j) {
            below += c[j];
            if (ToLd(below) / ltotal >= p) return static_cast<int32_t>(j);
        }
        return static_cast<int32_t>(cells);
    }
    const ld mu = static_cast<ld>(cells) / 2;
    const ld sigma = std::sqrt(static_cast<ld>(cells) * (static_cast<ld>(n1) + n2 + 1) / 12);
    const ld z = detail::NormalQuantileAcc(p, 1 - static_cast<ld>(p));
    ld guess = std::ceil(mu + sigma * z - 0.5L);
    guess = std::clamp<ld>(std::isfinite(guess) ? guess : (z < 0 ? 0 : cells), 0, cells);
    int64_t k = static_cast<int64_t>(guess);
    // The rounded inverse may be one off; settle on the smallest k that reaches p.
    while (k > 0 && UNormalIntegral(k - 1, n1, n2) >= p) --k;
    while (k < cells && UNormalIntegral(k, n1, n2) < p) ++k;
    return static_cast<int32_t>(k);
}

double ShapiroWilkIntegral(double w, int32_t n) noexcept {
    if (std::isnan(w) || n < 3 || n > 5000 || !(w > 0) || w > 1) return kNaN;
    if (w == 1) return 1;
    const ld lw = w;
    if (n == 3) {
        // Exact: P(W <= w) = (6/π)(asin √w - asin √(3/4)), 0 below the minimum 3/4.
        const ld pw = 6 / detail::kPi * (std::asin(std::sqrt(lw)) - detail::kPi / 3);
        return static_cast<double>(std::max<ld>(pw, 0));
    }
    const ld ln1w = std::log1p(-lw);
    ld z;
    if (n <= 11) {
        const ld nn = n;
        const ld gamma = -2.273L + 0.459L * nn;
        if (ln1w >= gamma) return 0;  // beyond the transformation's range: w far too small
        const ld m = 0.544L + nn * (-0.39978L + nn * (0.025054L + nn * -6.714e-4L));
        const ld s = std::exp(1.3822L + nn * (-0.77857L + nn * (0.062767L + nn * -0.0020322L)));
        z = (-std::log(gamma - ln1w) - m) / s;
    } else {
        const ld x = std::log(static_cast<ld>(n));
        const ld m = -1.5861L + x * (-0.31082L + x * (-0.083751L + x * 0.0038915L));
        const ld s = std::exp(-0.4803L + x * (-0.082676L + x * 0.0030302L));
        z = (ln1w - m) / s;
    }
    return static_cast<double>(detail::NormalTails(z).upper);
}

}  // namespace ozm::statis
