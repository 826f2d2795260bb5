#include "data/random_generator.h"

#include <chrono>

void Reseed(RandomGenerator& random) {
  if (random.Clock) {
    random.Seed = random.Clock();
    return;
  }
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  random.Seed = static_cast<std::uint32_t>(ticks);
}

SeedClock SeedSequence(std::uint32_t first, std::uint32_t second) {
  return [first, second, read = false]() mutable -> std::uint32_t {
    const bool again = read;
    read = true;
    return again ? second : first;
  };
}
