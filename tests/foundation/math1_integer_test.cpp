// Signs, integer bounds, primes, fractions, factorials and the bit and byte utilities.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "ozm/base/constants.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/platform/exceptions.hpp"

namespace {

using namespace ozm;
using namespace ozm::math1;

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

bool NaivelyPrime(int64_t n) {
    n = n < 0 ? -n : n;
    for (int64_t d = 2; d * d <= n; ++d)
        if (n % d == 0) return false;
    return true;
}

TEST(Math1Integer, SignumAndIntegerBounds) {
    EXPECT_EQ(Signum(0.0), 1);
    EXPECT_EQ(Signum(-0.0), 1);
    EXPECT_EQ(Signum(-1e-300), -1);
    EXPECT_EQ(Signum(kNaN), -1);

    EXPECT_EQ(IntPos(2.5), 3);
    EXPECT_EQ(IntNeg(2.5), 2);
    EXPECT_EQ(IntPos(-2.5), -2);
    EXPECT_EQ(IntNeg(-2.5), -3);
    EXPECT_EQ(IntPos(3.0), 3);
    EXPECT_EQ(IntNeg(-3.0), -3);
    EXPECT_EQ(IntPos(1e300), kIntMax);
    EXPECT_EQ(IntNeg(-kInf), kIntMin);
    EXPECT_EQ(IntPos(kNaN), 0);
    EXPECT_EQ(IntNeg(kNaN), 0);
}

TEST(Math1Integer, IsPrimeAgreesWithTrialDivision) {
    EXPECT_TRUE(IsPrime(-1));
    EXPECT_TRUE(IsPrime(0));
    EXPECT_TRUE(IsPrime(1));
    for (int32_t n = -2000; n <= 60000; ++n) ASSERT_EQ(IsPrime(n), NaivelyPrime(n)) << n;
    EXPECT_TRUE(IsPrime(kIntMax));           // 2^31 - 1 is a Mersenne prime
    EXPECT_TRUE(IsPrime(-kIntMax));
    EXPECT_FALSE(IsPrime(kIntMin));
    EXPECT_FALSE(IsPrime(46327 * 46337));    // both factors near the root: the table must reach it
    EXPECT_FALSE(IsPrime(46337 * 46337));
}

TEST(Math1Integer, PrimeTableHoldsExactlyThePrimesBelowTheRootOfTheIntegerRange) {
    // Independent sieve up to floor(sqrt(2^31 - 1)) = 46340.
    std::vector<bool> composite(46341, false);
    std::vector<int32_t> primes;
    for (int32_t i = 2; i <= 46340; ++i) {
        if (composite[static_cast<size_t>(i)]) continue;
        primes.push_back(i);
        for (int32_t m = 2 * i; m <= 46340; m += i) composite[static_cast<size_t>(m)] = true;
    }
    ASSERT_EQ(primes.size(), static_cast<size_t>(kPrimeCount));
    for (int32_t i = 1; i <= kPrimeCount; ++i)
        ASSERT_EQ(ListOfPrimes(i), primes[static_cast<size_t>(i - 1)]) << i;
    EXPECT_EQ(ListOfPrimes(1), 2);
    EXPECT_EQ(ListOfPrimes(4792), 46337);
    EXPECT_EQ(ListOfPrimes(4793), 0);
    EXPECT_EQ(ListOfPrimes(0), 0);
    EXPECT_EQ(ListOfPrimes(kIntMin), 0);
}

TEST(Math1Integer, FindPrimeFactors) {
    TIntArray f{99, 98};
    FindPrimeFactors(360, f);
    EXPECT_EQ(f, (TIntArray{2, 2, 2, 3, 3, 5}));
    for (const int32_t small : {1, 0, -12, kIntMin}) {
        FindPrimeFactors(small, f);
        EXPECT_TRUE(f.empty()) << small;
    }
    FindPrimeFactors(kIntMax, f);
    EXPECT_EQ(f, (TIntArray{kIntMax}));
    FindPrimeFactors(1 << 30, f);
    EXPECT_EQ(f, TIntArray(30, 2));
    FindPrimeFactors(46327 * 46337, f);
    EXPECT_EQ(f, (TIntArray{46327, 46337}));

    // Random numbers: the factors are prime, ascending and multiply back to n.
    std::mt19937 gen(5);
    for (int trial = 0; trial < 500; ++trial) {
        const auto n = static_cast<int32_t>(2 + gen() % static_cast<uint32_t>(kIntMax - 2));
        FindPrimeFactors(n, f);
        int64_t product = 1;
        for (size_t i = 0; i < f.size(); ++i) {
            ASSERT_TRUE(NaivelyPrime(f[i]) && f[i] >= 2) << n;
            if (i > 0) {
                ASSERT_LE(f[i - 1], f[i]);
            }
            product *= f[i];
        }
        ASSERT_EQ(product, n);
    }
}

TEST(Math1Integer, CancelFractionKeepsTheSigns) {
    struct Case {
        int32_t num, den, expectNum, expectDen;
    };
    const Case cases[] = {
        {12, -18, 2, -3},  {-12, 18, -2, 3},   {0, 18, 0, 18},        {1, 5, 1, 5},
        {7, 7, 1, 1},      {-6, -4, -3, -2},   {18, 0, 18, 0},         {35, 64, 35, 64},
        {kIntMin, -2, -(1 << 30), -1},         {kIntMin, kIntMin, -1, -1},
        {kIntMin, 6, -(1 << 30), 3},           {kIntMax, kIntMax, 1, 1},
    };
    for (const Case& c : cases) {
        int32_t num = c.num, den = c.den;
        CancelFraction(num, den);
        EXPECT_EQ(num, c.expectNum) << c.num << "/" << c.den;
        EXPECT_EQ(den, c.expectDen) << c.num << "/" << c.den;
    }
}

TEST(Math1Integer, FactorialMatchesTheLogFactorialTable) {
    EXPECT_EQ(Factorial(0), 1.0L);
    EXPECT_EQ(Factorial(1), 1.0L);
    EXPECT_EQ(Factorial(20), 2432902008176640000.0L);
    for (int n = 2; n <= 1000; ++n) {
        const long double f = Factorial(n);
        ASSERT_TRUE(std::isfinite(f)) << n;
        ASSERT_NEAR(static_cast<double>(std::log(f)), uc_LnFactorial[n], 1e-14 * uc_LnFactorial[n]) << n;
    }
    EXPECT_NEAR(static_cast<double>(Factorial(170) / std::tgamma(171.0L)), 1.0, 1e-15);

    const auto message = [](int32_t n) {
        try {
            Factorial(n);
        } catch (const EOZMMath1Error& e) {
            return e.message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(-1), "Factorial: negative argument");
    EXPECT_EQ(message(kIntMin), "Factorial: negative argument");
    EXPECT_EQ(message(1001), "Factorial: argument too big");
    EXPECT_EQ(message(kIntMax), "Factorial: argument too big");
}

TEST(Math1Integer, ProductConsecInts) {
    EXPECT_EQ(ProductConsecInts(5, 3), 60);
    EXPECT_EQ(ProductConsecInts(3, 5), 60);
    EXPECT_EQ(ProductConsecInts(0, 7), 0);
    EXPECT_EQ(ProductConsecInts(7, 0), 0);
    EXPECT_EQ(ProductConsecInts(-1, 3), -2);
    EXPECT_EQ(ProductConsecInts(kIntMin, kIntMin), -2);
    EXPECT_EQ(ProductConsecInts(3, 3), 3);
    EXPECT_EQ(ProductConsecInts(1, 20), 2432902008176640000);
    EXPECT_EQ(ProductConsecInts(1, 21), -1);  // 21! > 2^63 - 1
    EXPECT_EQ(ProductConsecInts(kIntMax, kIntMax), kIntMax);
    EXPECT_EQ(ProductConsecInts(kIntMax - 1, kIntMax), 4611686011984936962);
    EXPECT_EQ(ProductConsecInts(1, kIntMax), -1);
    EXPECT_EQ(ProductConsecInts(kIntMax - 2, kIntMax), -1);
}

TEST(Math1Bits, PowersCodesAndCounts) {
    EXPECT_TRUE(CheckPowerOfTwo(0));
    EXPECT_TRUE(CheckPowerOfTwo(1));
    EXPECT_TRUE(CheckPowerOfTwo(0x80000000u));
    EXPECT_FALSE(CheckPowerOfTwo(3));
    EXPECT_FALSE(CheckPowerOfTwo(0xFFFFFFFFu));

    EXPECT_EQ(BitReversal(1), 128);
    EXPECT_EQ(BitReversal(0x06), 0x60);
    EXPECT_EQ(BitReversal(0xF1), 0x8F);
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<uint8_t>(b);
        ASSERT_EQ(BitReversal(BitReversal(byte)), byte);
        ASSERT_EQ(CountBits(BitReversal(byte)), CountBits(byte));
        // Bit k of b lands on bit 7 - k.
        for (int k = 0; k < 8; ++k) ASSERT_EQ((BitReversal(byte) >> (7 - k)) & 1, (b >> k) & 1);
    }
    EXPECT_EQ(CountBits(0), 0);
    EXPECT_EQ(CountBits(255), 8);
    EXPECT_EQ(CountBits(0xA5), 4);

    EXPECT_EQ(GrayCode(3), 2);
    for (uint32_t w = 0; w < 0xFFFF; ++w) {
        const auto diff = static_cast<uint16_t>(GrayCode(static_cast<uint16_t>(w)) ^
                                                GrayCode(static_cast<uint16_t>(w + 1)));
        ASSERT_EQ(std::popcount(diff), 1) << w;
    }

    EXPECT_EQ(DecodeBit(0), 1);
    EXPECT_EQ(DecodeBit(7), 128);
    EXPECT_EQ(DecodeBit(8), 0);
    EXPECT_EQ(DecodeBit(-1), 0);
    EXPECT_EQ(DecodeLong(30), 1 << 30);
    EXPECT_EQ(DecodeLong(31), kIntMin);
    EXPECT_EQ(DecodeLong(32), 0);
    EXPECT_EQ(DecodeLong(kIntMin), 0);
    EXPECT_EQ(EncodeLong(0), 31);
    EXPECT_EQ(EncodeLong(1), 0);
    EXPECT_EQ(EncodeLong(8), 3);
    EXPECT_EQ(EncodeLong(0x80000000u), 31);
    EXPECT_EQ(EncodeLong(0xFFF0u), 4);
}

TEST(Math1Bits, ConvertEndianReversesTheBytes) {
    EXPECT_EQ(ConvertEndian(int32_t{0x01020304}), 0x04030201);
    EXPECT_EQ(ConvertEndian(int32_t{-1}), -1);
    EXPECT_EQ(ConvertEndian(uint16_t{0x1234}), 0x3412);
    // 1.0 is 3FF0000000000000; reversed, the bytes F0 3F sit at the low end.
    uint64_t bits = 0;
    const double swapped = ConvertEndian(1.0);
    std::memcpy(&bits, &swapped, 8);
    EXPECT_EQ(bits, 0xF03Full);
    EXPECT_EQ(ConvertEndian(ConvertEndian(-123.456)), -123.456);
    uint32_t fbits = 0;
    const float fswapped = ConvertEndian(1.0f);  // 3F800000
    std::memcpy(&fbits, &fswapped, 4);
    EXPECT_EQ(fbits, 0x803Fu);
}

TEST(Math1Integer, DecimalWritesExactlyTheDigitsAsked) {
    EXPECT_EQ(Decimal(5, 3), "005");
    EXPECT_EQ(Decimal(-5, 3), "-005");
    EXPECT_EQ(Decimal(12345, 3), "345");
    EXPECT_EQ(Decimal(7, 0), "7");
    EXPECT_EQ(Decimal(0, 0), "0");
    EXPECT_EQ(Decimal(kIntMin, 10), "-2147483648");
    EXPECT_EQ(Decimal(kIntMax, 12), "002147483647");
    EXPECT_EQ(Decimal(1, 255).size(), 255u);
}

}  // namespace
