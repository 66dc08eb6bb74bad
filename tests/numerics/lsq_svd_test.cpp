// The TMatrix forms of the singular value decomposition and the least squares solvers, against
// numpy.linalg (tests/data/lsq/lsq_numpy.txt) and the defining identities.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "lsq_refs.hpp"
#include "numerics/lsq_internal.hpp"
#include "ozm/math2.hpp"

using namespace ozm;
using namespace ozm::math2;

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

// The decomposition of well-conditioned matrices of this size is accurate to a few hundred eps.
constexpr double kSvdTol = 200 * kEps;

double MaxAbsDiff(const lsqtest::Block& ref, const TVector& v) {
    double d = 0.0;
    for (size_t i = 0; i < ref.v.size(); ++i)
        d = std::max(d, std::fabs(ref.v[i] - v.GetVal(static_cast<int>(i) + 1)));
    return d;
}

}  // namespace

TEST(LsqSvd, DecompositionReproducesMatrixAndSortsInExportedForm) {
    const lsqtest::Refs refs("lsq_numpy.txt");
    for (const char* name : {"svd_tall", "svd_wide"}) {
        SCOPED_TRACE(name);
        TMatrix a;
        lsqtest::ToMatrix(refs[std::string(name) + "_A"], a);
        const int m = a.NrOfRows(), n = a.NrOfColumns(), r = std::min(m, n);
        TMatrix u, v;
        TVector w;
        ASSERT_TRUE(SingValDecomp(a, u, w, v));
        ASSERT_EQ(w.NrOfElem(), r);
        EXPECT_LT(MaxAbsDiff(refs[std::string(name) + "_w"], w), kSvdTol * w.GetVal(1));
        ASSERT_EQ(u.NrOfRows(), m);
        ASSERT_EQ(u.NrOfColumns(), r);
        ASSERT_EQ(v.NrOfRows(), n);
        ASSERT_EQ(v.NrOfColumns(), r);
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= n; ++j) {
                double s = 0.0;
                for (int k = 1; k <= r; ++k) s += u.GetVal(k, i) * w.GetVal(k) * v.GetVal(k, j);
                EXPECT_NEAR(s, a.GetVal(j, i), kSvdTol * w.GetVal(1));
            }
        for (int k = 1; k <= r; ++k)
            for (int l = 1; l <= r; ++l) {
                double uu = 0.0, vv = 0.0;
                for (int i = 1; i <= m; ++i) uu += u.GetVal(k, i) * u.GetVal(l, i);
                for (int j = 1; j <= n; ++j) vv += v.GetVal(k, j) * v.GetVal(l, j);
                EXPECT_NEAR(uu, k == l ? 1.0 : 0.0, kSvdTol);
                EXPECT_NEAR(vv, k == l ? 1.0 : 0.0, kSvdTol);
            }
    }
    // The internal form keeps the sweep order but the same values, and resizes V and W.
    TMatrix a, v;
    TVector w;
    lsqtest::ToMatrix(refs["svd_tall_A"], a);
    v.Resize(1, 1);
    ASSERT_TRUE(DecomposeSVD(a, v, w));
    ASSERT_EQ(w.NrOfElem(), 4);
    std::vector<double> sorted(w.Cells().begin(), w.Cells().end());
    std::sort(sorted.rbegin(), sorted.rend());
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(sorted[k], refs["svd_tall_w"].v[k], kSvdTol * sorted[0]);
    TMatrix empty;
    empty.Resize(0, 3);
    EXPECT_FALSE(DecomposeSVD(empty, v, w));
}

TEST(LsqSvd, SolversMatchLstsqAndFlagRankDeficiency) {
    const lsqtest::Refs refs("lsq_numpy.txt");
    // Full rank, tall: the least squares solution, near-singular false.
    {
        TMatrix a;
        TVector b, x, sd;
        lsqtest::ToMatrix(refs["tall_A"], a);
        lsqtest::ToVector(refs["tall_b"], b);
        TMatrix keep;
        keep.Assign(&a);
        bool near = true;
        ASSERT_TRUE(SolveLeastSquaresSVD(a, b, x, near, sd));
        EXPECT_FALSE(near);
        EXPECT_LT(MaxAbsDiff(refs["tall_x"], x), 100 * kEps);
        EXPECT_EQ(sd.NrOfElem(), 4);
        int rank = 0;
        TVector x2;
        ASSERT_TRUE(SingValEquSolve(keep, b, x2, nullptr, 0.0, rank));
        EXPECT_EQ(rank, 4);
        EXPECT_LT(MaxAbsDiff(refs["tall_x"], x2), 100 * kEps);
        // Unit-variance standard errors: sd(r)^2 = ((A^T A)^-1)(r, r); check by A^T A sd-weighted.
        TMatrix ata;
        ASSERT_TRUE(keep.TransposeAndMultiply(&keep, &ata));
        ASSERT_TRUE(ata.Invert());
        for (int r = 1; r <= 4; ++r)
            EXPECT_NEAR(sd.GetVal(r), std::sqrt(ata.GetVal(r, r)), 1e-12 * sd.GetVal(r));
    }
    // Two equal columns: near-singular and the minimum-norm solution of lstsq.
    {
        TMatrix a, keep;
        TVector b, x, sd;
        lsqtest::ToMatrix(refs["defic_A"], a);
        keep.Assign(&a);
        lsqtest::ToVector(refs["defic_b"], b);
        bool near = false;
        ASSERT_TRUE(SolveLeastSquaresSVD(a, b, x, near, sd));
        EXPECT_TRUE(near);
        EXPECT_LT(MaxAbsDiff(refs["defic_x"], x), 1e-13);
        int rank = 0;
        ASSERT_TRUE(SingValEquSolve(keep, b, x, nullptr, 0.0, rank));
        EXPECT_EQ(rank, 3);
        EXPECT_LT(MaxAbsDiff(refs["defic_x"], x), 1e-13);
    }
    // A square regular system is solved exactly.
    {
        TMatrix a;
        a.Resize(3, 3);
        const double cells[3][3] = {{4, -2, 1}, {3, 6, -4}, {2, 1, 8}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) a.SetVal(c + 1, r + 1, cells[r][c]);
        TVector b, x, sd;
        b.Resize(3);
        // b = A (1, 2, 3)
        for (int r = 0; r < 3; ++r)
            b.SetVal(r + 1, cells[r][0] + 2 * cells[r][1] + 3 * cells[r][2]);
        bool near = true;
        ASSERT_TRUE(SolveLeastSquaresSVD(a, b, x, near, sd));
        EXPECT_FALSE(near);
        for (int k = 1; k <= 3; ++k) EXPECT_NEAR(x.GetVal(k), k, 20 * kEps * 3);
    }
    // Operands that do not fit: false, nothing written.
    TMatrix u, v;
    TVector w, b, x;
    u.Resize(2, 4);
    v.Resize(2, 2);
    w.Resize(2);
    b.Resize(3);
    x.Resize(7);
    EXPECT_FALSE(BackSubstituteSVD(u, v, w, b, x, nullptr));
    EXPECT_EQ(x.NrOfElem(), 7);
    int rank = -1;
    EXPECT_FALSE(SingValEquSolve(u, b, x, nullptr, 0.0, rank));
    EXPECT_EQ(rank, -1);
}

TEST(LsqSvd, AbortFromFeedbackStopsSolverAndNaNGivesFalse) {
    const lsqtest::Refs refs("lsq_numpy.txt");
    TMatrix a;
    TVector b, x, sd;
    lsqtest::ToMatrix(refs["tall_A"], a);
    lsqtest::ToVector(refs["tall_b"], b);
    int calls = 0;
    MathFeedBackProc = [&](double) {
        if (++calls == 3) AbortMathProc = true;
    };
    bool near = false;
    EXPECT_FALSE(SolveLeastSquaresSVD(a, b, x, near, sd));
    EXPECT_EQ(calls, 3);
    MathFeedBackProc = nullptr;
    AbortMathProc = false;

    lsqtest::ToMatrix(refs["tall_A"], a);
    a.SetVal(2, 5, std::numeric_limits<double>::quiet_NaN());
    x.Resize(1);
    EXPECT_FALSE(SolveLeastSquaresSVD(a, b, x, near, sd));
    EXPECT_EQ(x.NrOfElem(), 1);
}

TEST(LsqSvd, ExhaustedMemoryBecomesTheUnitError) {
    try {
        detail::GuardMemory("MultiLinReg", []() -> bool { throw std::bad_alloc(); });
        FAIL() << "no exception";
    } catch (const EOZMMath2Error& e) {
        EXPECT_EQ(e.message(), "MultiLinReg: not enough memory");
    }
    EXPECT_THROW(detail::GuardMemory("x", []() -> bool { throw EOZMVectorError("other"); }),
                 EOZMVectorError);
}
