// Fuzz target for the least-squares refinement. The input is a small data set and a starting
// coefficient table: byte 0 the harmonic count and the constant-term switch, byte 1 the number
// of observations, byte 2 the scales of x and y, byte 3 the minimum period (a power of ten times
// the file's own, from 1e-12 to 1e6) and the number of starts, then little-endian 16-bit values
// for the x, the y and the table. A few starts per model, each iterated a few steps, keep it
// at a thousand inputs a second or more: the invariants do not depend on finding the optimum.
//
// Invariants: every figure is finite or not determined, never infinite; each refined objective
// is at most the search's; every statistic agrees with its formula from the fit as returned;
// a second run gives the same bits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "analysis/least_squares.h"
#include "data/observation_set.h"

namespace {

// Each Levenberg-Marquardt run stops after this many steps: every path is taken, at a fraction
// of the cost of converging.
constexpr int kIterationLimit = 4;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "refinement invariant broken: %s\n", what);
  std::abort();
}

void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

struct Bytes {
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t At = 0;
  int Next16() {
    std::uint16_t v = 0;
    if (At + 2 <= Size) v = static_cast<std::uint16_t>(Data[At] | (Data[At + 1] << 8));
    At += 2;
    return static_cast<std::int16_t>(v);
  }
};

void RequireFinite(const Estimate& e) {
  Require(std::isfinite(e.Value) && std::isfinite(e.StdError) && std::isfinite(e.Lower) &&
              std::isfinite(e.Upper),
          "a non-finite estimate");
  Require(!e.Determined || (e.Lower <= e.Value && e.Value <= e.Upper), "a value outside its CI");
}

// a and b agree to rounding, both not determined, or b is not determined because the sum it
// comes from overflowed.
bool Agrees(double a, double b, double scale) {
  if (!IsDetermined(a) || !IsDetermined(b)) return !IsDetermined(a) && !IsDetermined(b);
  return std::fabs(a - b) <= 1e-9 * (std::fabs(a) + std::fabs(b)) + 1e-12 * scale;
}

// The statistics of the model as shown, recomputed by their textbook formulas.
void RequireStatistics(const ObservationSet& obs, ModelKind kind, const ModelFit& fit) {
  const ModelStatistics& s = fit.Statistics;
  const int count = obs.LastIndex + 1;
  const int n = fit.Coefficients.Count;
  const int p = 3 * n + (fit.HasConstant ? 1 : 0);
  Require(s.Parameters == p && s.DegreesOfFreedom == count - p, "parameters or df");
  for (double v : {s.Sse, s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic, s.RelDeviation}) {
    Require(!std::isinf(v), "an infinite statistic");
  }
  Require(!std::isnan(fit.Objective) && fit.Objective >= 0, "a NaN objective");

  double mean = 0;
  for (int i = 0; i < count; ++i) mean += obs.OrigY[i] / count;
  double sse = 0, sst = 0, size = 0;
  for (int i = 0; i < count; ++i) {
    double v = fit.HasConstant ? fit.Constant.Value : 0.0;
    for (int k = 0; k < n; ++k) {
      const HarmonicModel& h = fit.Coefficients;
      v += h.A[k] * std::sin(h.B[k] * obs.PlotX[i] + h.C[k]);
    }
    if (kind == ModelKind::SquaredSum) v *= v;
    sse += (v - obs.OrigY[i]) * (v - obs.OrigY[i]);
    sst += (obs.OrigY[i] - mean) * (obs.OrigY[i] - mean);
    size += obs.OrigY[i] * obs.OrigY[i];
  }
  // The sines of the fit and of std::sin differ in the last bits; at large B * x that moves the
  // sum by more than rounding, so the sum itself is only checked where the arguments are small.
  bool smallArguments = true;
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < count; ++i) {
      smallArguments = smallArguments && std::fabs(fit.Coefficients.B[k] * obs.PlotX[i]) < 1e3;
    }
  }
  if (smallArguments && std::isfinite(sse)) {
    Require(IsDetermined(s.Sse) && std::fabs(s.Sse - sse) <= 1e-6 * (sse + size) + 1e-300,
            "SSE is not the sum of squares");
  }
  if (!IsDetermined(s.Sse)) {
    for (double v : {s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic})
      Require(!IsDetermined(v), "a figure from an undetermined SSE");
    return;
  }
  Require(Agrees(s.Rmse, std::sqrt(s.Sse / count), 0), "RMSE");
  // Where the spread about the mean is lost in the mean's rounding, the two sums of squares
  // disagree in their leading digits; R^2 is only compared where it holds.
  if (sst > 1e-9 * size && std::isfinite(sst)) {
    Require(Agrees(s.R2, 1 - s.Sse / sst, 1), "R2");
  }
  if (count - p <= 0) {
    Require(!IsDetermined(s.AdjustedR2) && !IsDetermined(s.Aic) && !IsDetermined(s.Bic),
            "AIC, BIC or adjusted R2 without degrees of freedom");
    return;
  }
  const double logMeanSquare = std::log(std::fmax(s.Sse / count, 2.2250738585072014e-308));
  const double scale = std::fabs(count * logMeanSquare);
  Require(Agrees(s.Aic, count * logMeanSquare + 2 * p, scale), "AIC");
  Require(Agrees(s.Bic, count * logMeanSquare + p * std::log(double(count)), scale), "BIC");
  if (IsDetermined(s.R2)) {
    Require(Agrees(s.AdjustedR2, 1 - (1 - s.R2) * (count - 1) / (count - p), 1), "adjusted R2");
  }
}

void RequireValid(const ObservationSet& obs, ModelKind kind, const ModelFit& fit) {
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    Require(std::isfinite(fit.Coefficients.A[k]) && std::isfinite(fit.Coefficients.B[k]) &&
                std::isfinite(fit.Coefficients.C[k]),
            "a non-finite coefficient");
    RequireFinite(fit.A[k]);
    RequireFinite(fit.B[k]);
    RequireFinite(fit.C[k]);
    RequireFinite(fit.Period[k]);
  }
  RequireFinite(fit.Constant);
  RequireStatistics(obs, kind, fit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  Bytes in{data, size, 4};
  const int harmonics = 1 + data[0] % kMaxHarmonics;
  const bool withConstant = (data[0] & 0x80) != 0;
  const int count = 2 + data[1] % 19;  // small sets: 2..20 observations
  // x from near 0 to around 2000, y from 1e-3 to 1e5 in size.
  const double xScale = std::pow(10.0, (data[2] & 0x7) - 4);
  const double xOffset = (data[2] & 0x8) ? 2000.0 : 0.0;
  const double yScale = std::pow(10.0, ((data[2] >> 4) & 0x7) - 3);
  // The minimum period: 10^-12 .. 10^6 times the file's own, or the file's own.
  const int exponent = data[3] & 0x1f;
  const double periodFactor = exponent <= 18 ? std::pow(10.0, exponent - 12) : 1.0;
  // 1 to 4 starts per model on these small sets.
  const double budget = (1 + (data[3] >> 5) / 2) * 1.7e-4;

  ObservationSet obs;
  obs.LastIndex = count - 1;
  for (int i = 0; i < count; ++i) obs.X[i] = xOffset + in.Next16() * xScale;
  for (int i = 0; i < count; ++i) obs.WorkY[i] = in.Next16() * yScale / 1000;
  PrepareData(obs);

  CoefficientTable table;
  table.HarmonicCount = static_cast<std::uint8_t>(harmonics);
  for (int k = 0; k < harmonics; ++k) {
    table.A[k] = in.Next16() * yScale / 1000;
    table.B[k] = in.Next16() / 1000.0;
    table.C[k] = in.Next16() / 1000.0;
    table.A2[k] = in.Next16() * yScale / 1000;
    table.B2[k] = in.Next16() / 1000.0;
    table.C2[k] = in.Next16() / 1000.0;
  }

  RefineOptions options;
  options.WithConstant = withConstant;
  options.StartBudget = budget;
  options.IterationLimit = kIterationLimit;
  const double minPeriod = obs.MinPeriod * periodFactor;
  const RefinementResult first = RefineBothModels(obs, table, minPeriod, options);
  for (int kind = 0; kind < 2; ++kind) {
    const ModelKind k = static_cast<ModelKind>(kind);
    RequireValid(obs, k, first.Search[kind]);
    RequireValid(obs, k, first.Refined[kind]);
    Require(first.Refined[kind].Objective <= first.Search[kind].Objective,
            "refined above the start");
    if (withConstant) {
      RequireValid(obs, k, first.WithConstant[kind]);
      Require(first.WithConstant[kind].Objective <= first.Search[kind].Objective,
              "constant-term fit above the start");
    }
  }
  const RefinementResult second = RefineBothModels(obs, table, minPeriod, options);
  for (int kind = 0; kind < 2; ++kind) {
    Require(
        std::memcmp(
            &first.Refined[kind].Objective, &second.Refined[kind].Objective, sizeof(double)) == 0 &&
            std::memcmp(first.Refined[kind].Coefficients.B,
                        second.Refined[kind].Coefficients.B,
                        sizeof(double) * kMaxHarmonics) == 0,
        "two runs differ");
  }
  return 0;
}
