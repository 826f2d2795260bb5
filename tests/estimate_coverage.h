#pragma once

#include <cmath>
#include <numbers>

#include "analysis/least_squares.h"

// Whether a refined estimate's 95 % interval holds the truth, for coverage counts over noise
// draws.

inline bool Covers(const Estimate& e, double truth) {
  return e.Determined && e.Lower <= truth && truth <= e.Upper;
}

// A phase interval covers the truth modulo a turn.
inline bool CoversPhase(const Estimate& e, double truth) {
  const double off = std::remainder(e.Value - truth, 2 * std::numbers::pi);
  return e.Determined && std::fabs(off) <= (e.Upper - e.Lower) / 2;
}
