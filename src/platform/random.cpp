#include "ozm/platform/random.hpp"

#include <chrono>
#include <mutex>

namespace ozm {

namespace {

uint64_t SplitMix64(uint64_t& state) noexcept {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

inline uint64_t Rotl(uint64_t x, int k) noexcept { return (x << k) | (x >> (64 - k)); }

class SharedGenerator {
public:
    SharedGenerator() noexcept { Seed(0); }

    void Seed(uint64_t seed) noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        seed_ = seed;
        uint64_t sm = seed;
        for (auto& word : s_) word = SplitMix64(sm);
    }
    uint64_t SeedValue() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        return seed_;
    }
    uint64_t Next() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }

private:
    std::mutex mutex_;
    uint64_t seed_ = 0;
    uint64_t s_[4] = {};
};

SharedGenerator& Generator() noexcept {
    static SharedGenerator generator;
    return generator;
}

}  // namespace

double Random() noexcept { return static_cast<double>(Generator().Next() >> 11) * 0x1.0p-53; }

int32_t Random(int32_t Range) noexcept {
    if (Range <= 0) return 0;
    // Multiply-shift maps 32 random bits onto [0, Range); rejecting the few products whose low
    // half falls below 2^32 mod Range removes the bias, so every value is exactly equally likely.
    const auto range = static_cast<uint32_t>(Range);
    uint64_t product = (Generator().Next() >> 32) * range;
    if (static_cast<uint32_t>(product) < range) {
        const uint32_t threshold = (0u - range) % range;
        while (static_cast<uint32_t>(product) < threshold) product = (Generator().Next() >> 32) * range;
    }
    return static_cast<int32_t>(product >> 32);
}

void Randomize() noexcept {
    const auto ticks = static_cast<uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    static int anchor;
    SetRandSeed(ticks ^ (reinterpret_cast<uintptr_t>(&anchor) << 16));
}

uint64_t RandSeed() noexcept { return Generator().SeedValue(); }
void SetRandSeed(uint64_t Seed) noexcept { Generator().Seed(Seed); }

}  // namespace ozm
