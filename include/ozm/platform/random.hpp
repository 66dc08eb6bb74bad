/// @file
/// The process-wide uniform generator (xoshiro256**, seeded through splitmix64). Routines that draw
/// "from the platform's generator" use it, so a caller who sets the seed gets reproducible results.
/// It is guarded by a mutex: calls from several threads are safe, their order decides the values.
#pragma once

#include <cstdint>

namespace ozm {

/// Uniform double in [0, 1), 53 random bits.
double Random() noexcept;
/// Uniform integer in [0, Range), every value exactly equally likely; 0 when Range <= 0.
int32_t Random(int32_t Range) noexcept;
/// Reseeds from the clock and the address space, so that runs differ.
void Randomize() noexcept;
/// The seed last set (by SetRandSeed or Randomize; 0 before either); setting it restarts the
/// sequence, so equal seeds give equal sequences in every run and on every host.
///@{
uint64_t RandSeed() noexcept;
void SetRandSeed(uint64_t Seed) noexcept;
///@}

}  // namespace ozm
