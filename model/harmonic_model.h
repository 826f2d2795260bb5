#pragma once

#include <cstdint>

inline constexpr int kMaxHarmonics = 5;

// The two models: model 1 is S(x) fitted to y, model 2 is S(x)^2, fitted as S(x) to sqrt(max(y,
// 0)).
enum class ModelKind { Sum = 0, SquaredSum = 1 };

// One fitted model: S(x) = Constant + Trend*x + sum over k = 0..Count-1 of A[k]*sin(B[k]*x +
// C[k]), and F = S for Sum, S^2 for SquaredSum. Constant and Trend stay zero for the searched
// models; a zero term is not added at all, so such a model gives the bits of the bare sum.
struct HarmonicModel {
  int Count = 0;
  double A[kMaxHarmonics] = {}, B[kMaxHarmonics] = {}, C[kMaxHarmonics] = {};
  ModelKind Kind = ModelKind::Sum;
  double Constant = 0;
  double Trend = 0;
};

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

// Model 1 (set 1) or model 2 (set 2) of the table, over its first HarmonicCount harmonics (at
// most kMaxHarmonics).
HarmonicModel ModelOf(const CoefficientTable& table, ModelKind kind);
