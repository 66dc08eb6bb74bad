// Integer, bit and byte utilities: signs and integer bounds, primes, fractions, factorials,
// bit codes, byte order and fixed-width decimal text.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>
#include <utility>

#include "foundation/math1_internal.hpp"
#include "ozm/math1/scalar.hpp"

namespace ozm::math1 {

namespace {

// An integral double converted to int32, saturating at the ends of the range; NaN gives 0.
int32_t SaturateToInt32(double integral) noexcept {
    if (std::isnan(integral)) return 0;
    if (integral >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (integral <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(integral);
}

template <typename T>
T ReverseBytes(T value) noexcept {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

}  // namespace

int Signum(double x) noexcept { return x >= 0 ? 1 : -1; }

// Rounding to nearest and stepping by one, as the classic definition reads, is ceil and floor.
int IntPos(double x) noexcept { return SaturateToInt32(std::ceil(x)); }
int IntNeg(double x) noexcept { return SaturateToInt32(std::floor(x)); }

bool IsPrime(int32_t n) noexcept {
    // Trial division by primes suffices: a composite divisor up to the root implies a prime one.
    // The table reaches the root of every 32-bit magnitude; the magnitude is taken in 64 bits so
    // that INT_MIN is no overflow.
    const int64_t magnitude = std::abs(static_cast<int64_t>(n));
    for (const int32_t p : detail::PrimeTable()) {
        if (static_cast<int64_t>(p) * p > magnitude) break;
        if (magnitude % p == 0) return false;
    }
    return true;
}

int32_t ListOfPrimes(int32_t i) noexcept {
    if (i < 1 || i > kPrimeCount) return 0;
    return detail::PrimeTable()[static_cast<size_t>(i - 1)];
}

void FindPrimeFactors(int32_t n, TIntArray& factors) {
    factors.clear();
    if (n < 2) return;
    const auto bound = static_cast<int32_t>(std::sqrt(static_cast<double>(n)));
    int32_t rest = n;
    for (const int32_t p : detail::PrimeTable()) {
        // Once p^2 exceeds the rest, the rest is 1 or a prime: the classic loop up to the bound
        // of the original n would only find that prime again.
        if (p > bound || static_cast<int64_t>(p) * p > rest) break;
        while (rest % p == 0) {
            factors.push_back(p);
            rest /= p;
        }
    }
    if (rest > 1) factors.push_back(rest);
}

void CancelFraction(int32_t& numerator, int32_t& denominator) noexcept {
    // Dividing repeatedly by common factors 2, 3, ... ends at the same lowest terms as one
    // division by the greatest common divisor, which takes logarithmic instead of linear time.
    // Magnitudes are taken in 64 bits so that INT_MIN is no overflow.
    const int64_t num = numerator;
    const int64_t den = denominator;
    const int64_t smaller = std::min(std::abs(num), std::abs(den));
    if (smaller < 2) return;  // 0 or 1 on either side: nothing to cancel, 0/n stays as it is
    const int64_t g = std::gcd(num, den);
    numerator = static_cast<int32_t>(num / g);
    denominator = static_cast<int32_t>(den / g);
}

long double Factorial(int32_t n) {
    if (n < 0) detail::RaiseMath1Error("Factorial: negative argument");
    if (n > 1000) detail::RaiseMath1Error("Factorial: argument too big");
    long double product = 1;
    for (int32_t i = 2; i <= n; ++i) product *= i;
    return product;
}

int64_t ProductConsecInts(int32_t a, int32_t b) noexcept {
    if (a > b) std::swap(a, b);
    if (a == 0) return 0;
    if (a < 0) return -2;
    const int64_t limit = std::numeric_limits<int64_t>::max() / b;
    int64_t product = a;
    int32_t factor = a;
    // product < max div b guarantees that the next factor (at most b) cannot overflow.
    while (product < limit && factor < b) {
        ++factor;
        product *= factor;
    }
    return factor == b ? product : -1;
}

bool CheckPowerOfTwo(uint32_t n) noexcept { return (n & (n - 1)) == 0; }

uint8_t BitReversal(uint8_t b) noexcept { return detail::BitReversalTable()[b]; }

uint16_t GrayCode(uint16_t w) noexcept { return static_cast<uint16_t>(w ^ (w >> 1)); }

int32_t DecodeBit(int32_t i) noexcept { return (i >= 0 && i <= 7) ? (1 << i) : 0; }

int32_t DecodeLong(int32_t i) noexcept {
    // 2^31 does not fit a 32-bit signed integer; its bit pattern reads as INT_MIN.
    return (i >= 0 && i <= 31) ? static_cast<int32_t>(uint32_t{1} << i) : 0;
}

int32_t EncodeLong(uint32_t v) noexcept { return std::min(std::countr_zero(v), 31); }

int32_t CountBits(uint8_t b) noexcept { return std::popcount(b); }

double ConvertEndian(double value) noexcept { return ReverseBytes(value); }
float ConvertEndian(float value) noexcept { return ReverseBytes(value); }
uint16_t ConvertEndian(uint16_t value) noexcept { return ReverseBytes(value); }
int32_t ConvertEndian(int32_t value) noexcept { return ReverseBytes(value); }

std::string Decimal(int32_t value, uint8_t digits) {
    const int width = digits == 0 ? 1 : digits;
    auto magnitude = static_cast<uint32_t>(std::abs(static_cast<int64_t>(value)));
    std::string text(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0 && magnitude != 0; --i) {
        text[static_cast<size_t>(i)] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    return value < 0 ? "-" + text : text;
}

}  // namespace ozm::math1
