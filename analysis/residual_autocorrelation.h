#pragma once

#include <vector>

#include "analysis/least_squares.h"

// Whether a refined model's residuals follow one another (a slow wander the harmonics leave
// behind, daily data with weather in it), and the parameters' covariance allowing for it. The
// ordinary standard errors assume independent residuals; with positively correlated ones they
// are too small (a 30-year daily series: a trend of 0.021 +- 0.003 against a true 0.03).
//
// The residuals are the stage's own, in x's order: y - F(x) for model 1, sqrt(max(y, 0)) - S(x)
// for model 2, each times its weight (StageWeight) where the fit is weighted.

struct ResidualCorrelation {
  double Lag1 = kNotDetermined;          // sum e_t e_(t-1) / sum e_t^2
  double DurbinWatson = kNotDetermined;  // sum (e_t - e_(t-1))^2 / sum e_t^2, about 2 (1 - Lag1)
  bool Large = false;                    // LargeLag1(Lag1, count)
  int Lags = 0;                          // the Newey-West lags the covariance sums over
  // The Newey-West (HAC) covariance in the scaled parameters, laid out as ModelFit::Covariance;
  // empty where the fit has no covariance or it was not asked for.
  std::vector<double> HacCovariance;
};

// Above this |lag-1 autocorrelation| the ordinary intervals are noticeably off (a mean's
// variance by about (1 + r) / (1 - r): 1.5 at 0.2).
inline constexpr double kLargeLag1 = 0.2;

// Whether the result says the residuals are autocorrelated: |lag1| above kLargeLag1 and above
// three times white noise's standard error 1 / sqrt(n), which chance alone passes about 3 times
// in 1,000 (at n = 24 a lag1 of 0.2 is one standard error from 0).
bool LargeLag1(double lag1, int count);

// The Newey-West lags for `count` residuals of lag-1 autocorrelation `lag1`: Andrews' (1991)
// plug-in for Bartlett weights under an AR(1), 1.1447 (alpha n)^(1/3) with alpha = 4 r^2 /
// (1 - r^2)^2, r capped at 0.97 and the lags at n / 4. The fixed rule 4 (n / 100)^(2/9) takes 4
// lags at n = 100 whatever r is; the plug-in grows with r, as the correlated noise's reach does.
int NeweyWestLags(int count, double lag1);

// The residuals' correlation of `fit` (kind's stage) over x ascending, y and sigma (null: not
// weighted), `count` observations; with `hac` also the HAC covariance: (n / (n - p)) B M B with
// B = Covariance / NoiseVariance (the inverse of J^T W J) and M the Bartlett-weighted sum of the
// score's autocovariances up to NeweyWestLags.
ResidualCorrelation ResidualCorrelationOf(const ModelFit& fit,
                                          ModelKind kind,
                                          const double* x,
                                          const double* y,
                                          const double* sigma,
                                          int count,
                                          bool hac);

// Puts the HAC covariance of `r` in place of fit's and recomputes from it every determined
// estimate's standard error and 95 % interval (Student's t at the fit's degrees of freedom, the
// period's mapped from the frequency's), as the refinement computes the ordinary ones. Nothing
// changes where r has no HAC covariance.
void UseHacCovariance(ModelFit& fit, ModelKind kind, const ResidualCorrelation& r);
