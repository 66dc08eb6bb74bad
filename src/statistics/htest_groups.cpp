// Two-sample tests (t-test in both forms, Mann-Whitney U), one-way analysis of variance,
// Levene's test and Friedman's test.

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "htest_internal.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/tests.hpp"

namespace ozm::statis {

namespace {

struct TMoments {
    long double mean = 0;
    long double ss = 0;  // sum of squared deviations
};

// Mean and sum of squared deviations in two passes, so constant offsets cost no digits.
TMoments Moments(std::span<const double> x) {
    TMoments m;
    for (const double v : x) m.mean += v;
    m.mean /= static_cast<long double>(x.size());
    for (const double v : x) m.ss += (v - m.mean) * (v - m.mean);
    return m;
}

// Mean ranks (1-based) of values, ties sharing their mean rank; returns Σ(t³ - t) over the tie
// groups.
double MeanRanks(std::span<const double> values, std::vector<double>& ranks) {
    const size_t n = values.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return values[a] < values[b]; });
    ranks.assign(n, 0.0);
    double ties = 0;
    for (size_t i = 0; i < n;) {
        size_t j = i;
        while (j + 1 < n && values[order[j + 1]] == values[order[i]]) ++j;
        const double r = (double(i) + double(j)) / 2 + 1;
        for (size_t k = i; k <= j; ++k) ranks[order[k]] = r;
        const double t = double(j - i + 1);
        ties += t * t * t - t;
        i = j + 1;
    }
    return ties;
}

// Groups of the labels in order of first appearance: index of each value's group.
int GroupIndex(const TIntVector& Groups, std::vector<int>& index) {
    std::vector<int32_t> labels;
    const int n = Groups.NrOfElem();
    index.resize(size_t(n));
    for (int i = 1; i <= n; ++i) {
        const int32_t g = Groups.GetVal(i);
        auto it = std::find(labels.begin(), labels.end(), g);
        if (it == labels.end()) it = labels.insert(labels.end(), g);
        index[size_t(i - 1)] = int(it - labels.begin());
    }
    return int(labels.size());
}

// One-way analysis of variance of values by group index; the shared core of Anova1F and
// LeveneTest.
double OneWay(std::span<const double> x, const std::vector<int>& group, int k, double& SSB,
              double& SSW, double& SST, double& F) {
    const size_t n = x.size();
    if (k < 2) return -1;
    if (size_t(k) >= n) return -2;
    // Deviations from the grand mean keep the sums of squares free of cancellation.
    long double grand = 0;
    for (const double v : x) grand += v;
    grand /= static_cast<long double>(n);
    std::vector<long double> sum(size_t(k), 0.0L);
    std::vector<int64_t> cnt(size_t(k), 0);
    std::vector<double> lo(size_t(k), x[0]), hi(size_t(k), x[0]);
    std::vector<bool> seen(size_t(k), false);
    long double sst = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t g = size_t(group[i]);
        const long double d = x[i] - grand;
        sum[g] += d;
        ++cnt[g];
        sst += d * d;
        lo[g] = seen[g] ? std::min(lo[g], x[i]) : x[i];
        hi[g] = seen[g] ? std::max(hi[g], x[i]) : x[i];
        seen[g] = true;
    }
    long double ssb = 0;
    for (size_t g = 0; g < size_t(k); ++g) ssb += sum[g] * sum[g] / static_cast<long double>(cnt[g]);
    long double ssw = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t g = size_t(group[i]);
        // A group of equal values has no spread, also where its mean is not exact.
        if (lo[g] == hi[g]) continue;
        const long double d = x[i] - grand - sum[g] / static_cast<long double>(cnt[g]);
        ssw += d * d;
    }
    SSB = static_cast<double>(ssb);
    SSW = static_cast<double>(ssw);
    SST = static_cast<double>(sst);
    const double dfb = k - 1, dfw = double(n) - k;
    if (SSW / dfw != 0) {
        F = (SSB / dfb) / (SSW / dfw);
        return FUpperTail(F, dfb, dfw);
    }
    if (SSB != 0) {
        F = uc_MaxReal;
        return 0.0;
    }
    F = 0.0;
    return -3;
}

}  // namespace

double Perform2SampleTTest(const TVector& Data1, const TVector& Data2, bool EqualVariances,
                           double& t, double& df) {
    t = df = 0.0;
    const int n1 = Data1.NrOfElem();
    const int n2 = Data2.NrOfElem();
    if (n1 < 2 || n2 < 2) return -1;
    const TMoments m1 = Moments(Data1.Cells()), m2 = Moments(Data2.Cells());
    const long double v1 = m1.ss / (n1 - 1), v2 = m2.ss / (n2 - 1);
    if (v1 == 0 && v2 == 0) return -3;
    long double se2;
    if (EqualVariances) {
        df = n1 + n2 - 2.0;
        se2 = (m1.ss + m2.ss) / df * (1.0L / n1 + 1.0L / n2);
    } else {
        const long double q1 = v1 / n1, q2 = v2 / n2;
        se2 = q1 + q2;
        df = static_cast<double>(se2 * se2 / (q1 * q1 / (n1 - 1) + q2 * q2 / (n2 - 1)));
    }
    t = static_cast<double>((m1.mean - m2.mean) / std::sqrt(se2));
    return TTwoSided(t, df);
}

double PerformMannWhitneyUTest(const TVector& Data1, const TVector& Data2, double& U, double& z) {
    U = z = 0.0;
    const int n1 = Data1.NrOfElem();
    const int n2 = Data2.NrOfElem();
    if (n1 < 1 || n2 < 1) return -1;
    std::vector<double> all(Data1.Cells().begin(), Data1.Cells().end());
    all.insert(all.end(), Data2.Cells().begin(), Data2.Cells().end());
    std::vector<double> ranks;
    const double ties = MeanRanks(all, ranks);
    const double N = double(n1) + n2;
    if (ties == N * N * N - N) return -3;  // one tie group: every value equal
    long double r1 = 0;
    for (int i = 0; i < n1; ++i) r1 += ranks[size_t(i)];
    U = static_cast<double>(r1 - 0.5L * n1 * (n1 + 1.0L));
    const double mu = 0.5 * n1 * n2;
    if (ties == 0 && UDistriIsExact(n1, n2)) {
        // U is an integer here; both tails of the exact distribution.
        const double low = UDistriIntegral(U, n1, n2);
        const double high = 1.0 - UDistriIntegral(U - 1, n1, n2);
        return std::min(1.0, 2 * std::min(low, high));
    }
    const double var = n1 * double(n2) / 12.0 * ((N + 1) - ties / (N * (N - 1)));
    const double dev = U - mu;
    const double corrected = dev > 0 ? dev - 0.5 : (dev < 0 ? dev + 0.5 : 0.0);
    z = corrected / std::sqrt(var);
    return std::min(1.0, 2 * NormalUpperTail(std::fabs(z)));
}

double Anova1F(const TVector& Data, const TIntVector& Groups, double& SSBetween,
               double& SSWithin, double& SSTotal, int& DFBetween, int& DFWithin, int& DFTotal,
               double& F) {
    SSBetween = SSWithin = SSTotal = F = 0.0;
    DFBetween = DFWithin = DFTotal = 0;
    const int n = Data.NrOfElem();
    if (Groups.NrOfElem() != n) return -4;
    std::vector<int> group;
    const int k = GroupIndex(Groups, group);
    if (k >= 2 && k < n) {
        DFBetween = k - 1;
        DFWithin = n - k;
        DFTotal = n - 1;
    }
    return OneWay(Data.Cells(), group, k, SSBetween, SSWithin, SSTotal, F);
}

double LeveneTest(const TVector& Data, const TIntVector& Groups, double& F) {
    F = 0.0;
    const int n = Data.NrOfElem();
    if (Groups.NrOfElem() != n) return -4;
    std::vector<int> group;
    const int k = GroupIndex(Groups, group);
    if (k < 2) return -1;
    if (k >= n) return -2;
    std::vector<long double> sum(size_t(k), 0.0L);
    std::vector<int> cnt(size_t(k), 0);
    const auto x = Data.Cells();
    for (int i = 0; i < n; ++i) sum[size_t(group[size_t(i)])] += x[size_t(i)], ++cnt[size_t(group[size_t(i)])];
    std::vector<double> z(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const size_t g = size_t(group[size_t(i)]);
        z[size_t(i)] = static_cast<double>(std::fabs(x[size_t(i)] - sum[g] / cnt[g]));
    }
    double ssb, ssw, sst;
    return OneWay(z, group, k, ssb, ssw, sst, F);
}

double FriedmanTest(const TMatrix& Data, double& Chi2) {
    Chi2 = 0.0;
    const int k = Data.NrOfColumns(), n = Data.NrOfRows();
    if (k < 3 || n < 1) return -1;
    std::vector<long double> R(size_t(k), 0.0L);
    std::vector<double> row(static_cast<size_t>(k)), ranks;
    double T = 0;
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= k; ++c) row[size_t(c - 1)] = Data.GetVal(c, r);
        T += MeanRanks(row, ranks);
        for (int c = 0; c < k; ++c) R[size_t(c)] += ranks[size_t(c)];
    }
    long double sumR2 = 0;
    for (const long double v : R) sumR2 += v * v;
    long double chi2 = 12 * sumR2 / (double(n) * k * (k + 1)) - 3.0L * n * (k + 1);
    // Ties: divide by 1 - T/(n k (k² - 1)); every row fully tied leaves nothing to test.
    const long double corr = 1 - T / (double(n) * k * (double(k) * k - 1));
    if (corr <= 0) return 1.0;
    chi2 /= corr;
    Chi2 = static_cast<double>(std::max(chi2, 0.0L));
    return Chi2UpperTail(Chi2, k - 1);
}

}  // namespace ozm::statis
