#pragma once

#include <limits>

#include "base/fit_cancelled.h"
#include "data/observation_set.h"
#include "model/harmonic_model.h"

// Sums of sinusoids fitted in a centred and scaled abscissa u = (x - centre) / scale, so that x
// in years around 2000 conditions the problem as well as x near 0. The model is
//   sum_k Alpha_k sin(Omega_k u) + Beta_k cos(Omega_k u)  (+ Offset with a constant term),
// linear in everything but the frequencies Omega. Terms beside the harmonics (a constant, a trend,
// harmonics at known frequencies) enter as further linear columns, and a weighted fit multiplies
// every residual by its observation's weight.

// The most linear columns beside the searched harmonics: a constant, a trend and the sine and
// cosine of every known frequency.
inline constexpr int kMaxTermColumns = 2 + 2 * kMaxHarmonics;

// The observations of one fit in the scaled abscissa, with the target the fit follows.
struct ScaledProblem {
  int Count = 0;  // observations 0..Count-1
  RowArray U{};
  RowArray T{};
  // Linear columns beside the searched harmonics, each over observations 0..Count-1; the model's
  // Linear[j] multiplies Columns[j].
  int Extra = 0;
  RowArray Columns[kMaxTermColumns]{};
  // With Weighted, the objective is sum (W[i] * residual[i])^2.
  bool Weighted = false;
  RowArray W{};
  // 2*pi / spacing in u when the observations lie on a uniform grid, 0 otherwise. On a grid the
  // frequencies omega, omega + k * AliasPeriod and AliasPeriod - omega give the same projected
  // fit, so the iterations keep every frequency folded into [0, AliasPeriod / 2].
  double AliasPeriod = 0;
  // Asked at every iteration of RefineFrequencies (a search over many rows), which then ends
  // with FitCancelled; empty: never.
  CancelCheck Cancelled;
};

// omega folded into [0, AliasPeriod / 2] when the problem has a grid, |omega| otherwise.
double FoldFrequency(const ScaledProblem& problem, double omega);

// One point of the scaled model. Objective is its sum of squared residuals, infinity until set.
struct ScaledModel {
  int Count = 0;  // harmonics 0..Count-1
  double Omega[kMaxHarmonics] = {}, Alpha[kMaxHarmonics] = {}, Beta[kMaxHarmonics] = {};
  double Linear[kMaxTermColumns] = {};  // the problem's extra columns' coefficients
  double Objective = std::numeric_limits<double>::infinity();
};

// Sets the linear part (Alpha, Beta, Linear) to the least-squares optimum for the model's
// frequencies, by QR with column pivoting (modified Gram-Schmidt; columns that are dependent, as
// for B = 0 or two equal frequencies, get zero weight), and returns the objective it also stores.
// Never NaN: a design that cannot be solved leaves the linear part zero.
double SolveLinear(const ScaledProblem& problem, ScaledModel& model);

// Levenberg-Marquardt on the frequencies alone, the linear part projected out (variable
// projection with Kaufman's Jacobian). Starts from the model's frequencies; the result has its
// optimal linear part and an objective never above the start's projected one. It ends after
// maxIterations steps or two steps in a row that lower the objective by less than stallShare of
// it; the defaults run to the limit of the doubles. While the objective is above farLevel, two
// steps in a row that lower it by less than a thousandth end it too (a start going nowhere), and
// after a few steps, so does a Gauss-Newton model that cannot bring it below hopelessLevel.
inline constexpr double kFullPrecisionStall = 1e-13;
inline constexpr int kFullPrecisionIterations = 200;
void RefineFrequencies(const ScaledProblem& problem,
                       ScaledModel& model,
                       double stallShare = kFullPrecisionStall,
                       int maxIterations = kFullPrecisionIterations,
                       double farLevel = std::numeric_limits<double>::infinity(),
                       double hopelessLevel = std::numeric_limits<double>::infinity());

// Levenberg-Marquardt on all parameters at once, from the model as it is, for at most
// maxIterations steps; keeps only steps that lower the objective, so the result is never worse
// than the model given.
inline constexpr int kFullIterations = 40;
void RefineAll(const ScaledProblem& problem,
               ScaledModel& model,
               int maxIterations = kFullIterations);

// The (weighted) objective of the model as it is (no solving).
double ScaledObjective(const ScaledProblem& problem, const ScaledModel& model);

// out[i] = target - model at u[i] for i = 0..Count-1, unweighted.
void ScaledResiduals(const ScaledProblem& problem, const ScaledModel& model, double* out);
