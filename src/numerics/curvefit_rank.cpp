// TCurveFit: the rank statistics (Kendall's tau, Kruskal's gamma, Spearman's rho).
//
// The pair counts of Kendall and Kruskal come from Knight's method instead of the comparison of
// all n(n - 1)/2 pairs: sort by (x, y), count the discordant pairs as the exchanges of a merge
// sort of the y sequence, and count the ties from the runs of equal values. The counts are the
// same as those of the quadratic loop, in O(n log n).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <vector>

#include "ozm/math1/scalar.hpp"
#include "ozm/math2/curvefit.hpp"
#include "ozm/statis/gammabeta.hpp"

namespace ozm {

namespace {

struct TPairXY {
    double x, y;
};

// Pairs i < j of a sorted sequence with equal keys: sum of t(t - 1)/2 over the runs.
template <typename Equal>
int64_t TiedPairs(const std::vector<TPairXY>& p, Equal equal) {
    int64_t ties = 0;
    size_t run = 1;
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i < p.size() && equal(p[i - 1], p[i])) {
            ++run;
            continue;
        }
        ties += static_cast<int64_t>(run) * static_cast<int64_t>(run - 1) / 2;
        run = 1;
    }
    return ties;
}

// Sorts p[lo, hi) by y with a bottom-up merge sort and returns the number of pairs i < j with
// y_i > y_j in the original order (equal values are no exchange: the merge is stable).
int64_t MergeSortByY(std::vector<TPairXY>& p) {
    const size_t n = p.size();
    std::vector<TPairXY> buffer(n);
    int64_t exchanges = 0;
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                if (p[j].y < p[i].y) {
                    exchanges += static_cast<int64_t>(mid - i);
                    buffer[k++] = p[j++];
                } else {
                    buffer[k++] = p[i++];
                }
            }
            while (i < mid) buffer[k++] = p[i++];
            while (j < hi) buffer[k++] = p[j++];
        }
        p.swap(buffer);
    }
    return exchanges;
}

// Mean ranks (1-based) of the values in the order given by Order, written to Rank; returns the
// tie correction sum (t^3 - t)/12 over the runs of equal values.
double RankWithTies(const double* v, const std::vector<int>& Order, std::vector<double>& Rank) {
    const size_t n = Order.size();
    double correction = 0;
    size_t start = 0;
    while (start < n) {
        size_t end = start + 1;
        while (end < n && v[Order[end]] == v[Order[start]]) ++end;
        const double t = static_cast<double>(end - start);
        const double meanRank = (static_cast<double>(start + 1) + static_cast<double>(end)) / 2;
        for (size_t i = start; i < end; ++i) Rank[static_cast<size_t>(Order[i])] = meanRank;
        if (t > 1) correction += (t * t * t - t) / 12;
        start = end;
    }
    return correction;
}

}  // namespace

void TCurveFit::UpdateKendallCounts() const {
    if (FKendallValid) return;
    FKendallConcord = FKendallDiscord = FKendallTies1 = FKendallTies2 = 0;
    if (FNumData > 2) {
        const double* xs = FData.Data();
        const double* ys = xs + FData.NrOfRows();
        std::vector<TPairXY> p;
        p.reserve(static_cast<size_t>(FNumData));
        for (int i = 0; i < FNumData; ++i)
            if (!std::isnan(xs[i]) && !std::isnan(ys[i])) p.push_back({xs[i], ys[i]});
        std::sort(p.begin(), p.end(), [](const TPairXY& a, const TPairXY& b) {
            return a.x < b.x || (a.x == b.x && a.y < b.y);
        });
        const int64_t m = static_cast<int64_t>(p.size());
        const int64_t all = m * (m - 1) / 2;
        const auto sameX = [](const TPairXY& a, const TPairXY& b) { return a.x == b.x; };
        const auto sameY = [](const TPairXY& a, const TPairXY& b) { return a.y == b.y; };
        const int64_t tiedX = TiedPairs(p, sameX);
        const int64_t tiedXY = TiedPairs(p, [](const TPairXY& a, const TPairXY& b) {
            return a.x == b.x && a.y == b.y;
        });
        const int64_t discordant = MergeSortByY(p);
        const int64_t tiedY = TiedPairs(p, sameY);
        FKendallDiscord = discordant;
        FKendallConcord = all - tiedX - tiedY + tiedXY - discordant;
        FKendallTies1 = tiedY - tiedXY;  // tied in y only
        FKendallTies2 = tiedX - tiedXY;  // tied in x only
    }
    FKendallValid = true;
}

double TCurveFit::GetKruskalGamma() const {
    UpdateKendallCounts();
    const int64_t both = FKendallConcord + FKendallDiscord;
    if (both == 0) return 0;
    return static_cast<double>(FKendallConcord - FKendallDiscord) / static_cast<double>(both);
}

double TCurveFit::KendallsTau(double& P) const {
    UpdateKendallCounts();
    const double c = static_cast<double>(FKendallConcord);
    const double d = static_cast<double>(FKendallDiscord);
    const double root = std::sqrt((c + d + static_cast<double>(FKendallTies1)) *
                                  (c + d + static_cast<double>(FKendallTies2)));
    if (root == 0) {
        P = 0;
        return 0;
    }
    const double tau = (c - d) / root;
    const double n = FNumData;
    const double sigma = std::sqrt((4 * n + 10) / (9 * n * (n - 1)));
    P = 1 - statis::ErfApprox(std::fabs(tau / sigma) / std::numbers::sqrt2);
    return tau;
}

double TCurveFit::GetSpearman() const {
    const int n = FNumData;
    if (n < 3) return 0;
    const double* xs = FData.Data();
    const double* ys = xs + FData.NrOfRows();
    const auto nanLast = [](const double* v) {
        return [v](int a, int b) { return std::isnan(v[b]) ? !std::isnan(v[a]) : v[a] < v[b]; };
    };
    std::vector<int> order(static_cast<size_t>(n));
    std::vector<double> rankX(static_cast<size_t>(n)), rankY(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), nanLast(xs));
    const double tx = RankWithTies(xs, order, rankX);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), nanLast(ys));
    const double ty = RankWithTies(ys, order, rankY);
    TKahanSum d;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        const double diff = rankX[i] - rankY[i];
        d.Add(diff * diff);
    }
    const double nn = n;
    const double a = nn * (nn * nn - 1);
    if (tx == 0 && ty == 0) return 1 - 6 * d.Sum / a;
    if (a == 12 * tx || a == 12 * ty) return 0;
    return (a - 6 * (d.Sum + tx + ty)) / std::sqrt((a - 12 * tx) * (a - 12 * ty));
}

}  // namespace ozm
