#pragma once

#include <string>
#include <vector>

#include "analysis/least_squares.h"

// What a fitted model says at new x: its value, the confidence band of the mean curve (the delta
// method over the refinement's covariance) and the prediction band of one new observation.

// One model as the bands need it, from a ModelFit or from the arrays a front end holds.
struct CurveModel {
  HarmonicModel Coefficients;  // with Constant and Trend, Kind saying S or S^2
  int FixedCount = 0;          // the first harmonics at known frequencies
  bool HasConstant = false, HasTrend = false;
  std::vector<double> Covariance;  // as ModelFit::Covariance; empty: no band
  double Centre = 0, Scale = 1;
  double NoiseVariance = kNotDetermined;
  int DegreesOfFreedom = 0;
  bool Weighted = false;
  bool Determined = false;                // every parameter's estimate determined
  std::vector<bool> ParameterDetermined;  // per parameter, in the covariance's order, or empty
};

CurveModel CurveModelOf(const ModelFit& fit, ModelKind kind);

// The parameters' names in the covariance's order: A1, B1, C1, A2, ... (no B for a known
// frequency), constant, trend.
std::vector<std::string> ParameterNames(const CurveModel& model);

// The covariance of those parameters in x (B, C, c0 and c1 of x, not of the scaled abscissa),
// row-major, NaN in the rows and columns of undetermined parameters; empty where the model has
// none.
std::vector<double> ParameterCovariance(const CurveModel& model);

// Per x: F(x), and at `level` (0 < level < 1, Student's t with the fit's degrees of freedom)
// the band of the mean curve and of a new observation. Model 2's bands are S's taken through
// the square. A new observation of a weighted fit needs its sigma (newSigma, one per x, in the
// fit's units of sigma); without it that band is NaN, as is every band of a model without a
// determined covariance.
struct CurveBands {
  std::vector<double> Value, MeanLower, MeanUpper, NewLower, NewUpper;
};
CurveBands EvaluateBands(const CurveModel& model,
                         const double* x,
                         int count,
                         double level,
                         const double* newSigma = nullptr);
