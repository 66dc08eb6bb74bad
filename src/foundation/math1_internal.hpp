// Shared pieces of the math1 sources: the unit's error helper, the read-only tables and the polar
// method behind GRandom (a template, so that the tests can drive it with chosen uniform values).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>

#include "ozm/math1/scalar.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm::math1::detail {

// The one path by which math1 routines report errors: EOZMMath1Error with the exact message.
[[noreturn]] inline void RaiseMath1Error(std::string_view Message) {
    throw EOZMMath1Error(std::string(Message));
}

// The first kPrimeCount primes, ascending (2 .. 46337), and the bit-reversed value of every byte.
const std::array<int32_t, kPrimeCount>& PrimeTable() noexcept;
const std::array<uint8_t, 256>& BitReversalTable() noexcept;

// One pair of independent standard normal deviates by the polar method: u and v uniform on
// (-1, 1), drawn u first, until 0 < s = u^2 + v^2 < 1; the pair is (u*f, v*f) with
// f = sqrt(-2 ln s / s). s = 0 is rejected as well: it would give 0 * inf = NaN.
template <typename Uniform>
std::pair<double, double> PolarNormalPair(Uniform&& NextUniform) {
    for (;;) {
        const double u = 2.0 * NextUniform() - 1.0;
        const double v = 2.0 * NextUniform() - 1.0;
        const double s = u * u + v * v;
        if (s < 1.0 && s > 0.0) {
            const double f = std::sqrt(-2.0 * std::log(s) / s);
            return {u * f, v * f};
        }
    }
}

}  // namespace ozm::math1::detail
