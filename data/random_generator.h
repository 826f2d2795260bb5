#pragma once

#include <cstdint>
#include <functional>
#include <utility>

// Where a reseed takes its new state from. Empty reads the high-resolution monotonic clock.
using SeedClock = std::function<std::uint32_t()>;

// The program's one uniform generator: a 32-bit linear congruential generator,
// seed <- seed * 134775813 + 1 (mod 2^32), value = seed / 2^32. The clock travels with the
// seed, so a test or a scripted fit fixes the seeds of its own generator and of no other.
struct RandomGenerator {
  RandomGenerator() = default;
  explicit RandomGenerator(std::uint32_t seed, SeedClock clock = {})
      : Seed(seed), Clock(std::move(clock)) {}

  std::uint32_t Seed = 0;
  SeedClock Clock;  // read by Reseed; empty for the real clock
};

// Sets the seed to the low 32 bits of the generator's clock (the monotonic clock when empty).
void Reseed(RandomGenerator& random);

// A clock that gives first at its first reading and second at every later one: installed in a
// generator, it fixes the seeds of the two stages of the next fit.
SeedClock SeedSequence(std::uint32_t first, std::uint32_t second);

// Advances the generator and returns its new value in [0, 1). Inline: the search draws two
// values per trial, millions of times.
inline double NextRandom(RandomGenerator& random) {
  constexpr std::uint32_t kMultiplier = 134775813u;  // arithmetic wraps modulo 2^32
  random.Seed = random.Seed * kMultiplier + 1u;
  constexpr double kTwoTo32 = 4294967296.0;
  return static_cast<double>(random.Seed) / kTwoTo32;
}
