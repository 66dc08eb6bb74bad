// TMatrix linear algebra: products, transpose, inversion, LU and Cholesky decomposition,
// determinant, balancing, norms, hat matrix and differences, checked against independent results.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using testing::ChangeCounter;
using testing::AvailableGemmKernels;
using testing::FillRandom;
using testing::GemmKernelGuard;
using testing::MaxDiff;
using testing::ProgressHooksGuard;
using testing::ReferenceProduct;
using testing::SetColumns;
using testing::SetRows;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Explicit transpose through the cell accessors, independent of Transpose().
void Transposed(const TMatrix& a, TMatrix& t) {
    t.Resize(a.NrOfRows(), a.NrOfColumns());
    for (int c = 1; c <= a.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r) t.SetVal(r, c, a.GetVal(c, r));
}

void Identity(TMatrix& m, int n) {
    m.ResizeAndClear(n, n);
    m.FillDiag(1.0);
}

TEST(MatrixProducts, ShapesAndMismatches) {
    TMatrix a, b, res;
    a.Resize(2, 3);
    b.Resize(4, 2);
    EXPECT_TRUE(a.Multiply(&b, &res));
    EXPECT_EQ(res.NrOfColumns(), 4);
    EXPECT_EQ(res.NrOfRows(), 3);

    TMatrix wrong;
    wrong.Resize(4, 3);
    SetColumns(res, {{7}});
    ChangeCounter resChanges(res), leftChanges(a);
    EXPECT_FALSE(a.Multiply(&wrong, &res));
    EXPECT_FALSE(a.Multiply(&b, nullptr));
    EXPECT_FALSE(a.Multiply(static_cast<const TMatrix*>(nullptr), &res));
    EXPECT_FALSE(a.MultiplyTransposed(&b, &res));    // needs equal column counts
    EXPECT_FALSE(a.TransposeAndMultiply(&b, &res));  // needs equal row counts
    EXPECT_EQ(res.NrOfColumns(), 1);
    EXPECT_EQ(res.GetVal(1, 1), 7);
    EXPECT_EQ(resChanges.count + leftChanges.count, 0);
}

// Every kernel gives every cell the sum of its plain loop bit for bit: the portable kernel that
// of `s += a * b`, the FMA kernels that of `s = fma(a, b, s)`. Sizes cross every kernel's
// register tile, the packed blocks and the depth blocks, and include the small-product path.
TEST(MatrixProducts, EveryKernelMatchesItsPlainLoopExactly) {
    using matrix::detail::TGemmKernel;
    const int shapes[][3] = {{3, 2, 4},       {5, 7, 3},       {37, 41, 29},
                             {150, 37, 300},  {131, 133, 260}, {200, 29, 17},
                             {17, 390, 100},  {33, 33, 33}};
    GemmKernelGuard restore;
    for (TGemmKernel kernel : AvailableGemmKernels()) {
        ASSERT_TRUE(matrix::detail::ForceGemmKernel(kernel));
        const bool fused = kernel != TGemmKernel::gkPortable;
        const char* name = matrix::detail::GemmKernelName(kernel);
        uint32_t seed = 1;
        for (const auto& s : shapes) {
            const int m = s[0], n = s[1], k = s[2];
            TMatrix a, b, res, ref, at, bt;
            FillRandom(a, k, m, seed++);
            FillRandom(b, n, k, seed++);
            ASSERT_TRUE(a.Multiply(&b, &res));
            ReferenceProduct(a, b, ref, fused);
            EXPECT_EQ(MaxDiff(res, ref), 0.0) << name << " " << m << "x" << n << "x" << k;

            Transposed(b, bt);  // A * B = A * (B^T)^T
            ASSERT_TRUE(a.MultiplyTransposed(&bt, &res));
            EXPECT_EQ(MaxDiff(res, ref), 0.0) << name;

            Transposed(a, at);  // A * B = (A^T)^T * B
            ASSERT_TRUE(at.TransposeAndMultiply(&b, &res));
            EXPECT_EQ(MaxDiff(res, ref), 0.0) << name;
        }
    }
}

TEST(MatrixProducts, NotificationsAndResultAliasingAnOperand) {
    TMatrix a, b, res;
    SetRows(a, {{1, 2}, {3, 4}});
    SetRows(b, {{5, 6}, {7, 8}});
    res.Resize(2, 2);
    ChangeCounter left(a), right(b), result(res);
    ASSERT_TRUE(a.Multiply(&b, &res));
    EXPECT_EQ(left.count, 1);
    EXPECT_EQ(right.count, 0);
    EXPECT_EQ(result.count, 4);  // one per cell, no resize
    // The result may be an operand: A := A * B and B := A^T * B.
    TMatrix expected;
    SetRows(expected, {{19, 22}, {43, 50}});
    ASSERT_TRUE(a.Multiply(&b, &a));
    EXPECT_EQ(MaxDiff(a, expected), 0.0);
    SetRows(a, {{1, 2}, {3, 4}});
    SetRows(expected, {{26, 30}, {38, 44}});
    ASSERT_TRUE(a.TransposeAndMultiply(&b, &b));
    EXPECT_EQ(MaxDiff(b, expected), 0.0);
}

TEST(MatrixProducts, MatrixVectorProducts) {
    TMatrix a;
    SetRows(a, {{1, 2, 3}, {4, 5, 6}});  // 2 rows x 3 columns
    TVector x, y;
    x.Resize(3);
    for (int i = 1; i <= 3; ++i) x.SetVal(i, i);
    ChangeCounter left(a);
    ASSERT_TRUE(a.Multiply(&x, &y));
    EXPECT_EQ(left.count, 1);  // the left operand reports once, as in every product
    ASSERT_EQ(y.NrOfElem(), 2);
    EXPECT_EQ(y.GetVal(1), 14);
    EXPECT_EQ(y.GetVal(2), 32);
    ASSERT_TRUE(a.TransposeAndMultiply(&y, &y));  // in place: A^T (14, 32)
    ASSERT_EQ(y.NrOfElem(), 3);
    EXPECT_EQ(y.GetVal(1), 14 + 4 * 32);
    EXPECT_EQ(y.GetVal(3), 3 * 14 + 6 * 32);
    EXPECT_EQ(left.count, 2);
    EXPECT_FALSE(a.Multiply(&y, static_cast<TVector*>(nullptr)));
    TVector wrong;
    wrong.Resize(2);
    EXPECT_FALSE(a.Multiply(&wrong, &y));
    EXPECT_FALSE(a.TransposeAndMultiply(&x, &y));
    EXPECT_EQ(y.NrOfElem(), 3);
    EXPECT_EQ(left.count, 2);  // mismatches report nothing
}

TEST(MatrixProducts, TransposeSwapsTheDimensions) {
    TMatrix a, t, ref;
    FillRandom(a, 45, 70, 3);
    Transposed(a, ref);
    t.Assign(&a);
    ChangeCounter changes(t);
    EXPECT_TRUE(t.Transpose());
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(MaxDiff(t, ref), 0.0);
    t.Transpose();
    EXPECT_EQ(MaxDiff(t, a), 0.0);
}

TEST(MatrixInvert, SmallCasesAndFailures) {
    TMatrix m;
    SetRows(m, {{2, 0}, {0, 4}});
    ASSERT_TRUE(m.Invert());
    EXPECT_EQ(m.GetVal(1, 1), 0.5);
    EXPECT_EQ(m.GetVal(2, 2), 0.25);
    EXPECT_EQ(m.GetVal(1, 2), 0.0);

    SetRows(m, {{1, 2}, {2, 4}});
    EXPECT_FALSE(m.Invert());

    m.Resize(2, 3);
    m.Fill(1.0);
    ChangeCounter changes(m);
    EXPECT_FALSE(m.Invert());  // not square: unchanged, no notification
    EXPECT_EQ(m.NrOfColumns(), 2);
    EXPECT_EQ(changes.count, 0);

    SetRows(m, {{1, 2}, {0, 0}});
    const std::string before = m.CRCofData();
    changes.count = 0;
    EXPECT_FALSE(m.Invert());  // zero row: unchanged, but notified
    EXPECT_EQ(m.CRCofData(), before);
    EXPECT_EQ(changes.count, 1);
}

TEST(MatrixInvert, ProductWithTheInverseIsTheIdentity) {
    ProgressHooksGuard hooks;
    GemmKernelGuard restore;
    for (auto kernel : AvailableGemmKernels()) {
        ASSERT_TRUE(matrix::detail::ForceGemmKernel(kernel));
        for (int n : {1, 3, 17, 64, 150}) {
            TMatrix a, inv, prod, eye;
            FillRandom(a, n, n, 100 + n);
            for (int i = 1; i <= n; ++i) a.SetVal(i, i, a.GetVal(i, i) + 2.0);  // well conditioned
            inv.Assign(&a);
            ProcStat = 0;
            ASSERT_TRUE(inv.Invert()) << n;
            EXPECT_EQ(ProcStat.load(), 2.0 * n);  // one step per column, decomposition and solve
            ASSERT_TRUE(a.Multiply(&inv, &prod));
            Identity(eye, n);
            EXPECT_LT(MaxDiff(prod, eye), 1e-12 * n) << n;
        }
    }
}

TEST(MatrixInvert, AbortFromTheFeedbackStopsIt) {
    ProgressHooksGuard hooks;
    TMatrix a;
    FillRandom(a, 40, 40, 5);
    int calls = 0;
    MathFeedBackProc = [&](double) {
        if (++calls == 10) AbortMathProc = true;
    };
    EXPECT_FALSE(a.Invert());
    EXPECT_EQ(calls, 10);
    AbortMathProc = true;
    calls = 0;
    TMatrix b;
    SetRows(b, {{2, 0}, {0, 4}});
    EXPECT_FALSE(b.Invert());  // set before the call: nothing computed
    EXPECT_EQ(b.GetVal(1, 1), 2.0);
}

TEST(MatrixInvert, NaNCellsFailWithoutHanging) {
    TMatrix a;
    SetRows(a, {{1, kNaN, 0}, {0, 1, 2}, {3, 0, 1}});
    EXPECT_FALSE(a.Invert());
    SetRows(a, {{kNaN, kNaN}, {1, 2}});
    EXPECT_FALSE(a.Invert());
    TMatrix l, u;
    int perm = 0;
    SetRows(a, {{1, kNaN, 0}, {0, 1, 2}, {3, 0, 1}});
    EXPECT_FALSE(a.LUdecomposition(&l, &u, perm));
    EXPECT_EQ(a.Determinant(), 0.0);
}

// L U reproduces the rows of A in some order, and every row of A is used once.
TEST(MatrixLU, FactorsReproduceThePermutedMatrix) {
    for (int n : {2, 5, 30}) {
        TMatrix a, l, u, lu;
        FillRandom(a, n, n, 7 + n);
        int perm = 0;
        ASSERT_TRUE(a.LUdecomposition(&l, &u, perm));
        EXPECT_TRUE(perm == 1 || perm == -1);
        for (int c = 1; c <= n; ++c)
            for (int r = 1; r <= n; ++r) {
                if (r < c) {
                    EXPECT_EQ(l.GetVal(c, r), 0.0);
                }
                if (r > c) {
                    EXPECT_EQ(u.GetVal(c, r), 0.0);
                }
            }
        for (int i = 1; i <= n; ++i) EXPECT_EQ(l.GetVal(i, i), 1.0);
        ASSERT_TRUE(l.Multiply(&u, &lu));
        std::vector<bool> used(n + 1, false);
        int swaps = 0;
        std::vector<int> order(n + 1);
        for (int r = 1; r <= n; ++r) {
            int match = 0;
            for (int s = 1; s <= n && match == 0; ++s) {
                if (used[s]) continue;
                double d = 0;
                for (int c = 1; c <= n; ++c) d = std::max(d, std::fabs(lu.GetVal(c, r) - a.GetVal(c, s)));
                if (d < 1e-12 * n) match = s;
            }
            ASSERT_NE(match, 0) << "row " << r << " of L U is no row of A";
            used[match] = true;
            order[r] = match;
        }
        // The sign of the permutation found must be NumPerm.
        for (int i = 1; i <= n; ++i)
            for (int j = i + 1; j <= n; ++j)
                if (order[i] > order[j]) ++swaps;
        EXPECT_EQ(perm, swaps % 2 == 0 ? 1 : -1);
    }
}

// Crout's method as the textbook writes it (row-wise inner products in increasing k, implicit
// pivoting with the last row winning ties, division by the pivot), and the inverse column by
// column from the factors. The blocked routines must reproduce both bit for bit.
struct TextbookCrout {
    int n;
    std::vector<double> a;  // a[i * n + j] = a(i, j), row-major
    std::vector<int> perm;
    int sign = 1;

    explicit TextbookCrout(const TMatrix& m) : n(m.NrOfColumns()), a(n * n), perm(n) {
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) a[i * n + j] = m.GetVal(j + 1, i + 1);
        std::vector<double> scale(n);
        for (int i = 0; i < n; ++i) {
            double big = 0;
            for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(a[i * n + j]));
            scale[i] = 1.0 / big;
        }
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < j; ++i) {
                double sum = a[i * n + j];
                for (int k = 0; k < i; ++k) sum -= a[i * n + k] * a[k * n + j];
                a[i * n + j] = sum;
            }
            double big = 0;
            int imax = j;
            for (int i = j; i < n; ++i) {
                double sum = a[i * n + j];
                for (int k = 0; k < j; ++k) sum -= a[i * n + k] * a[k * n + j];
                a[i * n + j] = sum;
                if (scale[i] * std::fabs(sum) >= big) {
                    big = scale[i] * std::fabs(sum);
                    imax = i;
                }
            }
            if (imax != j) {
                for (int k = 0; k < n; ++k) std::swap(a[imax * n + k], a[j * n + k]);
                std::swap(scale[imax], scale[j]);
                sign = -sign;
            }
            perm[j] = imax;
            for (int i = j + 1; i < n; ++i) a[i * n + j] /= a[j * n + j];
        }
    }

    // Column c of the inverse: forward substitution from the first non-zero, back substitution
    // subtracting the solved components from the last one upwards.
    std::vector<double> InverseColumn(int c) const {
        std::vector<double> y(n, 0.0);
        y[c] = 1.0;
        for (int i = 0; i < n; ++i) std::swap(y[i], y[perm[i]]);
        int first = 0;
        while (y[first] == 0.0) ++first;
        for (int k = first; k < n; ++k)
            for (int i = k + 1; i < n; ++i) y[i] -= a[i * n + k] * y[k];
        for (int k = n - 1; k >= 0; --k) {
            y[k] /= a[k * n + k];
            for (int i = 0; i < k; ++i) y[i] -= a[i * n + k] * y[k];
        }
        return y;
    }
};

// With the portable product kernel, whose roundings are those of the plain loops.
TEST(MatrixLU, BlockedFactorsAndInverseEqualTheTextbookBitForBit) {
    GemmKernelGuard restore;
    ASSERT_TRUE(matrix::detail::ForceGemmKernel(matrix::detail::TGemmKernel::gkPortable));
    const int n = 300;  // several panels and two blocks of identity columns, each with a ragged last one
    TMatrix a, l, u, inv;
    FillRandom(a, n, n, 4242);
    const TextbookCrout ref(a);
    int perm = 0;
    ASSERT_TRUE(a.LUdecomposition(&l, &u, perm));
    EXPECT_EQ(perm, ref.sign);
    int mismatches = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double expected = ref.a[i * n + j];
            const double got = i > j ? l.GetVal(j + 1, i + 1) : u.GetVal(j + 1, i + 1);
            if (got != expected) ++mismatches;
        }
    EXPECT_EQ(mismatches, 0);
    inv.Assign(&a);
    ASSERT_TRUE(inv.Invert());
    mismatches = 0;
    for (int c = 0; c < n; ++c) {
        const std::vector<double> col = ref.InverseColumn(c);
        for (int r = 0; r < n; ++r)
            if (inv.GetVal(c + 1, r + 1) != col[r]) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(MatrixLU, FailuresLeaveTheDocumentedState) {
    TMatrix a, l, u;
    int perm = 5;
    a.Resize(2, 3);
    EXPECT_FALSE(a.LUdecomposition(&l, &u, perm));
    EXPECT_EQ(perm, 1);
    EXPECT_FALSE(a.LUdecomposition(&l, &l, perm));
    SetRows(a, {{1, 2}, {2, 4}});
    EXPECT_FALSE(a.LUdecomposition(&l, &u, perm));
    EXPECT_EQ(l.Sum(0, 0, 0, 0), 0.0);  // L stays zero on failure
    EXPECT_EQ(l.NrOfColumns(), 2);
}

TEST(MatrixDeterminant, KnownValues) {
    TMatrix a;
    SetRows(a, {{0, 1}, {1, 0}});
    EXPECT_EQ(a.Determinant(), -1.0);
    SetRows(a, {{1, 2}, {2, 4}});
    EXPECT_EQ(a.Determinant(), 0.0);
    a.Resize(3, 2);
    EXPECT_EQ(a.Determinant(), 0.0);
    // Hilbert matrix of order 3: 1 / 2160.
    SetRows(a, {{1, 1.0 / 2, 1.0 / 3}, {1.0 / 2, 1.0 / 3, 1.0 / 4}, {1.0 / 3, 1.0 / 4, 1.0 / 5}});
    EXPECT_NEAR(a.Determinant(), 1.0 / 2160, 1e-15);
    // det(A B) = det(A) det(B) on random matrices.
    TMatrix b, ab;
    FillRandom(a, 12, 12, 21);
    FillRandom(b, 12, 12, 22);
    a.Multiply(&b, &ab);
    EXPECT_NEAR(ab.Determinant(), a.Determinant() * b.Determinant(),
                1e-12 * std::fabs(ab.Determinant()));
}

TEST(MatrixCholesky, FactorOfAKnownMatrix) {
    TMatrix a, l;
    SetRows(a, {{4, 2}, {2, 3}});
    ASSERT_TRUE(a.CholeskyDecomp(&l));
    EXPECT_EQ(l.GetVal(1, 1), 2.0);
    EXPECT_EQ(l.GetVal(1, 2), 1.0);  // L(2, 1): column 1, row 2
    EXPECT_EQ(l.GetVal(2, 1), 0.0);
    EXPECT_DOUBLE_EQ(l.GetVal(2, 2), std::sqrt(2.0));
    // The factor value L(2, 1) is also kept above the diagonal of the matrix itself.
    EXPECT_EQ(a.GetVal(2, 1), 1.0);
    EXPECT_EQ(a.GetVal(1, 2), 2.0);

    SetRows(a, {{1, 2}, {2, 1}});
    EXPECT_FALSE(a.CholeskyDecomp(&l));
    a.Resize(3, 2);
    EXPECT_FALSE(a.CholeskyDecomp(&l));
}

TEST(MatrixCholesky, FactorTimesItsTransposeIsTheMatrix) {
    const int n = 40;
    TMatrix x, a, l, llt;
    FillRandom(x, n, n + 5, 31);
    x.Square(&a, 1.0, 1);
    for (int i = 1; i <= n; ++i) a.SetVal(i, i, a.GetVal(i, i) + 1.0);
    TMatrix original;
    original.Assign(&a);
    ASSERT_TRUE(a.CholeskyDecomp(&l));
    ASSERT_TRUE(l.MultiplyTransposed(&l, &llt));
    EXPECT_LT(MaxDiff(llt, original), 1e-12 * n);
    // MatL may be the matrix itself.
    ASSERT_TRUE(original.CholeskyDecomp(&original));
    EXPECT_EQ(MaxDiff(original, l), 0.0);
}

// Sum of |a| over the cells off the diagonal: each balancing step minimises it for its index.
double OffDiagonalMass(const TMatrix& a) {
    double s = 0;
    for (int c = 1; c <= a.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r)
            if (r != c) s += std::fabs(a.GetVal(c, r));
    return s;
}

TEST(MatrixBalance, SimilarityScalingShrinksTheOffDiagonalMass) {
    TMatrix a;
    SetRows(a, {{1, 1e4, 0}, {1e-4, 2, 1e3}, {3, 1e-3, 5}});
    const double trace = a.Trace();
    const double det = a.Determinant();
    const double mass = OffDiagonalMass(a);
    ChangeCounter changes(a);
    ASSERT_TRUE(a.Balance());
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(a.Trace(), trace);  // the diagonal is untouched
    EXPECT_NEAR(a.Determinant(), det, 1e-9 * std::fabs(det));  // a similarity transform
    EXPECT_LT(OffDiagonalMass(a), mass / 10);
    // The product a(i, j) a(j, i) is invariant under diagonal similarity.
    EXPECT_NEAR(a.GetVal(2, 1) * a.GetVal(1, 2), 1.0, 1e-12);
    a.Resize(2, 3);
    EXPECT_FALSE(a.Balance());
}

TEST(MatrixBalance, DegenerateMatricesEnd) {
    TMatrix a;
    SetRows(a, {{1, 5}, {0, 1}});  // zero row sum off the diagonal: left as it is
    ASSERT_TRUE(a.Balance());
    EXPECT_EQ(a.GetVal(2, 1), 5.0);
    SetRows(a, {{1, kNaN}, {kNaN, 1}});
    a.Balance();  // must return
    SetRows(a, {{1, INFINITY}, {1, 1}});
    a.Balance();
    EXPECT_EQ(a.GetVal(1, 1), 1.0);
}

TEST(MatrixNorms, SmallExample) {
    TMatrix a;
    SetRows(a, {{1, -2}, {3, 4}});
    EXPECT_EQ(a.Norm(TNormType::ntColwise), 6.0);
    EXPECT_EQ(a.Norm(TNormType::ntRowwise), 7.0);
    EXPECT_DOUBLE_EQ(a.Norm(TNormType::ntFrobenius), std::sqrt(30.0));
    // Singular values of [[1, -2], [3, 4]]: sqrt of the eigenvalues of A^T A = [[10, 10], [10, 20]].
    EXPECT_NEAR(a.Norm(TNormType::ntSpectral), std::sqrt(15 + std::sqrt(125.0)), 1e-13);
}

TEST(MatrixNorms, FrobeniusSurvivesOverflowAndUnderflow) {
    TMatrix a;
    a.Resize(2, 2);
    a.Fill(1e200);
    EXPECT_DOUBLE_EQ(a.Norm(TNormType::ntFrobenius), 2e200);
    a.Fill(1e-200);
    EXPECT_DOUBLE_EQ(a.Norm(TNormType::ntFrobenius), 2e-200);
    a.SetVal(1, 1, kNaN);
    EXPECT_TRUE(std::isnan(a.Norm(TNormType::ntColwise)));
}

// The largest eigenvalue of A^T A by power iteration, an independent route to the spectral norm.
double SpectralByPowerIteration(const TMatrix& a) {
    const int n = a.NrOfColumns();
    TMatrix ata;
    ata.Resize(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            double s = 0;
            for (int r = 1; r <= a.NrOfRows(); ++r) s += a.GetVal(i, r) * a.GetVal(j, r);
            ata.SetVal(i, j, s);
        }
    std::vector<double> x(n, 1.0), y(n);
    double lambda = 0;
    for (int it = 0; it < 5000; ++it) {
        double norm = 0;
        for (int r = 1; r <= n; ++r) {
            double s = 0;
            for (int c = 1; c <= n; ++c) s += ata.GetVal(c, r) * x[c - 1];
            y[r - 1] = s;
            norm += s * s;
        }
        norm = std::sqrt(norm);
        for (int i = 0; i < n; ++i) x[i] = y[i] / norm;
        if (std::fabs(norm - lambda) < 1e-15 * norm) break;
        lambda = norm;
    }
    return std::sqrt(lambda);
}

TEST(MatrixNorms, SpectralNormAgainstTheLargestEigenvalue) {
    ProgressHooksGuard hooks;
    for (auto [nc, nr] : {std::pair{6, 9}, {9, 6}, {20, 20}}) {
        TMatrix a;
        FillRandom(a, nc, nr, nc * 31 + nr);
        const std::string before = a.CRCofData();
        ProcStat = 0;
        const double norm = a.Norm(TNormType::ntSpectral);
        EXPECT_NEAR(norm, SpectralByPowerIteration(a), 1e-10 * norm);
        EXPECT_EQ(a.CRCofData(), before);  // decomposes a copy
        EXPECT_EQ(ProcStat.load(), 2.0 * std::min(nc, nr));
    }
}

TEST(MatrixNorms, SpectralNormFailuresRaise) {
    ProgressHooksGuard hooks;
    TMatrix a;
    SetRows(a, {{1, kNaN}, {2, 3}});
    try {
        a.Norm(TNormType::ntSpectral);
        FAIL() << "no error raised";
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "near singular covariance matrix");
    }
    SetRows(a, {{1, 2}, {2, 3}});
    AbortMathProc = true;
    EXPECT_THROW(a.Norm(TNormType::ntSpectral), EOZMMatrixError);
}

TEST(MatrixSVD, FactorsReproduceTheMatrix) {
    ProgressHooksGuard hooks;
    for (auto [m, n] : {std::pair{8, 5}, {5, 8}, {30, 30}}) {
        TMatrix a;
        FillRandom(a, n, m, m * 7 + n);
        std::vector<double> u(a.Data(), a.Data() + m * n), w(n), v(n * n);
        ProcStat = 0;
        ASSERT_TRUE(matrix::DecomposeSVD(u.data(), m, n, w.data(), v.data()));
        EXPECT_EQ(ProcStat.load(), 3.0 * n + std::min(m, n));
        double err = 0, orthoV = 0;
        for (int r = 0; r < m; ++r)
            for (int c = 0; c < n; ++c) {
                double s = 0;
                for (int k = 0; k < n; ++k) s += u[k * m + r] * w[k] * v[k * n + c];
                err = std::max(err, std::fabs(s - a.GetVal(c + 1, r + 1)));
            }
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = 0;
                for (int k = 0; k < n; ++k) s += v[i * n + k] * v[j * n + k];
                orthoV = std::max(orthoV, std::fabs(s - (i == j ? 1.0 : 0.0)));
            }
        EXPECT_LT(err, 1e-13 * m * n) << m << "x" << n;
        EXPECT_LT(orthoV, 1e-13 * n);
        for (double x : w) EXPECT_GE(x, 0.0);
    }
}

TEST(MatrixSVD, AbortReturnsFalse) {
    ProgressHooksGuard hooks;
    std::vector<double> a(16, 1.0), w(4), v(16);
    MathFeedBackProc = [](double stat) {
        if (stat >= 3) AbortMathProc = true;
    };
    ProcStat = 0;
    EXPECT_FALSE(matrix::DecomposeSVD(a.data(), 4, 4, w.data(), v.data()));
    EXPECT_EQ(ProcStat.load(), 3.0);
}

TEST(MatrixHat, ProjectionProperties) {
    const int m = 12, n = 3;
    TMatrix x, h, hh, hx;
    FillRandom(x, n, m, 77);
    ASSERT_TRUE(x.CalcHatMatrix(&h));
    ASSERT_EQ(h.NrOfColumns(), m);
    ASSERT_EQ(h.NrOfRows(), m);
    EXPECT_NEAR(h.Trace(), n, 1e-12);  // the rank of X
    h.Multiply(&h, &hh);
    EXPECT_LT(MaxDiff(hh, h), 1e-13);  // idempotent
    h.Multiply(&x, &hx);
    EXPECT_LT(MaxDiff(hx, x), 1e-13);  // leaves the columns of X in place
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= m; ++j) EXPECT_NEAR(h.GetVal(i, j), h.GetVal(j, i), 1e-14);

    // Collinear columns: X^T X is singular; HatMat stays as it was.
    for (int r = 1; r <= m; ++r) x.SetVal(3, r, 2 * x.GetVal(1, r));
    const std::string before = h.CRCofData();
    EXPECT_FALSE(x.CalcHatMatrix(&h));
    EXPECT_EQ(h.CRCofData(), before);
    EXPECT_FALSE(x.CalcHatMatrix(nullptr));
}

TEST(MatrixDiff, ForwardDifferences) {
    TMatrix m;
    SetColumns(m, {{1, 4, 9, 16}, {0, 1, 0, 1}});
    ChangeCounter changes(m);
    m.Diff(11);
    m.Diff(4);  // Order >= rows
    m.Diff(0);
    EXPECT_EQ(changes.count, 0);
    m.Diff(1);
    ASSERT_EQ(m.NrOfRows(), 3);
    EXPECT_EQ(m.GetVal(1, 1), 3);
    EXPECT_EQ(m.GetVal(1, 3), 7);
    EXPECT_EQ(m.GetVal(2, 2), -1);
    m.Diff(2);
    ASSERT_EQ(m.NrOfRows(), 1);
    EXPECT_EQ(m.GetVal(1, 1), 0);  // second difference of 3, 5, 7
    EXPECT_EQ(m.GetVal(2, 1), 4);  // of 1, -1, 1
}

}  // namespace
}  // namespace ozm
