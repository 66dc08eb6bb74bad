// Critical values of the Wilcoxon signed-rank, Dean-Dixon, Grubbs and Durbin-Watson tests.
#include <algorithm>
#include <cmath>

#include "ozm/math2/parabola.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/statis/critical.hpp"
#include "ozm/statis/distributions.hpp"
#include "statistics/statis_internal.hpp"
#include "statistics/statis_tables.hpp"

namespace ozm::statis {

using detail::ld;

namespace {

constexpr double kWilcoxonLevel[5] = {0.10, 0.05, 0.02, 0.01, 0.001};

ld Poly6(const double (&c)[7], ld x) noexcept {
    ld v = c[6];
    for (int i = 5; i >= 0; --i) v = v * x + c[i];
    return v;
}

}  // namespace

int64_t WilcoxonSRQuantile(int32_t n, double alpha, bool TwoSided) noexcept {
    if (n <= 7 || n > 1000000 || !(alpha >= 0.000499999 && alpha <= 0.20000001)) return -1;
    if (n <= 100) {
        const double level = TwoSided ? alpha : 2 * alpha;
        const int* row = detail::kWilcoxonTable[n - 8];
        // At a tabulated level the table is the answer: the parabola through the levels does not
        // pass through its own points for many n.
        for (int j = 0; j < 5; ++j)
            if (std::fabs(level - kWilcoxonLevel[j]) <= 1e-9 * kWilcoxonLevel[j]) return row[j];
        const int cols = n == 8 ? 3 : (n <= 10 ? 4 : 5);
        double xs[5], ys[5];
        for (int j = 0; j < cols; ++j) {
            xs[j] = std::log(kWilcoxonLevel[j]);
            ys[j] = row[j];
        }
        double k0 = 0, k1 = 0, k2 = 0;
        if (!math2::FitParabola(std::span<const double>(xs, cols), std::span<const double>(ys, cols),
                                k0, k1, k2))
            return -1;
        const ld la = std::log(static_cast<ld>(level));
        return std::max<int64_t>(Round(k0 + k1 * la + k2 * la * la), 0);
    }
    const ld z = -static_cast<ld>(nDistriQuantile(TwoSided ? alpha / 2 : alpha));
    const ld nn = n;
    return Round(nn * (nn + 1) / 4 - z * std::sqrt(nn * (nn + 1) * (2 * nn + 1) / 24));
}

double DeanDixonCriticalValues(int32_t n, TSignifLevelEx level) noexcept {
    const int li = static_cast<int>(level);
    if (n < 3 || n > 100 || li < 0 || li > 8) return -1;
    return detail::kDixonTable[n - 3][li];
}

double GrubbsCriticalValues(int32_t n, double alpha, bool TwoSided) noexcept {
    if (!(alpha > 0 && alpha < 1) || n <= 2) return -1;
    const int j = TwoSided ? 2 : 1;
    const ld t = tDistriQuantile(1 - alpha / (static_cast<double>(j) * n), n - 2.0);
    const ld nn = n;
    return static_cast<double>((nn - 1) / std::sqrt(nn) * std::sqrt(t * t / (nn - 2 + t * t)));
}

bool DurbinWatsonCrit5pct(int32_t n, int32_t k, double& dL, double& dU) noexcept {
    if (static_cast<int64_t>(n) - k < 5 || k < 1 || k > 20 || n < 5 || n > 2000) return false;
    if (n <= 100) {
        dL = detail::kDWSmall[n - 6][k - 1][0];
        dU = detail::kDWSmall[n - 6][k - 1][1];
        return true;
    }
    const ld nn = n;
    const ld base = 2 + static_cast<ld>(nDistriQuantile(0.05)) * std::sqrt(4 / nn);
    ld lower, upper;
    if (n <= 200) {
        lower = base + Poly6(detail::kDWPoly200[k - 1][0], nn - 150);
        upper = base + Poly6(detail::kDWPoly200[k - 1][1], nn - 150);
    } else if (n <= 500) {
        lower = base + Poly6(detail::kDWPoly500[k - 1][0], nn - 350);
        upper = base + Poly6(detail::kDWPoly500[k - 1][1], nn - 350);
    } else {
        const double(&ab)[2][2] = detail::kDWLarge[k - 1];
        lower = base + 1 / (ab[0][0] * nn + ab[0][1]);
        upper = base + 1 / (ab[1][0] * nn + ab[1][1]);
    }
    dL = static_cast<double>(lower);
    dU = static_cast<double>(upper);
    return true;
}

}  // namespace ozm::statis
