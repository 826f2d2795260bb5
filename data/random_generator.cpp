#include "data/random_generator.h"

#include <chrono>

namespace {

ClockHook gClockHook = nullptr;

std::uint32_t ReadClock() {
  if (gClockHook != nullptr) return gClockHook();
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<std::uint32_t>(ticks);
}

}  // namespace

void SetClockHook(ClockHook hook) { gClockHook = hook; }

void Reseed(RandomGenerator& random) { random.Seed = ReadClock(); }

double NextRandom(RandomGenerator& random) {
  constexpr std::uint32_t kMultiplier = 134775813u;  // arithmetic wraps modulo 2^32
  random.Seed = random.Seed * kMultiplier + 1u;
  constexpr double kTwoTo32 = 4294967296.0;
  return static_cast<double>(random.Seed) / kTwoTo32;
}
