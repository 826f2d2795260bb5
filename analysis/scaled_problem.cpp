// The scaled problem of a stage and its terms, declared in analysis/model_estimates.h: the
// abscissa scaling, the problem's rows and term columns, and the terms' values in x.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/model_estimates.h"
#include "fit/fit_harmonics.h"
#include "model/model_values.h"
#include "sine/sine_kernel.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// 2 pi less its nearest double.
constexpr double kTwoPiLow = 2.4492935982947064e-16;
// Beyond this b * centre the turns of 2 pi in it are no longer a whole number of doubles apart.
constexpr double kExactTurns = 0x1p52;

// x that deviate from a uniform grid by less than this share of its spacing are on it: x written
// with four decimals, months as 2000.0833, deviate by up to 6e-4, and what they could tell
// about frequencies above the grid's Nyquist frequency is noise.
constexpr double kGridTolerance = 1e-3;

// A grid with missing points (a gap in a logger's record, a skipped month) aliases as the full
// grid does; at least this share of its points must be there, or x written with a few decimals
// would be taken for a grid with their last digit as its step.
constexpr double kMinGridFill = 0.5;

// The spacing h of the grid the sorted u lie on (each within kGridTolerance * h of first + k h,
// k whole), the full grid's or one with missing points; 0 when they lie on none.
double GridSpacing(const double* u, int count) {
  const double first = u[0], span = u[count - 1] - first;
  const double full = span / (count - 1);
  if (!(full > 0) || !std::isfinite(full)) return 0;
  const auto on = [&](double h, bool numbered) {
    for (int i = 0; i < count; ++i) {
      const double k = numbered ? i : std::round((u[i] - first) / h);
      if (!(std::fabs(u[i] - (first + k * h)) <= kGridTolerance * h)) return false;
    }
    return true;
  };
  if (on(full, true)) return full;
  double step = full;  // the smallest spacing, then the grid's step that fits the span best
  for (int i = 1; i < count; ++i) {
    const double d = u[i] - u[i - 1];
    if (d > 0 && d < step) step = d;
  }
  for (int pass = 0; pass < 2; ++pass) step = span / std::round(span / step);
  if (!(span / step + 1 <= count / kMinGridFill)) return 0;
  return on(step, false) ? step : 0;
}
// Where the terms' columns sit among a scaled problem's extra columns.
struct TermColumns {
  int Constant = -1, Trend = -1, Count = 0;
};

TermColumns ColumnsOf(const ModelTerms& terms) {
  TermColumns c;
  c.Count = 2 * terms.FixedCount;
  if (terms.Constant) c.Constant = c.Count++;
  if (terms.Trend) c.Trend = c.Count++;
  return c;
}

}  // namespace

AbscissaScaling ScalingOf(const ObservationSet& obs) {
  AbscissaScaling s;
  if (obs.LastIndex < 0) return s;
  double lo = obs.PlotX[0], hi = obs.PlotX[0];
  for (int i = 1; i <= obs.LastIndex; ++i) {
    lo = std::min(lo, obs.PlotX[i]);
    hi = std::max(hi, obs.PlotX[i]);
  }
  const double centre = lo / 2 + hi / 2;
  const double scale = hi / 2 - lo / 2;
  if (std::isfinite(centre)) s.Centre = centre;
  if (std::isfinite(scale) && scale > 0) s.Scale = scale;
  return s;
}

AbscissaScaling FillScaledProblem(const ObservationSet& obs,
                                  ModelKind kind,
                                  const ModelTerms& terms,
                                  const FitWeights& weights,
                                  ScaledProblem& problem) {
  const AbscissaScaling scaling = ScalingOf(obs);
  problem.Count = std::max(obs.LastIndex + 1, 0);
  for (RowArray* rows : {&problem.U, &problem.T, &problem.W}) rows->Reserve(problem.Count);
  for (int i = 0; i < problem.Count; ++i) {
    problem.U[i] = (obs.PlotX[i] - scaling.Centre) / scaling.Scale;
    problem.T[i] = StageTarget(kind, obs.OrigY[i]);
  }
  const TermColumns columns = ColumnsOf(terms);
  problem.Extra = columns.Count;
  for (int j = 0; j < problem.Extra; ++j) problem.Columns[j].Reserve(problem.Count);
  for (int i = 0; i < problem.Count; ++i) {
    for (int k = 0; k < terms.FixedCount; ++k) {
      const double arg = terms.FixedB[k] * scaling.Scale * problem.U[i];
      problem.Columns[2 * k][i] = std::sin(arg);
      problem.Columns[2 * k + 1][i] = std::cos(arg);
    }
    if (terms.Constant) problem.Columns[columns.Constant][i] = 1;
    if (terms.Trend) problem.Columns[columns.Trend][i] = problem.U[i];
  }
  problem.Weighted = HasWeights(obs, weights);
  for (int i = 0; i < problem.Count && problem.Weighted; ++i) {
    problem.W[i] = StageWeight(kind, obs.OrigY[i], weights.Sigma[i]);
  }
  problem.AliasPeriod = 0;
  if (problem.Count < 3) return scaling;
  const double spacing = GridSpacing(problem.U.data(), problem.Count);
  if (spacing > 0) problem.AliasPeriod = kTwoPi / spacing;
  return scaling;
}

AbscissaScaling FillScaledProblem(const ObservationSet& obs,
                                  ModelKind kind,
                                  bool constant,
                                  ScaledProblem& problem) {
  ModelTerms terms;
  terms.Constant = constant;
  return FillScaledProblem(obs, kind, terms, FitWeights{}, problem);
}

double PhaseAtZero(double phi, double b, double centre) {
  const double product = b * centre;
  if (!(std::fabs(product) < kExactTurns)) return std::remainder(phi - product, kTwoPi);
  const double error = std::fma(b, centre, -product);  // b * centre = product + error
  const double turns = std::nearbyint(product / kTwoPi);
  // product - turns * 2 pi: the fused step is exact, the second adds what the double 2 pi lacks.
  const double reduced = std::fma(-turns, kTwoPi, product) - turns * kTwoPiLow;
  return std::remainder(phi - reduced - error, kTwoPi);
}

void TermsToOriginal(const ScaledModel& model,
                     const ModelTerms& terms,
                     const AbscissaScaling& scaling,
                     ModelFit& fit) {
  HarmonicModel& h = fit.Coefficients;
  for (int k = 0; k < terms.FixedCount; ++k) {
    // alpha sin(w u) + beta cos(w u) = A sin(w u + phi) = A sin(B x + phi - B * Centre).
    double a = std::hypot(model.Linear[2 * k], model.Linear[2 * k + 1]);
    double b = terms.FixedB[k];
    double c =
        PhaseAtZero(std::atan2(model.Linear[2 * k + 1], model.Linear[2 * k]), b, scaling.Centre);
    if (!std::isfinite(a) || !std::isfinite(c)) a = c = 0;
    NormaliseHarmonic(a, b, c);
    h.A[k] = a;
    h.B[k] = b;
    h.C[k] = c;
  }
  const TermColumns columns = ColumnsOf(terms);
  const double level = terms.Constant ? model.Linear[columns.Constant] : 0.0;
  const double slope = terms.Trend ? model.Linear[columns.Trend] / scaling.Scale : 0.0;
  // c_u + t_u u = (c_u - t_u Centre / Scale) + (t_u / Scale) x.
  const double constant = terms.Trend ? level - slope * scaling.Centre : level;
  fit.Constant.Value = std::isfinite(constant) ? constant : 0.0;
  fit.Trend.Value = std::isfinite(slope) ? slope : 0.0;
}

void SolveTerms(const ObservationSet& obs,
                ModelKind kind,
                const ModelTerms& terms,
                const FitWeights& weights,
                ModelFit& fit) {
  ScaledProblem problem;
  const AbscissaScaling scaling = FillScaledProblem(obs, kind, terms, weights, problem);
  // The target less the harmonics that are not known ones.
  HarmonicModel others = fit.Coefficients;
  const int fixed = std::clamp(terms.FixedCount, 0, others.Count);
  for (int k = 0; k < fixed; ++k) others.A[k] = 0;
  others.Constant = others.Trend = 0;
  RowArray v(problem.Count);
  SumValues(others, obs.PlotX, problem.Count, v, SinArray);
  for (int i = 0; i < problem.Count; ++i) problem.T[i] -= v[i];
  ScaledModel model;
  SolveLinear(problem, model);
  TermsToOriginal(model, terms, scaling, fit);
}
