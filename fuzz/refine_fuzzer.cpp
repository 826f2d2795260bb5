// Fuzz target for the least-squares refinement. The input is a small data set and a starting
// coefficient table: byte 0 the harmonic count and the constant-term switch, byte 1 the number
// of observations, byte 2 the scales of x and y, then little-endian 16-bit values for the x, the
// y and the table. Every result must be finite, each refined objective at most the start's, and
// a second run must give the same bits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "analysis/least_squares.h"
#include "data/observation_set.h"

namespace {

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
}

void RequireFinite(const ModelFit& fit) {
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
  const ModelStatistics& s = fit.Statistics;
  for (double v :
       {fit.Objective, s.Sse, s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic, s.RelDeviation}) {
    Require(std::isfinite(v), "a non-finite statistic");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  Bytes in{data, size, 3};
  const int harmonics = 1 + data[0] % kMaxHarmonics;
  const bool withConstant = (data[0] & 0x80) != 0;
  const int count = 2 + data[1] % 19;  // small sets: 2..20 observations
  // x from near 0 to around 2000, y from 1e-3 to 1e5 in size.
  const double xScale = std::pow(10.0, (data[2] & 0x7) - 4);
  const double xOffset = (data[2] & 0x8) ? 2000.0 : 0.0;
  const double yScale = std::pow(10.0, ((data[2] >> 4) & 0x7) - 3);

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
  options.StartBudget = 0.002;  // a few starts a model: the invariants, not the optimum
  const RefinementResult first = RefineBothModels(obs, table, obs.MinPeriod, options);
  for (int kind = 0; kind < 2; ++kind) {
    RequireFinite(first.Search[kind]);
    RequireFinite(first.Refined[kind]);
    Require(first.Refined[kind].Objective <= first.Search[kind].Objective,
            "refined above the start");
    if (withConstant) {
      RequireFinite(first.WithConstant[kind]);
      Require(first.WithConstant[kind].Objective <= first.Search[kind].Objective,
              "constant-term fit above the start");
    }
  }
  const RefinementResult second = RefineBothModels(obs, table, obs.MinPeriod, options);
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
