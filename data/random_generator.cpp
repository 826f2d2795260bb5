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
