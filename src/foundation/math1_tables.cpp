// The read-only tables of math1, built by the compiler: the primes by a sieve of Eratosthenes over
// the odd numbers, the bit-reversed bytes by mirroring each bit position.
#include <array>
#include <cstdint>

#include "foundation/math1_internal.hpp"

namespace ozm::math1::detail {

namespace {

// Largest tabulated prime: the largest prime below sqrt(2^31 - 1) = 46340.95, so that trial
// division by the table decides primality of every 32-bit integer.
constexpr int32_t kLargestPrime = 46337;

constexpr std::array<int32_t, kPrimeCount> MakePrimeTable() {
    // composite[i] stands for the odd number 2i + 1.
    constexpr int32_t oddCount = kLargestPrime / 2 + 1;
    std::array<bool, oddCount> composite{};
    for (int32_t i = 1; i < oddCount; ++i) {
        const int32_t p = 2 * i + 1;
        if (composite[i] || p * p > kLargestPrime) continue;
        for (int32_t m = p * p; m <= kLargestPrime; m += 2 * p) composite[m / 2] = true;
    }
    std::array<int32_t, kPrimeCount> primes{};
    int32_t count = 0;
    primes[count++] = 2;
    for (int32_t i = 1; i < oddCount && count < kPrimeCount; ++i)
        if (!composite[i]) primes[count++] = 2 * i + 1;
    return primes;
}

constexpr std::array<uint8_t, 256> MakeBitReversalTable() {
    std::array<uint8_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned r = 0;
        for (unsigned bit = 0; bit < 8; ++bit)
            if (b & (1u << bit)) r |= 0x80u >> bit;
        table[b] = static_cast<uint8_t>(r);
    }
    return table;
}

constexpr auto kPrimes = MakePrimeTable();
constexpr auto kBitReversal = MakeBitReversalTable();

static_assert(kPrimes[0] == 2 && kPrimes[1] == 3 && kPrimes[kPrimeCount - 1] == kLargestPrime,
              "the sieve must yield exactly the primes 2 .. 46337");
static_assert(kBitReversal[1] == 0x80 && kBitReversal[0x0F] == 0xF0 && kBitReversal[0xA5] == 0xA5);

}  // namespace

const std::array<int32_t, kPrimeCount>& PrimeTable() noexcept { return kPrimes; }
const std::array<uint8_t, 256>& BitReversalTable() noexcept { return kBitReversal; }

}  // namespace ozm::math1::detail
