// Covariance-type matrices, Jacobi eigenvectors, principal components, the pseudo-inverse, the
// Mahalanobis distance, ranks and Fisher's quotient.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

#include "lsq_refs.hpp"
#include "numerics/lsq_internal.hpp"
#include "ozm/math2.hpp"
#include "ozm/platform/random.hpp"

using namespace ozm;
using namespace ozm::math2;

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

void SetSymmetric(TMatrix& m, const lsqtest::Block& b) { lsqtest::ToMatrix(b, m); }

// The cyclic Jacobi method written as the classical row-major loops over the upper triangle,
// to check that the column-oriented implementation does the same arithmetic.
bool TextbookJacobi(std::vector<std::vector<double>> a, std::vector<double>& d,
                    std::vector<std::vector<double>>& v) {
    const int n = static_cast<int>(a.size());
    v.assign(n, std::vector<double>(n, 0.0));
    std::vector<double> b(n), z(n, 0.0);
    d.resize(n);
    for (int i = 0; i < n; ++i) {
        v[i][i] = 1.0;
        b[i] = d[i] = a[i][i];
    }
    auto rot = [](double& x, double& y, double s, double tau) {
        const double g = x, h = y;
        x = g - s * (h + g * tau);
        y = h + s * (g - h * tau);
    };
    for (int pass = 1; pass <= 100; ++pass) {
        double sm = 0.0;
        for (int p = 0; p < n - 1; ++p)
            for (int q = p + 1; q < n; ++q) sm += std::fabs(a[p][q]);
        if (sm == 0.0) return true;
        const double tresh = pass < 4 ? 0.2 * sm / (static_cast<double>(n) * n) : 0.0;
        for (int p = 0; p < n - 1; ++p)
            for (int q = p + 1; q < n; ++q) {
                const double g = 200.0 * std::fabs(a[p][q]);
                if (pass >= 5 && std::fabs(d[p]) + g == std::fabs(d[p]) &&
                    std::fabs(d[q]) + g == std::fabs(d[q])) {
                    a[p][q] = 0.0;
                } else if (std::fabs(a[p][q]) > tresh) {
                    double h = d[q] - d[p], t;
                    if (std::fabs(h) + g == std::fabs(h)) {
                        t = a[p][q] / h;
                    } else {
                        const double theta = h / (2.0 * a[p][q]);
                        t = 1.0 / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                        if (theta < 0.0) t = -t;
                    }
                    const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c, tau = s / (1.0 + c);
                    h = t * a[p][q];
                    z[p] -= h;
                    z[q] += h;
                    d[p] -= h;
                    d[q] += h;
                    a[p][q] = 0.0;
                    for (int j = 0; j < p; ++j) rot(a[j][p], a[j][q], s, tau);
                    for (int j = p + 1; j < q; ++j) rot(a[p][j], a[j][q], s, tau);
                    for (int j = q + 1; j < n; ++j) rot(a[p][j], a[q][j], s, tau);
                    for (int j = 0; j < n; ++j) rot(v[j][p], v[j][q], s, tau);
                }
            }
        for (int k = 0; k < n; ++k) {
            b[k] += z[k];
            d[k] = b[k];
            z[k] = 0.0;
        }
    }
    return false;
}

}  // namespace

TEST(LsqEigen, SmallCasesStoreAndThreads) {
    // Nothing stored yet on a fresh thread.
    std::thread([] {
        EXPECT_EQ(GetEigenSize(), 0);
        EXPECT_EQ(GetEigenResult(1, 0), 0.0);
    }).join();

    TMatrix m;
    m.Resize(2, 2);
    m.SetVal(1, 1, 2);
    m.SetVal(2, 2, 2);
    m.SetVal(1, 2, 1);
    m.SetVal(2, 1, 1);
    ASSERT_TRUE(CalcEigVec(m));
    ASSERT_EQ(GetEigenSize(), 2);
    const double l1 = GetEigenResult(1, 0), l2 = GetEigenResult(2, 0);
    EXPECT_NEAR(std::min(l1, l2), 1.0, 4 * kEps);
    EXPECT_NEAR(std::max(l1, l2), 3.0, 4 * kEps);
    const int k3 = l1 > l2 ? 1 : 2;
    EXPECT_NEAR(std::fabs(GetEigenResult(k3, 1)), std::sqrt(0.5), 4 * kEps);
    EXPECT_NEAR(GetEigenResult(k3, 1) - GetEigenResult(k3, 2), 0.0, 4 * kEps);
    EXPECT_NEAR(GetEigenResult(3 - k3, 1) + GetEigenResult(3 - k3, 2), 0.0, 4 * kEps);
    EXPECT_EQ(GetEigenResult(1, 3), 0.0);
    EXPECT_EQ(GetEigenResult(0, 1), 0.0);

    // A diagonal matrix converges in the first pass: one progress step, identity vectors.
    TMatrix diag;
    diag.Resize(3, 3);
    diag.SetVal(1, 1, 5);
    diag.SetVal(2, 2, -1);
    diag.SetVal(3, 3, 2);
    int steps = 0;
    MathFeedBackProc = [&](double) { ++steps; };
    ASSERT_TRUE(CalcEigVec(diag));
    MathFeedBackProc = nullptr;
    EXPECT_EQ(steps, 1);
    for (int k = 1; k <= 3; ++k)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(GetEigenResult(k, j), k == j ? 1.0 : 0.0);
    EXPECT_EQ(GetEigenResult(2, 0), -1.0);

    // Remove keeps the size; non-square input keeps the previous store.
    RemoveEigenMatrix();
    EXPECT_EQ(GetEigenSize(), 3);
    EXPECT_EQ(GetEigenResult(1, 0), 0.0);
    ASSERT_TRUE(CalcEigVec(diag));
    TMatrix wide;
    wide.Resize(4, 3);
    EXPECT_FALSE(CalcEigVec(wide));
    EXPECT_EQ(GetEigenSize(), 3);
    EXPECT_EQ(GetEigenResult(1, 0), 5.0);

    // Each thread has its own store: results computed at the same time do not mix.
    double seen[2] = {0, 0};
    auto work = [&](int t) {
        TMatrix s;
        s.Resize(1, 1);
        s.SetVal(1, 1, 10.0 + t);
        for (int rep = 0; rep < 200; ++rep) {
            CalcEigVec(s);
            if (GetEigenResult(1, 0) != 10.0 + t) return;
        }
        seen[t] = GetEigenResult(1, 0);
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(seen[0], 10.0);
    EXPECT_EQ(seen[1], 11.0);
    EXPECT_EQ(GetEigenResult(1, 0), 5.0);  // this thread's store is untouched
}

TEST(LsqEigen, MatchesEighAndTextbookLoopsBitForBit) {
    const lsqtest::Refs refs("lsq_numpy.txt");
    for (int n : {5, 20}) {
        SCOPED_TRACE(n);
        const auto& A = refs["eig" + std::to_string(n) + "_A"];
        TMatrix m;
        SetSymmetric(m, A);
        std::vector<std::vector<double>> rows(n, std::vector<double>(n));
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) rows[r][c] = A.at(r, c);
        std::vector<double> d;
        std::vector<std::vector<double>> v;
        ASSERT_TRUE(TextbookJacobi(rows, d, v));
        // Every rotation kernel this processor offers gives the textbook's results.
        for (int kernel = 0; kernel < detail::JacobiKernelCount(); ++kernel) {
            SCOPED_TRACE(kernel);
            detail::SetJacobiKernel(kernel);
            SetSymmetric(m, A);
            ASSERT_TRUE(CalcEigVec(m));
            for (int k = 0; k < n; ++k) {
                EXPECT_EQ(GetEigenResult(k + 1, 0), d[k]);
                for (int j = 0; j < n; ++j) EXPECT_EQ(GetEigenResult(k + 1, j + 1), v[j][k]);
            }
        }
        detail::SetJacobiKernel(-1);
        // Against numpy's eigh: sorted values, vectors up to sign.
        std::vector<int> order(n);
        for (int k = 0; k < n; ++k) order[k] = k;
        std::sort(order.begin(), order.end(), [&](int a, int b) { return d[a] < d[b]; });
        const auto& val = refs["eig" + std::to_string(n) + "_val"];
        const auto& vec = refs["eig" + std::to_string(n) + "_vec"];
        double scale = 0.0;
        for (double x : val.v) scale = std::max(scale, std::fabs(x));
        for (int k = 0; k < n; ++k) {
            const int mine = order[k] + 1;
            EXPECT_NEAR(GetEigenResult(mine, 0), val.v[k], 20 * n * kEps * scale);
            double dot = 0.0;
            for (int j = 0; j < n; ++j) dot += GetEigenResult(mine, j + 1) * vec.at(j, k);
            const double sign = dot < 0 ? -1.0 : 1.0;
            for (int j = 0; j < n; ++j)
                EXPECT_NEAR(sign * GetEigenResult(mine, j + 1), vec.at(j, k), 1e-12);
        }
    }
}

TEST(LsqEigen, AbortAndNaNGiveFalseWithoutHanging) {
    const lsqtest::Refs refs("lsq_numpy.txt");
    TMatrix m;
    SetSymmetric(m, refs["eig20_A"]);
    int calls = 0;
    AbortMathProc = true;  // cleared at the start
    MathFeedBackProc = [&](double) {
        if (++calls == 50) AbortMathProc = true;
    };
    EXPECT_FALSE(CalcEigVec(m));
    EXPECT_EQ(calls, 50);
    MathFeedBackProc = nullptr;
    AbortMathProc = false;

    SetSymmetric(m, refs["eig5_A"]);
    m.SetVal(3, 1, std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(CalcEigVec(m));
}

TEST(LsqCovar, FiveModesAgainstNumpyAndProgressProtocol) {
    const lsqtest::Refs refs("lsq_covar.txt");
    TMatrix data;
    lsqtest::ToMatrix(refs["data"], data);
    for (int mode = 0; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        TMatrix out;
        out.Resize(5, 6);  // larger than needed: only the top-left 4 x 4 is written
        out.Fill(-7.0);
        ASSERT_TRUE(CalcCovar(data, out, 0, 0, 0, 0, mode));
        const auto& ref = refs["mode" + std::to_string(mode)];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                EXPECT_NEAR(out.GetVal(c + 1, r + 1), ref.at(r, c),
                            64 * kEps * (1 + std::fabs(ref.at(r, c))));
                if (mode == 2 && r == c) {
                    EXPECT_EQ(out.GetVal(c + 1, r + 1), 1.0);
                }
            }
        EXPECT_EQ(out.GetVal(5, 1), -7.0);
        EXPECT_EQ(out.GetVal(1, 5), -7.0);
    }
    // Other modes give zeros; a sub-range is a sub-matrix.
    TMatrix out;
    out.Resize(2, 2);
    ASSERT_TRUE(CalcCovar(data, out, 2, 3, 0, 0, 9));
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(out.GetVal((k - 1) % 2 + 1, (k - 1) / 2 + 1), 0.0);
    ASSERT_TRUE(CalcCovar(data, out, 3, 2, 0, 0, 1));
    EXPECT_NEAR(out.GetVal(2, 1), refs["mode1"].at(1, 2), 64 * kEps);
    // Too small an output, or one observation: false.
    out.Resize(1, 2);
    EXPECT_FALSE(CalcCovar(data, out, 0, 0, 0, 0, 1));
    out.Resize(4, 4);
    EXPECT_FALSE(CalcCovar(data, out, 0, 0, 3, 3, 1));

    // Progress: m steps of 1 for the means, then p(p+1)/2 calls each adding m.
    std::vector<double> stats;
    MathFeedBackProc = [&](double s) { stats.push_back(s); };
    const double start = ProcStat.load();
    ASSERT_TRUE(CalcCovar(data, out, 0, 0, 0, 0, 1));
    ASSERT_EQ(stats.size(), 9u + 10u);
    EXPECT_EQ(stats[8] - start, 9.0);
    EXPECT_EQ(stats.back() - start, 9.0 + 10 * 9.0);
    // An abort raised from the feedback during the pairs of row 2 ends before row 3.
    stats.clear();
    MathFeedBackProc = [&](double s) {
        stats.push_back(s);
        if (stats.size() == 9 + 2) AbortMathProc = true;
    };
    EXPECT_FALSE(CalcCovar(data, out, 0, 0, 0, 0, 1));
    EXPECT_EQ(stats.size(), 9u + 3u);
    MathFeedBackProc = nullptr;
    AbortMathProc = false;
}

TEST(LsqCovar, ProgressOverSeveralChunksKeepsTheRowOrder) {
    // 600 variables read in chunks of 436 observations: the pair steps are spread over the
    // chunks, but an abort raised inside result row i still ends exactly after that row.
    const int p = 600, m = 500;
    TMatrix data, out;
    SetRandSeed(99);
    data.Resize(p, m);
    data.FillRandomUniform(-1, 1);
    out.Resize(p, p);
    const int64_t abortAt = m + 100000;  // inside result row 446 (0-based), pairs 99682..100128
    int64_t calls = 0;
    double last = ProcStat.load();
    bool ordered = true;
    MathFeedBackProc = [&](double s) {
        ++calls;
        ordered = ordered && s - last == (calls <= m ? 1.0 : double(m));
        last = s;
        if (calls == abortAt) AbortMathProc = true;
    };
    EXPECT_FALSE(CalcCovar(data, out, 0, 0, 0, 0, 1));
    MathFeedBackProc = nullptr;
    AbortMathProc = false;
    EXPECT_TRUE(ordered);
    EXPECT_EQ(calls, m + int64_t{447} * 448 / 2);
}

TEST(LsqCovar, LargeOffsetDoesNotCancelTheVariance) {
    // Values 1e9 + small spread: the one-pass formula sum x^2 - (sum x)^2 / m loses every digit
    // here; deviations about the mean keep the correlation of the unshifted data.
    const lsqtest::Refs refs("lsq_covar.txt");
    TMatrix data, shifted, a, b;
    lsqtest::ToMatrix(refs["data"], data);
    shifted.Assign(&data);
    shifted.SAdd(1e9);
    a.Resize(4, 4);
    b.Resize(4, 4);
    ASSERT_TRUE(CalcCovar(data, a, 0, 0, 0, 0, 2));
    ASSERT_TRUE(CalcCovar(shifted, b, 0, 0, 0, 0, 2));
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) EXPECT_NEAR(b.GetVal(c, r), a.GetVal(c, r), 1e-6);
}

TEST(LsqPrincComp, NormalisedSortedComponents) {
    // Covariance [[2, 1], [1, 2]]: fractions 0.75 and 0.25.
    TMatrix d;
    d.Resize(2, 5);
    const double x[5] = {2, -2, 0, 0, 0}, y[5] = {1, -1, 1, 1, -2};
    for (int r = 0; r < 5; ++r) {
        d.SetVal(1, r + 1, x[r]);
        d.SetVal(2, r + 1, y[r]);
    }
    ASSERT_TRUE(CalcPrincComp(d, 0, 0, 0, 0, 1));
    EXPECT_NEAR(GetEigenResult(1, 0), 0.75, 4 * kEps);
    EXPECT_NEAR(GetEigenResult(2, 0), 0.25, 4 * kEps);
    EXPECT_NEAR(std::fabs(GetEigenResult(1, 1)), std::sqrt(0.5), 4 * kEps);
    ASSERT_TRUE(CalcPrincComp(d, 0, 0, 0, 0, 1, false));
    EXPECT_NEAR(GetEigenResult(1, 0), 3.0, 8 * kEps);

    // Iris against numpy's eigh of the sample covariance.
    const lsqtest::Refs refs("lsq_iris.txt");
    TMatrix iris;
    std::ifstream in(std::string(OZM_TEST_DATA_DIR) + "/iris.csv");
    ASSERT_TRUE(in.good()) << "data/iris.csv";
    std::string line;
    std::getline(in, line);
    iris.Resize(4, 150);
    for (int r = 1; r <= 150; ++r) {
        std::getline(in, line);
        std::istringstream s(line);
        for (int c = 1; c <= 4; ++c) {
            std::string tok;
            std::getline(s, tok, ',');
            iris.SetVal(c, r, std::stod(tok));
        }
    }
    ASSERT_TRUE(CalcPrincComp(iris, 0, 0, 0, 0, kCovarCovariance));
    for (int k = 1; k <= 4; ++k) {
        EXPECT_NEAR(GetEigenResult(k, 0), refs["frac"].v[k - 1], 1e-14);
        double dot = 0.0;
        for (int j = 1; j <= 4; ++j) dot += GetEigenResult(k, j) * refs["vec"].at(j - 1, k - 1);
        for (int j = 1; j <= 4; ++j)
            EXPECT_NEAR((dot < 0 ? -1 : 1) * GetEigenResult(k, j), refs["vec"].at(j - 1, k - 1),
                        1e-12);
    }

    // NaN cells end in false (after the bounded sweeps); more variables than observations and an
    // abort from the covariance's feedback are handled without fuss.
    TMatrix bad;
    bad.Assign(&d);
    bad.SetVal(2, 3, std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(CalcPrincComp(bad, 0, 0, 0, 0, 1));
    ASSERT_TRUE(CalcPrincComp(iris, 0, 0, 1, 3, kCovarCovariance, false));
    EXPECT_NEAR(GetEigenResult(3, 0), 0.0, 1e-14);
    MathFeedBackProc = [](double) { AbortMathProc = true; };
    EXPECT_FALSE(CalcPrincComp(iris, 0, 0, 0, 0, 1));
    MathFeedBackProc = nullptr;
    AbortMathProc = false;

    // Mode 4 is indefinite (zero diagonal): only values above 0 move to the front.
    ASSERT_TRUE(CalcPrincComp(iris, 0, 0, 0, 0, kCovarMeanSqrDiff, false));
    const double first = GetEigenResult(1, 0);
    EXPECT_GT(first, 0.0);
    for (int k = 2; k <= 4; ++k) EXPECT_LE(GetEigenResult(k, 0), first);
}

TEST(LsqPseudoInverse, MatchesPinvAndHandlesFailure) {
    const lsqtest::Refs refs("lsq_numpy.txt");
    for (const char* name : {"pinv_tall", "pinv_wide", "pinv_square", "pinv_rank2"}) {
        SCOPED_TRACE(name);
        TMatrix a, p;
        lsqtest::ToMatrix(refs[std::string(name) + "_A"], a);
        const std::string before = a.CRCofData();
        ASSERT_TRUE(PseudoInverse(a, p, 0.0));
        EXPECT_EQ(a.CRCofData(), before);
        const auto& ref = refs[std::string(name) + "_P"];
        ASSERT_EQ(p.NrOfRows(), ref.rows);
        ASSERT_EQ(p.NrOfColumns(), ref.cols);
        for (int r = 0; r < ref.rows; ++r)
            for (int c = 0; c < ref.cols; ++c)
                EXPECT_NEAR(p.GetVal(c + 1, r + 1), ref.at(r, c),
                            1e-12 * (1 + std::fabs(ref.at(r, c))));
    }
    // The rank-2 matrix with a threshold below its zero singular values' rounding would blow up;
    // a negative threshold still drops exact zeros: a zero matrix gives a zero pseudo-inverse.
    TMatrix z, p;
    z.Resize(3, 2);
    ASSERT_TRUE(PseudoInverse(z, p, -1.0));
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 2; ++c) EXPECT_EQ(p.GetVal(c, r), 0.0);
    z.SetVal(1, 1, std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(PseudoInverse(z, p, 0.0));
    EXPECT_EQ(p.NrOfRows(), 3);
    EXPECT_EQ(p.NrOfColumns(), 2);
    EXPECT_EQ(p.GetVal(1, 1), 0.0);
}

TEST(LsqTools, MahalanobisRanksFisher) {
    TVector x, y;
    x.Resize(3);
    y.Resize(3);
    x.SetVal(1, 1);
    x.SetVal(2, 5);
    x.SetVal(3, -2);
    y.SetVal(1, 4);
    y.SetVal(2, 1);
    y.SetVal(3, -2);
    TMatrix s;
    s.Resize(3, 3);
    s.FillDiag(1.0);
    EXPECT_DOUBLE_EQ(MahalanobisDistance(x, y, s), 5.0);
    s.SetVal(1, 1, 4.0);  // row 1, column 1: d1^2 weighted by 4
    EXPECT_DOUBLE_EQ(MahalanobisDistance(x, y, s), std::sqrt(4 * 9 + 16.0));
    auto message = [&](const TVector& a, const TVector& b, const TMatrix& m) -> std::string {
        try {
            MahalanobisDistance(a, b, m);
        } catch (const EOZMVectorError& e) {
            return e.message();
        }
        return "";
    };
    TVector shortv;
    shortv.Resize(2);
    TMatrix rect, big;
    rect.Resize(3, 2);
    big.Resize(2, 2);
    EXPECT_EQ(message(x, shortv, rect), "MahalanobisDistance: dimensions of vectors do not match");
    EXPECT_EQ(message(x, y, rect),
              "MahalanobisDistance: inverse covariance matrix is not quadratric");
    EXPECT_EQ(
        message(x, y, big),
        "MahalanobisDistance: dimension of vectors and inverse covariance matrix do not match");
    s.SetVal(1, 1, -4.0);
    EXPECT_EQ(message(x, y, s),
              "MahalanobisDistance: the inverse covariance matrix must be symmetric and positive "
              "definite");

    TVector data, ranks;
    data.Resize(4);
    const double vals[4] = {10, 20, 20, 5};
    for (int i = 0; i < 4; ++i) data.SetVal(i + 1, vals[i]);
    EXPECT_EQ(CalcRanks(data, ranks), 6.0);
    const double expect[4] = {2, 3.5, 3.5, 1};
    ASSERT_EQ(ranks.NrOfElem(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ranks.GetVal(i + 1), expect[i]);
    // NaN ranks last and NaNs tie; three equal values add 24.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double v2[7] = {nan, 1, 1, 1, nan, 0, 2};
    data.Resize(7);
    for (int i = 0; i < 7; ++i) data.SetVal(i + 1, v2[i]);
    EXPECT_EQ(CalcRanks(data, ranks), 24.0 + 6.0);
    const double e2[7] = {6.5, 3, 3, 3, 6.5, 1, 5};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(ranks.GetVal(i + 1), e2[i]);

    EXPECT_EQ(CalcFishQ(1, 1, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(CalcFishQ(2, 0, 0, 0), 4000000.0);
    EXPECT_DOUBLE_EQ(CalcFishQ(3, 1, 1, 1), 2.0);
}
