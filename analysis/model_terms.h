#pragma once

#include <vector>

#include "model/harmonic_model.h"

// Terms fitted beside the searched harmonics, for data with a level, a drift or cycles whose
// periods are known. A fit with terms holds its FixedCount harmonics at known frequencies first
// (B = FixedB[k]; only their amplitudes and phases are fitted), then the searched ones, and its
// S(x) gains Constant + Trend * x.
struct ModelTerms {
  bool Constant = false;
  bool Trend = false;
  int FixedCount = 0;  // 0..kMaxHarmonics
  double FixedB[kMaxHarmonics] = {};
  bool Any() const { return Constant || Trend || FixedCount > 0; }
};

// The weights of a fit: the standard deviation of each y (in the order of the observations), or
// none for an unweighted fit. As scipy's curve_fit does by default, sigma gives relative weights
// and the covariance is scaled by the reduced chi^2; with Absolute the sigma are taken as the
// errors in y's units and the covariance is (J^T W J)^-1 as it is.
struct FitWeights {
  std::vector<double> Sigma;
  bool Absolute = false;
  bool Any() const { return !Sigma.empty(); }
};

// The weight (1 / sigma) of one observation in a stage's own space: 1/sigma for model 1; for
// model 2, fitted as S to sqrt(y), the delta method's 2 sqrt(y) / sigma, with y taken as at least
// sigma: the root of a y near zero is known to about sqrt(sigma), not infinitely well.
double StageWeight(ModelKind kind, double y, double sigma);
