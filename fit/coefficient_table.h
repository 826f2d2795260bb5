#pragma once

#include <cstdint>

inline constexpr int kMaxHarmonics = 5;

// Two sets of up to five harmonics. Set 1 (A, B, C) holds the stage being fitted and, after a
// complete fit, model 1; set 2 (A2, B2, C2) holds model 2, the squared sum.
struct CoefficientTable {
  double A[kMaxHarmonics] = {}, B[kMaxHarmonics] = {}, C[kMaxHarmonics] = {};
  double A2[kMaxHarmonics] = {}, B2[kMaxHarmonics] = {}, C2[kMaxHarmonics] = {};
  std::uint8_t HarmonicCount = 0;  // N; every loop over harmonics runs over 0..N-1
};

// The single harmonic under test.
struct TrialHarmonic {
  double A = 0, B = 0, C = 0;
};
