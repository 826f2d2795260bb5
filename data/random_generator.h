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

// Advances the generator and returns its new value in [0, 1).
double NextRandom(RandomGenerator& random);
