#pragma once

#include <cstdint>
#include <numbers>

#include "data/random_generator.h"

// How the search turns the generator's values into trials, written once for the plain search,
// the tiles that draw their own trials and the scan that redraws the few it keeps.

// The generator's multiplier, as NextRandom applies it; tests pin the two together.
inline constexpr std::uint32_t kLcgMultiplier = 134775813u;

// Draws one trial: B = r * freqScale, then C = r' * 2pi, r and r' the generator's next two
// values. Trial j of a search (from 0) takes freqScale = FreqScale[j % 2].
inline void DrawTrial(RandomGenerator& random, double freqScale, double& b, double& c) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  b = NextRandom(random) * freqScale;
  c = NextRandom(random) * kTwoPi;
}

// The seed NextRandom leaves after `steps` draws from `seed`, in O(log steps) multiplies: the
// k-step map of seed -> a*seed + 1 (mod 2^32) is again x -> A*x + C, and two such maps compose
// into a third, so the powers of two of the one-step map are squared up and combined.
constexpr std::uint32_t JumpSeed(std::uint32_t seed, std::uint64_t steps) {
  std::uint32_t mul = kLcgMultiplier, add = 1u;  // the map of 2^i steps
  std::uint32_t accMul = 1u, accAdd = 0u;        // the map of the steps taken so far
  while (steps != 0) {
    if ((steps & 1u) != 0) {
      accMul = accMul * mul;
      accAdd = accAdd * mul + add;
    }
    add = add * (mul + 1u);
    mul = mul * mul;
    steps >>= 1;
  }
  return accMul * seed + accAdd;
}
