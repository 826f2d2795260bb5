#pragma once

#include <cstdint>

// The program's one uniform generator: a 32-bit linear congruential generator,
// seed <- seed * 134775813 + 1 (mod 2^32), value = seed / 2^32.
struct RandomGenerator {
  std::uint32_t Seed = 0;
};

// Where the reseed reads the clock. Tests install a fixed function; nullptr restores the
// high-resolution monotonic clock.
using ClockHook = std::uint32_t (*)();
void SetClockHook(ClockHook hook);

// Reseeds from the low 32 bits of the clock (or the installed hook).
void Reseed(RandomGenerator& random);

// Advances the generator and returns its new value in [0, 1). Inline: the search draws two
// values per trial, millions of times.
inline double NextRandom(RandomGenerator& random) {
  constexpr std::uint32_t kMultiplier = 134775813u;  // arithmetic wraps modulo 2^32
  random.Seed = random.Seed * kMultiplier + 1u;
  constexpr double kTwoTo32 = 4294967296.0;
  return static_cast<double>(random.Seed) / kTwoTo32;
}
