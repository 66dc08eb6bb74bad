// Contingency-table statistics: chi-square, Yates, 2 x 2 probabilities, Fisher's exact test,
// Goodman-Kruskal lambda and the adjusted Rand index.

#include <algorithm>
#include <cmath>

#include "ozm/base/constants.hpp"
#include "ozm/statis/tests.hpp"
#include "htest_internal.hpp"

namespace ozm::statis {

namespace {

// A table with totals: at least 3 x 3, rectangular.
bool IsTableWithTotals(const TInt2DArray& T) {
    if (T.size() < 3) return false;
    for (const auto& row : T)
        if (row.size() != T[0].size()) return false;
    return T[0].size() >= 3;
}

bool IsBare2x2(const TInt2DArray& T) {
    return T.size() == 2 && T[0].size() == 2 && T[1].size() == 2;
}

// Codes shared by the 2 x 2 routines: -1 not 2 x 2, -3 a negative cell, -2 total above 1000.
int Check2x2(const TInt2DArray& T) {
    if (!IsBare2x2(T)) return -1;
    if (T[0][0] < 0 || T[0][1] < 0 || T[1][0] < 0 || T[1][1] < 0) return -3;
    const int64_t n = int64_t(T[0][0]) + T[0][1] + T[1][0] + T[1][1];
    return n > uc_LnFactorialMax ? -2 : 0;
}

// ln of the hypergeometric probability of [[a, b], [c, d]] under its margins.
double LnProb2x2(int a, int b, int c, int d) {
    const double* lf = uc_LnFactorial;
    return lf[a + b] + lf[c + d] + lf[a + c] + lf[b + d] - lf[a] - lf[b] - lf[c] - lf[d] -
           lf[a + b + c + d];
}

double Pairs(double x) { return x * (x - 1.0) / 2.0; }

}  // namespace

int Chi2OfContTab(const TInt2DArray& ContTab, double& Chi2, double& p) {
    Chi2 = 0.0;
    p = 0.0;
    if (!IsTableWithTotals(ContTab)) return -1;
    const size_t nr = ContTab.size() - 1, nc = ContTab[0].size() - 1;
    const double total = ContTab[nr][nc];
    int rows = 0, cols = 0;
    for (size_t i = 0; i < nr; ++i) rows += ContTab[i][nc] != 0;
    for (size_t j = 0; j < nc; ++j) cols += ContTab[nr][j] != 0;
    long double chi2 = 0.0L;
    for (size_t i = 0; i < nr; ++i) {
        for (size_t j = 0; j < nc; ++j) {
            const double e = double(ContTab[i][nc]) * double(ContTab[nr][j]) / total;
            if (e > 0) chi2 += (ContTab[i][j] - e) * (ContTab[i][j] - e) / e;
        }
    }
    Chi2 = static_cast<double>(chi2);
    const int df = std::max(rows - 1, 0) * std::max(cols - 1, 0);
    p = df > 0 ? Chi2UpperTail(Chi2, df) : 1.0;
    return 0;
}

int Chi2OfContTabYates(const TInt2DArray& ContTab, double& Chi2, double& p) {
    Chi2 = 0.0;
    p = 0.0;
    if (!IsTableWithTotals(ContTab) || ContTab.size() != 3 || ContTab[0].size() != 3) return -1;
    const double a = ContTab[0][0], b = ContTab[0][1], c = ContTab[1][0], d = ContTab[1][1];
    const double n = ContTab[2][2];
    const double r1 = ContTab[0][2], r2 = ContTab[1][2], c1 = ContTab[2][0], c2 = ContTab[2][1];
    const double margins = r1 * r2 * c1 * c2;
    if (margins == 0) return -2;
    const double dev = std::max(0.0, std::fabs(a * d - b * c) - n / 2);
    Chi2 = dev / r1 * dev / r2 * n / c1 / c2;
    p = Chi2UpperTail(Chi2, 1);
    return 0;
}

int Prob2x2Contingency(const TInt2DArray& ContTab, double& p) {
    p = 0.0;
    if (const int code = Check2x2(ContTab)) return code;
    p = std::exp(LnProb2x2(ContTab[0][0], ContTab[0][1], ContTab[1][0], ContTab[1][1]));
    return 0;
}

int FisherExactTest(const TInt2DArray& ContTab, double& pLow, double& pHigh, double& pTwoSided) {
    pLow = pHigh = pTwoSided = 0.0;
    if (const int code = Check2x2(ContTab)) return code;
    const int a = ContTab[0][0], b = ContTab[0][1], c = ContTab[1][0], d = ContTab[1][1];
    const int r1 = a + b, c1 = a + c, n = a + b + c + d;
    // Every table with these margins, by its upper-left cell x. Enumerating x (rather than the
    // cell of the smallest margin) gives the one-sided tails one fixed meaning.
    const int lo = std::max(0, r1 + c1 - n), hi = std::min(r1, c1);
    const double lp0 = LnProb2x2(a, b, c, d);
    // Probabilities relative to the observed table, so that tiny tables do not underflow first.
    long double low = 0, high = 0, two = 0;
    constexpr double kRelTol = 1e-7;  // as R's fisher.test
    for (int x = lo; x <= hi; ++x) {
        const double lp = LnProb2x2(x, r1 - x, c1 - x, n - r1 - c1 + x);
        const long double q = std::exp(static_cast<long double>(lp) - lp0);
        if (x <= a) low += q;
        if (x >= a) high += q;
        if (q <= 1.0L + kRelTol) two += q;
    }
    const long double p0 = std::exp(static_cast<long double>(lp0));
    pLow = static_cast<double>(std::min(1.0L, low * p0));
    pHigh = static_cast<double>(std::min(1.0L, high * p0));
    pTwoSided = static_cast<double>(std::min(1.0L, two * p0));
    return 0;
}

int Lambda(const TInt2DArray& ContTab, double& LambdaColFromRow, double& LambdaRowFromCol) {
    LambdaColFromRow = LambdaRowFromCol = 0.0;
    if (ContTab.size() < 2) return -1;
    for (const auto& row : ContTab)
        if (row.size() != ContTab[0].size() || row.size() < 2) return -1;
    const size_t nr = ContTab.size() - 1, nc = ContTab[0].size() - 1;
    int64_t n = 0, sumRowMax = 0, sumColMax = 0, maxRowTot = 0, maxColTot = 0;
    for (size_t i = 0; i < nr; ++i) {
        int64_t sum = 0, mx = 0;
        for (size_t j = 0; j < nc; ++j) sum += ContTab[i][j], mx = std::max<int64_t>(mx, ContTab[i][j]);
        if (sum != ContTab[i][nc]) return -1;
        sumRowMax += mx;
        maxRowTot = std::max(maxRowTot, sum);
        n += sum;
    }
    for (size_t j = 0; j < nc; ++j) {
        int64_t sum = 0, mx = 0;
        for (size_t i = 0; i < nr; ++i) sum += ContTab[i][j], mx = std::max<int64_t>(mx, ContTab[i][j]);
        if (sum != ContTab[nr][j]) return -1;
        sumColMax += mx;
        maxColTot = std::max(maxColTot, sum);
    }
    if (n - maxColTot != 0)
        LambdaColFromRow = double(sumRowMax - maxColTot) / double(n - maxColTot);
    if (n - maxRowTot != 0)
        LambdaRowFromCol = double(sumColMax - maxRowTot) / double(n - maxRowTot);
    return 0;
}

double AdjustedRandIx(const TInt2DArray& ContTab) {
    if (ContTab.size() < 2) return 0.0;
    for (const auto& row : ContTab)
        if (row.size() != ContTab[0].size() || row.size() < 2) return 0.0;
    const size_t nr = ContTab.size() - 1, nc = ContTab[0].size() - 1;
    long double s = 0, a = 0, b = 0;
    for (size_t i = 0; i < nr; ++i)
        for (size_t j = 0; j < nc; ++j) s += Pairs(ContTab[i][j]);
    for (size_t j = 0; j < nc; ++j) a += Pairs(ContTab[nr][j]);
    for (size_t i = 0; i < nr; ++i) b += Pairs(ContTab[i][nc]);
    const long double all = Pairs(ContTab[nr][nc]);
    const long double e = all > 0 ? a * b / all : 0.0L;
    const long double den = (a + b) / 2 - e;
    // 0/0 only when both partitions are one cluster or all singletons, i.e. identical.
    if (den == 0) return 1.0;
    return static_cast<double>((s - e) / den);
}

int PerformChi2DistComp(const TIntArray& Observed, const TIntArray& Expected, double& Chi2,
                        double& p, int& df, int& n1, int& n2) {
    Chi2 = p = 0.0;
    df = n1 = n2 = 0;
    if (Observed.size() != Expected.size()) return -1;
    if (Observed.empty()) return -2;
    int64_t s1 = 0, s2 = 0;
    bool negative = false;
    for (size_t i = 0; i < Observed.size(); ++i) {
        s1 += Observed[i];
        s2 += Expected[i];
        negative = negative || Observed[i] < 0 || Expected[i] < 0;
    }
    if (s1 == 0 || s2 == 0 || negative) return -3;
    n1 = static_cast<int>(std::min<int64_t>(s1, INT32_MAX));
    n2 = static_cast<int>(std::min<int64_t>(s2, INT32_MAX));
    const double k1 = std::sqrt(double(s2) / double(s1)), k2 = std::sqrt(double(s1) / double(s2));
    long double chi2 = 0.0L;
    int bins = 0;
    double a = 0, b = 0;
    const size_t n = Observed.size();
    for (size_t i = 0; i < n; ++i) {
        a += Observed[i];
        b += Expected[i];
        if (b > 5 && i + 1 < n && Expected[i + 1] != 0) {
            chi2 += (a * k1 - b * k2) * (a * k1 - b * k2) / b;
            ++bins;
            a = b = 0;
        }
    }
    // The last bin starts at a positive expected count (or holds every bin), so b > 0 here.
    if (a + b > 0) {
        chi2 += (a * k1 - b * k2) * (a * k1 - b * k2) / b;
        ++bins;
    }
    Chi2 = static_cast<double>(chi2);
    df = bins - 1;
    p = df >= 1 ? Chi2UpperTail(Chi2, df) : 1.0;
    return 0;
}

}  // namespace ozm::statis
