// Fuzz target for the least-squares refinement. The input is a small data set and a starting
// coefficient table: byte 0 the harmonic count and the constant-term switch, byte 1 the number
// of observations, byte 2 the scales of x and y, byte 3 the minimum period (a power of ten times
// the file's own, from 1e-12 to 1e6) and the number of starts, byte 4 the terms (a constant, a
// trend, up to two known periods), the weights (relative or absolute sigma) and whether to run
// twice, then little-endian 16-bit values for the x, the y, the table, the known frequencies and
// the sigma. One to four starts per model, each iterated a few steps, keep it fast under the
// sanitizers (docs/refinement_quality.md): the invariants do not depend on finding the optimum.
//
// Invariants: every figure is finite or not determined, never infinite; each refined objective
// is at most the search's, and with a constant at most the one without; every statistic agrees
// with its formula from the fit as returned (weighted where the fit is); the trust figures are
// probabilities and ratios of objectives; a second run, where asked for, gives the same bits.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "analysis/least_squares.h"
#include "analysis/refinement_notes.h"
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

// The statistics of the model as shown, recomputed by their textbook formulas; weighted by 1/sigma
// where sigma is given (RMSE and the relative deviation stay plain).
void RequireStatistics(const ObservationSet& obs,
                       ModelKind kind,
                       const ModelFit& fit,
                       const FitWeights& weights) {
  const ModelStatistics& s = fit.Statistics;
  const int count = obs.LastIndex + 1;
  const HarmonicModel& h = fit.Coefficients;
  const int n = h.Count;
  const int p = 3 * n - fit.FixedCount + (fit.HasConstant ? 1 : 0) + (fit.HasTrend ? 1 : 0);
  Require(s.Parameters == p && s.DegreesOfFreedom == count - p, "parameters or df");
  for (double v : {s.Sse, s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic, s.RelDeviation}) {
    Require(!std::isinf(v), "an infinite statistic");
  }
  Require(!std::isnan(fit.Objective) && fit.Objective >= 0, "a NaN objective");

  const auto weight = [&](int i) {
    return weights.Any() ? 1 / (weights.Sigma[i] * weights.Sigma[i]) : 1.0;
  };
  double mean = 0, total = 0;
  for (int i = 0; i < count; ++i) {
    mean += weight(i) * obs.OrigY[i];
    total += weight(i);
  }
  mean /= total;
  // modelSize: the sum of squares of the model's terms' sizes, weighted like sse; where the
  // terms cancel (data all zero) the residual is their rounding, which the sums may take apart
  // differently.
  double sse = 0, plain = 0, sst = 0, size = 0, plainSize = 0, modelSize = 0, plainModelSize = 0;
  for (int i = 0; i < count; ++i) {
    double v = (fit.HasConstant ? fit.Constant.Value : 0.0) +
               (fit.HasTrend ? fit.Trend.Value * obs.PlotX[i] : 0.0);
    double magnitude = std::fabs(fit.HasConstant ? fit.Constant.Value : 0.0) +
                       std::fabs(fit.HasTrend ? fit.Trend.Value * obs.PlotX[i] : 0.0);
    for (int k = 0; k < n; ++k) {
      v += h.A[k] * std::sin(h.B[k] * obs.PlotX[i] + h.C[k]);
      magnitude += std::fabs(h.A[k]);
    }
    if (kind == ModelKind::SquaredSum) v *= v;
    if (kind == ModelKind::SquaredSum) magnitude *= magnitude;
    modelSize += weight(i) * magnitude * magnitude;
    plainModelSize += magnitude * magnitude;
    const double r = v - obs.OrigY[i];
    sse += weight(i) * r * r;
    plain += r * r;
    sst += weight(i) * (obs.OrigY[i] - mean) * (obs.OrigY[i] - mean);
    size += weight(i) * obs.OrigY[i] * obs.OrigY[i];
    plainSize += obs.OrigY[i] * obs.OrigY[i];
  }
  // The sines of the fit and of std::sin differ in the last bits; at large B * x (or a large
  // trend term) that moves the sum by more than rounding, so the sum itself is only checked where
  // the arguments are small.
  bool smallArguments = !fit.HasTrend;
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < count; ++i) {
      smallArguments = smallArguments && std::fabs(h.B[k] * obs.PlotX[i]) < 1e3;
    }
  }
  if (smallArguments && std::isfinite(sse)) {
    Require(IsDetermined(s.Sse) &&
                std::fabs(s.Sse - sse) <= 1e-6 * (sse + size) + 1e-24 * modelSize + 1e-300,
            "SSE is not the sum of squares");
  }
  if (!IsDetermined(s.Sse)) {
    for (double v : {s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic})
      Require(!IsDetermined(v), "a figure from an undetermined SSE");
    return;
  }
  if (!weights.Any()) {
    Require(Agrees(s.Rmse, std::sqrt(s.Sse / count), 0), "RMSE");
  } else if (smallArguments && std::isfinite(plain) && IsDetermined(s.Rmse)) {
    // RMSE stays in y's plain units: its square sums the unweighted residuals.
    Require(std::fabs(s.Rmse * s.Rmse * count - plain) <=
                1e-6 * (plain + plainSize) + 1e-24 * plainModelSize + 1e-300,
            "RMSE");
  }
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

// The trust figures: probabilities, and a rival's objective a finite ratio of the best's.
void RequireTrust(const ModelFit& fit) {
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    const double alarm = fit.HarmonicFalseAlarm[k];
    Require(!IsDetermined(alarm) || (alarm >= 0 && alarm <= 1), "a false alarm outside [0, 1]");
    Require(k >= fit.FixedCount || !IsDetermined(alarm), "a known harmonic's false alarm");
  }
  Require(fit.RivalRatio > 0 && !std::isnan(fit.RivalRatio), "a rival ratio not above 0");
  for (int k = 0; k < kMaxHarmonics; ++k) {
    Require(std::isfinite(fit.RivalB[k]), "a non-finite rival frequency");
  }
}

void RequireValid(const ObservationSet& obs,
                  ModelKind kind,
                  const ModelFit& fit,
                  const FitWeights& weights) {
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
  RequireFinite(fit.Trend);
  RequireStatistics(obs, kind, fit, weights);
  RequireTrust(fit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  Bytes in{data, size, 5};
  const int harmonics = 1 + data[0] % kMaxHarmonics;
  const bool withConstant = (data[0] & 0x80) != 0;
  const int count = 2 + data[1] % 15;  // small sets: 2..16 observations
  // x from near 0 to around 2000, y from 1e-3 to 1e5 in size.
  const double xScale = std::pow(10.0, (data[2] & 0x7) - 4);
  const double xOffset = (data[2] & 0x8) ? 2000.0 : 0.0;
  const double yScale = std::pow(10.0, ((data[2] >> 4) & 0x7) - 3);
  // The minimum period: 10^-12 .. 10^6 times the file's own, or the file's own.
  const int exponent = data[3] & 0x1f;
  const double periodFactor = exponent <= 18 ? std::pow(10.0, exponent - 12) : 1.0;
  // Mostly one start per model, sometimes two or four on these small sets: a refinement's fixed
  // work (the band's periodograms, the statistics, the trust figures) is most of its cost. Most
  // of them have fewer than two observations per parameter, which get twice the starts a budget
  // gives the others.
  constexpr int kStartUnits[8] = {1, 1, 1, 1, 1, 1, 2, 4};
  const double budget = kStartUnits[data[3] >> 5] * 0.85e-4;
  // One input in four is refined twice, to check that the bits repeat.
  const bool twice = (data[4] & 0xc0) == 0xc0;

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

  // Terms and weights: a constant, a trend, 0 to 2 known periods among the harmonics, sigma.
  RefineOptions options;
  options.Terms.Constant = (data[4] & 0x1) != 0;
  options.Terms.Trend = (data[4] & 0x2) != 0;
  options.Terms.FixedCount = std::min((data[4] >> 2) & 0x3, harmonics) % 3;
  for (int k = 0; k < options.Terms.FixedCount; ++k) {
    options.Terms.FixedB[k] = 1e-3 + std::abs(in.Next16()) / 1000.0;
    table.B[k] = table.B2[k] = options.Terms.FixedB[k];
  }
  if (data[4] & 0x10) {
    for (int i = 0; i < count; ++i) {
      options.Weights.Sigma.push_back((1 + std::abs(in.Next16())) * yScale / 1000);
    }
    options.Weights.Absolute = (data[4] & 0x20) != 0;
  }
  options.WithConstant = withConstant;
  options.StartBudget = budget;
  options.IterationLimit = kIterationLimit;
  const double minPeriod = obs.MinPeriod * periodFactor;
  const RefinementResult first = RefineBothModels(obs, table, minPeriod, options);
  const FitWeights& w = options.Weights;
  for (int kind = 0; kind < 2; ++kind) {
    const ModelKind k = static_cast<ModelKind>(kind);
    RequireValid(obs, k, first.Search[kind], w);
    RequireValid(obs, k, first.Refined[kind], w);
    // At most the peak's note, and for each of the two fits a harmonic like noise, a rival,
    // harmonics on one line, a line left in the residuals, an unbounded harmonic, an unconfirmed
    // best, a harmonic slower than half a cycle and a frequency beyond the band.
    Require(RefinementNotes(first, k).size() <= 17, "more notes than there are kinds");
    Require(first.Refined[kind].Objective <= first.Search[kind].Objective,
            "refined above the start");
    if (withConstant) {
      RequireValid(obs, k, first.WithConstant[kind], w);
      // The constant's model holds the one without it.
      Require(first.WithConstant[kind].Objective <= first.Refined[kind].Objective,
              "constant-term fit above the fit without it");
    }
  }
  if (!twice) return 0;
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
