// Complex numbers: the worked cases, the division guard, and identities between the routines.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "ozm/complex.hpp"

namespace {

using namespace ozm;
using namespace ozm::complex;

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kEps = std::numeric_limits<long double>::epsilon();

// Restores the process-wide tolerance after a test that changes it.
struct TolerancePreserver {
    long double saved = CpxNearZero;
    ~TolerancePreserver() { CpxNearZero = saved; }
};

::testing::AssertionResult Near(const TComplex& a, const TComplex& b, long double tolerance) {
    const long double d = CpxAbs(CpxSub(a, b));
    if (d <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << static_cast<double>(a.re) << ", "
                                         << static_cast<double>(a.im) << ") vs ("
                                         << static_cast<double>(b.re) << ", "
                                         << static_cast<double>(b.im) << "), |diff| "
                                         << static_cast<double>(d);
}

std::vector<TComplex> RandomValues(int n) {
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> part(-10, 10);
    std::vector<TComplex> v;
    for (int i = 0; i < n; ++i) v.push_back(Cpx(part(rng), part(rng)));
    return v;
}

TEST(Complex, ConstantsAndArithmetic) {
    EXPECT_TRUE(CpxIsEqual(COMPLEX_0, Cpx(0, 0)));
    EXPECT_TRUE(CpxIsEqual(COMPLEX_1, Cpx(1, 0)));
    const TComplex a = Cpx(3, 4), b = Cpx(1, -2);
    EXPECT_TRUE(CpxIsEqual(CpxAdd(a, b), Cpx(4, 2)));
    EXPECT_TRUE(CpxIsEqual(CpxSub(a, b), Cpx(2, 6)));
    EXPECT_TRUE(CpxIsEqual(CpxMult(a, b), Cpx(11, -2)));  // (3+4i)(1-2i) = 3 - 6i + 4i + 8
    EXPECT_TRUE(CpxIsEqual(CpxNeg(a), Cpx(-3, -4)));
    EXPECT_TRUE(CpxIsEqual(CpxConj(a), Cpx(3, -4)));
    EXPECT_EQ(CpxAbs(a), 5);
    EXPECT_EQ(CpxAbsSqr(a), 25);
    EXPECT_TRUE(CpxIsEqual(CpxDiv(Cpx(11, -2), b), a));
    EXPECT_FALSE(CpxIsEqual(Cpx(0.1 + 0.2, 0), Cpx(0.3, 0)));  // exact comparison
    // |z| of parts whose squares overflow even the extended range.
    EXPECT_EQ(CpxAbs(Cpx(3e4000L, 4e4000L)), 5e4000L);
}

TEST(Complex, DivisionGuard) {
    const auto message = [](const TComplex& a, const TComplex& b) -> std::string {
        try {
            CpxDiv(a, b);
        } catch (const EOZMComplexError& e) {
            return e.message();
        }
        return "<no exception>";
    };
    const std::string expected = "CpxDiv: division by zero";
    EXPECT_EQ(message(COMPLEX_1, COMPLEX_0), expected);
    EXPECT_EQ(message(COMPLEX_0, COMPLEX_0), expected);
    EXPECT_EQ(message(COMPLEX_1, Cpx(1e-2500L, 1e-2500L)), expected);  // d underflows to 0
    EXPECT_EQ(message(COMPLEX_1, Cpx(1e2500L, 0)), expected);          // d overflows
    EXPECT_EQ(message(Cpx(1e4000L, 0), Cpx(1e-1000L, 0)), expected);   // the quotient overflows
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(message(COMPLEX_1, Cpx(nan, 1)), expected);
    EXPECT_EQ(message(Cpx(inf, 0), COMPLEX_1), expected);
    EXPECT_EQ(message(Cpx(nan, 0), COMPLEX_1), expected);
    // Small but representable denominators divide normally.
    EXPECT_TRUE(Near(CpxDiv(COMPLEX_1, Cpx(1e-300L, 0)), Cpx(1e300L, 0), 1e300L * 4 * kEps));
}

TEST(Complex, NearTestsFollowTheTolerance) {
    TolerancePreserver keep;
    EXPECT_EQ(CpxNearZero, 1e-15L);
    EXPECT_TRUE(CpxIsNearEqual(Cpx(1, 0), Cpx(1 + 5e-16L, 0)));
    EXPECT_FALSE(CpxIsNearEqual(Cpx(1, 0), Cpx(1 + 2e-15L, 0)));
    EXPECT_FALSE(CpxIsNearEqual(Cpx(1, 0), Cpx(1, 2e-15L)));
    EXPECT_TRUE(CpxIsZero(Cpx(1e-16L, -1e-16L)));
    EXPECT_FALSE(CpxIsZero(Cpx(1e-15L, 0)));  // strictly below
    EXPECT_TRUE(CpxIsZero(COMPLEX_0));
    CpxNearZero = 0;  // only an exact zero is zero now
    EXPECT_TRUE(CpxIsZero(COMPLEX_0));
    EXPECT_FALSE(CpxIsZero(Cpx(1e-300L, 0)));
    CpxNearZero = 1e-3L;
    EXPECT_TRUE(CpxIsNearEqual(Cpx(1, 1), Cpx(1.0005L, 0.9995L)));
}

TEST(Complex, PolarForm) {
    TComplexPolar p = ConvertRectToPolar(Cpx(-1, 0));
    EXPECT_EQ(p.r, 1);
    EXPECT_EQ(p.phi, kPi);
    EXPECT_EQ(ConvertRectToPolar(Cpx(-1, -0.0L)).phi, kPi);  // the range is (-pi, pi]
    EXPECT_EQ(ConvertRectToPolar(Cpx(0, -1)).phi, -kPi / 2);
    for (const TComplex& z : RandomValues(200)) {
        p = ConvertRectToPolar(z);
        ASSERT_GT(p.phi, -kPi);
        ASSERT_LE(p.phi, kPi);
        EXPECT_TRUE(Near(ConvertPolarToRect(p), z, 16 * kEps * CpxAbs(z)));
    }
}

TEST(Complex, AlgebraicIdentities) {
    const std::vector<TComplex> values = RandomValues(200);
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        const TComplex& a = values[i];
        const TComplex& b = values[i + 1];
        const long double scale = CpxAbs(a) + CpxAbs(b) + 1;
        // (a / b) * b = a and a * conj(a) = |a|^2.
        EXPECT_TRUE(Near(CpxMult(CpxDiv(a, b), b), a, 64 * kEps * scale));
        EXPECT_TRUE(Near(CpxMult(a, CpxConj(a)), Cpx(CpxAbsSqr(a), 0), 64 * kEps * scale * scale));
        // |a b| = |a| |b|; a - b + b = a; -(-a) = a.
        EXPECT_NEAR(static_cast<double>(CpxAbs(CpxMult(a, b))),
                    static_cast<double>(CpxAbs(a) * CpxAbs(b)), 1e-15 * scale * scale);
        EXPECT_TRUE(Near(CpxAdd(CpxSub(a, b), b), a, 8 * kEps * scale));
        EXPECT_TRUE(CpxIsEqual(CpxNeg(CpxNeg(a)), a));
    }
}

TEST(Complex, ElementaryFunctions) {
    for (const TComplex& z : RandomValues(200)) {
        const long double scale = CpxAbs(z) + 1;
        EXPECT_TRUE(Near(CpxExp(CpxLn(z)), z, 64 * kEps * scale));
        const TComplex root = CpxSqrt(z);
        EXPECT_GE(root.re, 0);
        EXPECT_TRUE(Near(CpxMult(root, root), z, 64 * kEps * scale));
        // exp(a + b) = exp(a) exp(b) for moderate arguments.
        const TComplex w = Cpx(z.im / 10, z.re / 10);
        EXPECT_TRUE(Near(CpxExp(CpxAdd(w, z)), CpxMult(CpxExp(w), CpxExp(z)),
                         1e-15L * CpxAbs(CpxExp(CpxAdd(w, z)))));
    }
    // Euler: exp(i pi) = -1, and ln(-1) = i pi (also from below the cut).
    EXPECT_TRUE(Near(CpxExp(Cpx(0, kPi)), Cpx(-1, 0), 4 * kEps));
    EXPECT_EQ(CpxLn(Cpx(-1, 0)).im, kPi);
    EXPECT_EQ(CpxLn(Cpx(-1, -0.0L)).im, kPi);
    EXPECT_EQ(CpxLn(COMPLEX_0).re, -std::numeric_limits<long double>::infinity());
}

}  // namespace
