#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "analysis/model_terms.h"
#include "data/observation_set.h"
#include "model/harmonic_model.h"

// The least-squares optimum of both models, started from the search's result, with the
// statistics and uncertainties a user needs to trust it. Qt-free; the window and harmora-fit
// only show what this returns.

// A fitted value with its standard error and 95 % confidence interval (Student t). Determined is
// false where no uncertainty can be given (no degrees of freedom left, a singular Jacobian: B = 0,
// two equal frequencies, A = 0); the window then shows "—". Value, StdError, Lower and Upper are
// always finite.
struct Estimate {
  double Value = 0;
  double StdError = 0;
  double Lower = 0, Upper = 0;
  bool Determined = false;
};

// A figure that cannot be computed from the data: a sum that overflows, R^2 of constant data,
// the adjusted R^2, AIC and BIC without degrees of freedom. Shown as "not determined" (JSON null,
// "—" in the window), never as a number.
inline constexpr double kNotDetermined = std::numeric_limits<double>::quiet_NaN();
inline bool IsDetermined(double figure) { return std::isfinite(figure); }

// How well a model as shown (S for model 1, S^2 for model 2) follows the data y. Each figure is
// finite or kNotDetermined.
struct ModelStatistics {
  double Sse = kNotDetermined, Rmse = kNotDetermined, R2 = kNotDetermined;
  double AdjustedR2 = kNotDetermined, Aic = kNotDetermined, Bic = kNotDetermined;
  double RelDeviation = kNotDetermined;  // percent, by the report's formula
  int Parameters = 0;        // 3 per searched harmonic, 2 per known one, 1 per constant or trend
  int DegreesOfFreedom = 0;  // observations - parameters (may be <= 0)
  // A weighted fit's SSE, R^2, AIC and BIC are weighted (Sse is then chi^2, and R^2 is about
  // the weighted mean); RMSE and the relative deviation stay in y's plain units.
  bool Weighted = false;
  double Chi2 = kNotDetermined, ReducedChi2 = kNotDetermined;  // weighted fits only
};

// Why a model's refinement stopped.
enum class Termination {
  NotRun,      // nothing to refine (no harmonics, no usable data) or the search's own result
  Solved,      // nothing but linear terms to fit: solved directly
  EnoughHits,  // its best was reached by enough independent starts
  StartCap,    // the starts the budget allows were all used
  Cancelled,   // the progress callback asked it to stop
  Failed,      // an exception ended it; Failure says which
};

// The termination as the window and harmora-fit show it: "enough agreeing hits", "start cap
// reached", "linear least squares", "cancelled", "failed: " and the message, "not run".
std::string TerminationText(Termination termination, const std::string& failure);

// One model's fit: normalised coefficients (A, B >= 0, C in [0, 2pi)) with their estimates. The
// first FixedCount harmonics are at known frequencies: their B and Period are exact (standard
// error 0).
struct ModelFit {
  HarmonicModel Coefficients;
  Estimate A[kMaxHarmonics], B[kMaxHarmonics], C[kMaxHarmonics], Period[kMaxHarmonics];
  bool HasConstant = false;
  Estimate Constant;  // c0, when HasConstant
  bool HasTrend = false;
  Estimate Trend;  // c1 of c1 * x, when HasTrend
  int FixedCount = 0;
  // The stage's own objective: sum (S - y)^2, or sum (S - sqrt(y+))^2; infinity if it overflows.
  double Objective = 0;
  ModelStatistics Statistics;
  // The same statistics in the stage's own space (S against y, or sqrt(y+) for model 2), where
  // the objective is minimised: its SSE is Objective, so a refinement never makes it worse.
  ModelStatistics StageStatistics;
  int Starts = 0;  // starts tried by the refinement (0 for the search's own result)
  // Starts that reached the best objective within 1e-9 relative, or, where there are enough
  // observations per parameter, came down into its basin (near it, at the same frequencies).
  int Hits = 0;
  // Whether the intervals hold (analysis/fit_trust.h). Each searched harmonic's false-alarm
  // probability against the fit without it: above kTrustFalseAlarm the harmonic fits noise, or
  // repeats another (kNotDetermined for the known ones, and where it cannot be computed).
  double HarmonicFalseAlarm[kMaxHarmonics] = {
      kNotDetermined, kNotDetermined, kNotDetermined, kNotDetermined, kNotDetermined};
  // Another optimum found by the starts, its frequencies outside the intervals and its objective
  // low enough for their 95 % profile-likelihood intervals to hold them: RivalRatio is its
  // objective over the best's (infinity: none), RivalB its searched frequencies in x, lowest
  // first.
  double RivalRatio = std::numeric_limits<double>::infinity();
  // Harmonics whose amplitude grows without bound toward an infimum the fit never reaches
  // (analysis/unbounded_harmonics.h): their values and intervals are not determined.
  bool Unbounded[kMaxHarmonics] = {};
  double RivalB[kMaxHarmonics] = {};
  // The parameters' covariance as the estimates were computed from it, in the abscissa u =
  // (x - CovarianceCentre) / CovarianceScale, where it is well conditioned whatever x's origin:
  // per harmonic A, omega = B * Scale (searched harmonics only) and phi = C + B * Centre, then
  // c0 and the trend in u; row-major, empty where no estimate could be given. NoiseVariance is
  // the stage-space variance of one unit-weight residual it was scaled by.
  std::vector<double> Covariance;
  double CovarianceCentre = 0, CovarianceScale = 1;
  double NoiseVariance = kNotDetermined;
  // The strongest line left in the residuals above kResidualLineRows observations
  // (analysis/residual_lines.h): its period in x (0: none looked for) and its false-alarm
  // probability against this fit.
  double ResidualLinePeriod = 0;
  double ResidualLineFalseAlarm = kNotDetermined;
  Termination Ended = Termination::NotRun;  // how the refinement of this model stopped
  std::string Failure;                      // when Failed: the exception's message
};

struct RefineOptions {
  bool WithConstant = false;  // also fit c0 + S(x) and (c0 + S(x))^2
  // The terms of the refined fits beside the table's harmonics; the table's first
  // Terms.FixedCount harmonics are the known ones, at Terms.FixedB.
  ModelTerms Terms;
  // Weighted least squares when Weights.Sigma holds one positive sigma per observation.
  FitWeights Weights;
  // The cap on starts per model, in units of the starts that take about one second on the
  // development machine (both models on two cores). A fixed cost model turns it into a count of
  // starts; no clock is read, so the result cannot depend on the machine's speed or load. The
  // refinement usually ends well before the cap, once its best has been reached several times.
  double StartBudget = 1;
  // For fuzzing and quick checks: caps every Levenberg-Marquardt run at this many steps, which
  // gives up the optimum but none of the result's guarantees. 0: each runs to convergence.
  int IterationLimit = 0;
  // The models refined, [ModelKind]; one left out keeps the search's coefficients, unevaluated.
  bool Models[2] = {true, true};
  // Called from the refining thread now and then with the fraction done (0..1); returning false
  // cancels the refinement, which then returns with Cancelled set as soon as it can.
  std::function<bool(double fraction)> Progress;
};

// Above this false-alarm probability of the data's strongest periodogram peak, noise alone
// explains the data as well as a sinusoid does: the fit and its intervals are not to be trusted.
inline constexpr double kTrustFalseAlarm = 0.01;

struct RefinementResult {
  bool Cancelled = false;
  ModelFit Search[2];        // the search's result as given, with its statistics; [ModelKind]
  ModelFit Refined[2];       // the least-squares optimum found, with the terms; [ModelKind]
  ModelFit WithConstant[2];  // the fits with the terms and a constant, when asked for; [ModelKind]
  // The false-alarm probability of the strongest periodogram peak of each stage's target (y, or
  // sqrt(max(y, 0))), its mean removed, over the refinement's band; [ModelKind].
  double PeakFalseAlarm[2] = {kNotDetermined, kNotDetermined};
  // The search's highest frequency B, 2*pi/minPeriod (infinite where not known), and the
  // refinement's.
  double SearchBand = std::numeric_limits<double>::infinity();
  double RefinementBand = 0;
  double Span = 0;  // the data's x range, last minus first
};

// Whether the data's strongest peak is clearly above noise (false = not to be trusted, or not
// determined with fewer than four observations).
bool Detected(const RefinementResult& result, ModelKind kind);

// Whether a frequency of fit lies above the search's band (the search could not have found it).
bool BeyondSearchBand(const RefinementResult& result, const ModelFit& fit);

// Refines both models of a completed fit: set 1 of `table` is model 1, set 2 model 2, both with
// table.HarmonicCount harmonics, over observations 0..LastIndex (PlotX, OrigY) of `obs`. Trial
// frequencies cover the data's useful band (RefinementBand in analysis/spectral_band.h, at least
// twice 2*pi/minPeriod on irregular x). With terms, the search's result is taken with the terms'
// least-squares values for its harmonics, and only the harmonics after the known ones are
// searched; with nothing else to search the fit is linear and solved directly. Throws
// std::invalid_argument for weights that are not one positive finite sigma per observation.
// Deterministic: the same inputs give the same bits.
// A refined model's objective is never above the search's. Safe to call off the window's thread
// (it touches nothing but its arguments and the result).
RefinementResult RefineBothModels(const ObservationSet& obs,
                                  const CoefficientTable& table,
                                  double minPeriod,
                                  const RefineOptions& options);
