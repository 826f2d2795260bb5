#pragma once

#include <cstdint>
#include <functional>

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

// How well a model as shown (S for model 1, S^2 for model 2) follows the data y.
struct ModelStatistics {
  double Sse = 0, Rmse = 0, R2 = 0, AdjustedR2 = 0, Aic = 0, Bic = 0;
  double RelDeviation = 0;   // percent, by the report's formula
  int Parameters = 0;        // 3N, plus 1 with a constant term
  int DegreesOfFreedom = 0;  // observations - parameters (may be <= 0)
};

// One model's fit: normalised coefficients (A, B >= 0, C in [0, 2pi)) with their estimates.
struct ModelFit {
  HarmonicModel Coefficients;
  Estimate A[kMaxHarmonics], B[kMaxHarmonics], C[kMaxHarmonics], Period[kMaxHarmonics];
  bool HasConstant = false;
  Estimate Constant;     // c0, when HasConstant
  double Objective = 0;  // the stage's own objective: sum (S - y)^2, or sum (S - sqrt(y+))^2
  ModelStatistics Statistics;
  // The same statistics in the stage's own space (S against y, or sqrt(y+) for model 2), where
  // the objective is minimised: its SSE is Objective, so a refinement never makes it worse.
  ModelStatistics StageStatistics;
  int Starts = 0;  // starts tried by the refinement (0 for the search's own result)
  int Hits = 0;    // starts that reached the best objective within 1e-9 relative
};

struct RefineOptions {
  bool WithConstant = false;  // also fit c0 + S(x) and (c0 + S(x))^2
  // Budget for both models together. It is turned into a number of starts per model by a fixed
  // cost model (about this many seconds on the development machine, both models on two cores),
  // never by reading a clock, so that the result cannot depend on the machine's speed or load.
  // The refinement usually ends well before, once its best has been reached several times.
  double TimeBudgetSeconds = 1;
  // Called from the refining thread now and then with the fraction done (0..1); returning false
  // cancels the refinement, which then returns with Cancelled set as soon as it can.
  std::function<bool(double fraction)> Progress;
};

struct RefinementResult {
  bool Cancelled = false;
  ModelFit Search[2];        // the search's result as given, with its statistics; [ModelKind]
  ModelFit Refined[2];       // the least-squares optimum found; [ModelKind]
  ModelFit WithConstant[2];  // the constant-term fits, when asked for; [ModelKind]
};

// Refines both models of a completed fit: set 1 of `table` is model 1, set 2 model 2, both with
// table.HarmonicCount harmonics, over observations 0..LastIndex (PlotX, OrigY) of `obs`; trial
// frequencies go up to twice 2*pi/minPeriod. Deterministic: the same inputs give the same bits.
// A refined model's objective is never above the search's. Safe to call off the window's thread
// (it touches nothing but its arguments and the result).
RefinementResult RefineBothModels(const ObservationSet& obs,
                                  const CoefficientTable& table,
                                  double minPeriod,
                                  const RefineOptions& options);
