// The dense form of TIntMatrix: integer products against a plain reference, wrapping arithmetic,
// the members that differ from TMatrix, and the exchange with TMatrix and TIntVector.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using ozm::testing::ChangeCounter;

void FillRandomInt(TIntMatrix& m, int nc, int nr, std::mt19937& gen, bool huge) {
    m.Resize(nc, nr);
    std::uniform_int_distribution<int32_t> small(-9, 9);
    for (int c = 1; c <= nc; ++c)
        for (int r = 1; r <= nr; ++r) m.SetVal(c, r, huge ? int32_t(gen()) : small(gen));
}

// (A * B)(r, c) in 32-bit two's complement, the plain triple loop.
int32_t ProductCell(const TIntMatrix& a, bool ta, const TIntMatrix& b, bool tb, int c, int r,
                    int depth) {
    uint32_t s = 0;
    for (int k = 1; k <= depth; ++k) {
        const int32_t x = ta ? a.GetVal(r, k) : a.GetVal(k, r);
        const int32_t y = tb ? b.GetVal(k, c) : b.GetVal(c, k);
        s += uint32_t(x) * uint32_t(y);
    }
    return int32_t(s);
}

TEST(IntMatrixDense, ProductsMatchThePlainLoopAlsoWhenTheyWrap) {
    std::mt19937 gen(512);
    for (const bool huge : {false, true}) {
        for (const auto& [m, k, n] :
             {std::tuple{1, 1, 1}, {3, 5, 2}, {7, 4, 9}, {33, 17, 6}, {0, 3, 2}}) {
            TIntMatrix a, b, bt, at, res;
            FillRandomInt(a, k, m, gen, huge);   // m rows, k columns
            FillRandomInt(b, n, k, gen, huge);   // k rows, n columns
            FillRandomInt(bt, k, n, gen, huge);  // n rows, k columns
            FillRandomInt(at, m, k, gen, huge);  // k rows, m columns
            ASSERT_TRUE(a.Multiply(&b, &res));
            ASSERT_EQ(res.NrOfColumns(), n);
            ASSERT_EQ(res.NrOfRows(), m);
            for (int c = 1; c <= n; ++c)
                for (int r = 1; r <= m; ++r)
                    ASSERT_EQ(res.GetVal(c, r), ProductCell(a, false, b, false, c, r, k));
            ASSERT_TRUE(a.MultiplyTransposed(&bt, &res));
            ASSERT_EQ(res.NrOfColumns(), n);
            for (int c = 1; c <= n; ++c)
                for (int r = 1; r <= m; ++r)
                    ASSERT_EQ(res.GetVal(c, r), ProductCell(a, false, bt, true, c, r, k));
            ASSERT_TRUE(at.TransposeAndMultiply(&b, &res));
            ASSERT_EQ(res.NrOfRows(), m);
            for (int c = 1; c <= n; ++c)
                for (int r = 1; r <= m; ++r)
                    ASSERT_EQ(res.GetVal(c, r), ProductCell(at, true, b, false, c, r, k));
        }
    }
    // Mismatches change nothing; the result may be an operand.
    TIntMatrix a, b;
    FillRandomInt(a, 3, 2, gen, false);
    FillRandomInt(b, 4, 2, gen, false);
    TIntMatrix res;
    EXPECT_FALSE(a.Multiply(&b, &res));
    EXPECT_EQ(res.NrOfColumns(), 1);
    EXPECT_FALSE(a.Multiply(nullptr, &res));
    TIntMatrix sq, copy;
    FillRandomInt(sq, 5, 5, gen, true);
    copy.Assign(&sq);
    ChangeCounter changes(sq);
    ASSERT_TRUE(sq.Multiply(&copy, &sq));
    EXPECT_EQ(changes.count, 25 + 1);  // one per result cell, then the left operand
    for (int c = 1; c <= 5; ++c)
        for (int r = 1; r <= 5; ++r)
            EXPECT_EQ(sq.GetVal(c, r), ProductCell(copy, false, copy, false, c, r, 5));

    // Vector products take integer vectors.
    TIntVector x, y;
    x.Resize(3);
    for (int e = 1; e <= 3; ++e) x.SetVal(e, e);
    FillRandomInt(a, 3, 2, gen, false);
    ASSERT_TRUE(a.Multiply(&x, &y));
    ASSERT_EQ(y.NrOfElem(), 2);
    for (int r = 1; r <= 2; ++r)
        EXPECT_EQ(y.GetVal(r), a.GetVal(1, r) + 2 * a.GetVal(2, r) + 3 * a.GetVal(3, r));
    ASSERT_TRUE(a.TransposeAndMultiply(&y, &x));
    EXPECT_EQ(x.NrOfElem(), 3);
}

TEST(IntMatrixDense, MembersThatDifferFromTMatrix) {
    TIntMatrix m;
    m.SetName("I");
    m.Resize(3, 2);
    const int32_t cells[3][2] = {{4, 7}, {-2, 0}, {9, -5}};
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 2; ++r) m.SetVal(c, r, cells[c - 1][r - 1]);
    // Bitmask 1 counts the even cells: 4, -2, 0.
    EXPECT_EQ(m.CountMaskedZeros(0, 0, 0, 0, 1), 3);
    EXPECT_EQ(m.CountMaskedZeros(2, 3, 1, 2, 0xFFFFFFFFu), 1);
    EXPECT_EQ(m.CountValues(0, 0, 0, 0, -2, 4), 3);
    int c = 0, r = 0;
    m.Find(0, 0, 0, 0, 8, c, r);  // 7 and 9 are equally near: the first one found wins
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 2);
    m.Find(0, 0, 0, 0, INT32_MIN, c, r);  // the difference leaves the integer range
    EXPECT_EQ(c, 3);
    EXPECT_EQ(r, 2);
    EXPECT_EQ(m.Sum(0, 0, 0, 0), 13);
    int32_t mn = 0, mx = 0;
    m.MinMax(0, 0, 0, 0, mn, mx);
    EXPECT_EQ(mn, -5);
    EXPECT_EQ(mx, 9);
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0), 4.0);  // rank round(3) of -5 -2 0 4 7 9
    double q1, q2, q3;
    EXPECT_TRUE(m.Quartiles(0, 0, 0, 0, q1, q2, q3));
    EXPECT_DOUBLE_EQ(q2, 2.0);
    TBool2DArray flags;
    EXPECT_EQ(m.Dichotomize(4, flags), 2);
    EXPECT_EQ(m.CRCofData().size(), 32u);
    m.SMult(INT32_MAX);  // wraps: 4 * (2^31 - 1) = -4 mod 2^32
    EXPECT_EQ(m.GetVal(1, 1), -4);
    m.SAdd(1);
    EXPECT_EQ(m.GetVal(2, 2), 1);
    TVector means;
    m.MeanVec(TDims::dimColumns, &means);
    EXPECT_EQ(means.NrOfElem(), 3);

    TIntMatrix empty;
    empty.Resize(0, 0);
    empty.MinMax(0, 0, 0, 0, mn, mx);
    EXPECT_EQ(mn, INT32_MAX);
    EXPECT_EQ(mx, -INT32_MAX);
    EXPECT_EQ(empty.Sum(0, 0, 0, 0), 0);

    // TMatrix takes integer cells as doubles; the integer matrix copies rectangles of its own.
    TMatrix real;
    real.Resize(2, 2);
    TIntMatrix src;
    src.Resize(3, 3);
    src.SetVal(2, 3, -17);
    src.SetVal(3, 3, 5);
    ChangeCounter changes(real);
    real.CopyFrom(&src, 2, 3, 3, 3, 1, 2);
    EXPECT_EQ(real.GetVal(1, 2), -17.0);
    EXPECT_EQ(real.GetVal(2, 2), 5.0);
    EXPECT_EQ(changes.count, 3);
    TIntMatrix dst;
    dst.Resize(2, 2);
    dst.CopyFrom(&src, 3, 3, 3, 3, 2, 2);
    EXPECT_EQ(dst.GetVal(2, 2), 5);
    TInt2DArray arr;
    src.CopyToArray(arr, 2, 3, 3, 3);
    ASSERT_EQ(arr.size(), 2u);
    EXPECT_EQ(arr[0][0], -17);
    dst.CopyFromArray(arr, 1, 1);
    EXPECT_EQ(dst.GetVal(1, 1), -17);
    EXPECT_EQ(dst.GetVal(2, 1), 5);
}

}  // namespace
}  // namespace ozm
