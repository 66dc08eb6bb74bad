// Random numbers: Bernoulli, Cauchy and normal deviates drawn from the shared uniform generator,
// and the combined congruential generator LongRand with its own three state words.
//
// The normal-deviate cache and the LongRand state are unit-wide. They sit behind one mutex: the
// library promises one computation at a time, but an unsynchronised word shared by two threads
// would be undefined behaviour, not merely an interleaved sequence.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <numbers>

#include "foundation/math1_internal.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math1 {

namespace {

// Moduli and multipliers of the three congruential components (all moduli are prime).
constexpr int64_t kMod1 = 1001003, kMul1 = 1187;
constexpr int64_t kMod2 = 990923, kMul2 = 983;
constexpr int64_t kMod3 = 1400423, kMul3 = 1283;
// Range of the start-up seeds.
constexpr double kStartSeedRange = 990000.0;

// A word of a multiplicative congruential generator that is 0 stays 0 for ever, and with all
// three words at 0 LongRand would return 0 on every call. Such a word starts at 1 instead.
int64_t LiveWord(int64_t z) noexcept { return z == 0 ? 1 : z; }

// The 32-bit shift left of the generator's reseeding, with the bits shifted out lost (two's
// complement wrap-around, as on 32-bit integers).
int32_t ShiftLeft32(int32_t v, int n) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(v) << n);
}

struct RandomState {
    // Unit start-up: the cache is empty and the LongRand words are drawn from the shared
    // generator when the library is loaded. That generator starts from a fixed seed, so every
    // process starts the same LongRand sequence; LongRand with a seed other than 0 restarts it.
    RandomState() noexcept
        : z1(LiveWord(Round(Random() * kStartSeedRange))),
          z2(LiveWord(Round(Random() * kStartSeedRange))),
          z3(LiveWord(Round(Random() * kStartSeedRange))) {}

    std::mutex mutex;
    bool normalCached = false;
    double normalCache = 0;
    int64_t z1, z2, z3;
};

RandomState& State() noexcept {
    static RandomState state;
    return state;
}

// Forces the start-up when the library is loaded rather than at the first call, so that the
// three draws come before any draws of the caller's own.
[[maybe_unused]] const RandomState& startUp = State();

}  // namespace

bool BRandom(double p) {
    if (p >= 1) return true;
    return Random() < p;
}

double CRandom(double location, double scale) {
    return location + scale * std::tan(std::numbers::pi * (Random() - 0.5));
}

double GRandom() {
    RandomState& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    if (st.normalCached) {
        st.normalCached = false;
        return st.normalCache;
    }
    const auto [first, second] = detail::PolarNormalPair([] { return Random(); });
    st.normalCache = first;
    st.normalCached = true;
    return second;
}

double LongRand(int32_t seed) {
    RandomState& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    if (seed != 0) {
        const int32_t s = seed % static_cast<int32_t>(kMod2);  // keeps the sign of seed
        st.z1 = LiveWord(std::abs(static_cast<int64_t>(s)));
        st.z2 = LiveWord(std::abs(static_cast<int64_t>(s ^ ShiftLeft32(s, 8))) % kMod2);
        st.z3 = LiveWord(std::abs(static_cast<int64_t>(s ^ ShiftLeft32(s, 16))) % kMod2);
    }
    st.z1 = (st.z1 * kMul1) % kMod1;
    st.z2 = (st.z2 * kMul2) % kMod2;
    st.z3 = (st.z3 * kMul3) % kMod3;
    const double r = static_cast<double>(st.z1) / kMod1 + static_cast<double>(st.z2) / kMod2 +
                     static_cast<double>(st.z3) / kMod3;
    return r - std::trunc(r);
}

}  // namespace ozm::math1
