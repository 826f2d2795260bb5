// Quality and speed of RefineBothModels on generated data sets, against an independent
// reference optimum: many more random starts (and a dense frequency grid for one harmonic) of
// the same variable-projection solver.
//
// For each data family, harmonic count N and replicate it runs the search (FitBothModels at
// depth 10000, a fixed seed per case), then the refinement with the default options, timed,
// and compares each model's refined objective with the reference. Prints per model and N the
// share of cases within 1e-6 (relative) of the best known optimum, the worst gap, the share the
// search itself reached within 1 %, the refinement's wall time, and for exact data the largest
// relative deviation.
//
// Usage: refine_quality [--replicates R] [--reference-starts K] [--n N]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/model_estimates.h"
#include "analysis/scaled_fit.h"
#include "data/observation_set.h"
#include "fit/fit_harmonics.h"
#include "state/app_state.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kGapBar = 1e-6;

std::uint32_t gSeed = 1;
std::uint32_t CaseClock() { return gSeed; }

enum class Family { Exact, Noisy, Irregular, Years, Close, Trend, Positive };
const char* Name(Family f) {
  switch (f) {
    case Family::Exact:
      return "exact";
    case Family::Noisy:
      return "noisy";
    case Family::Irregular:
      return "irregular";
    case Family::Years:
      return "years";
    case Family::Close:
      return "close";
    case Family::Trend:
      return "trend";
    case Family::Positive:
      return "positive";
  }
  return "?";
}

// A data set of `count` observations of family f with n harmonics, from rng.
ObservationSet MakeCase(Family f, int n, int count, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> gauss(0, 1);
  ObservationSet obs;
  obs.LastIndex = count - 1;
  double x0 = 0, dx = 0.5;
  if (f == Family::Years) {
    x0 = 1990 + 20 * unit(rng);
    dx = 1.0 / 12;
  }
  for (int i = 0; i < count; ++i) {
    double x = x0 + i * dx;
    if (f == Family::Irregular) x = x0 + (count - 1) * dx * unit(rng);
    if (f == Family::Years) x += 0.3 * dx * (unit(rng) - 0.5);
    obs.X[i] = x;
  }
  const double range = (count - 1) * dx;
  // Frequencies between two cycles over the range and 80 % of the grid's Nyquist frequency.
  const double low = 2 * kTwoPi / range, high = 0.8 * std::numbers::pi / dx;
  double a[kMaxHarmonics], b[kMaxHarmonics], c[kMaxHarmonics];
  for (int k = 0; k < n; ++k) {
    a[k] = 0.5 + 1.5 * unit(rng);
    b[k] = low + (high - low) * unit(rng);
    c[k] = kTwoPi * unit(rng);
  }
  if (f == Family::Close && n >= 2) b[1] = b[0] * (1 + (1.5 + unit(rng)) * kTwoPi / range / b[0]);
  double noise = 0;
  if (f != Family::Exact) noise = 0.15;
  const double offset = (f == Family::Trend) ? 1 + 2 * unit(rng) : 0;
  const double slope = (f == Family::Trend) ? (unit(rng) - 0.5) / range : 0;
  for (int i = 0; i < count; ++i) {
    const double x = obs.X[i];
    double s = 0;
    for (int k = 0; k < n; ++k) s += a[k] * std::sin(b[k] * x + c[k]);
    double y = s + offset + slope * (x - x0) + noise * gauss(rng);
    if (f == Family::Positive) y = s * s + 0.1 * noise * gauss(rng);
    obs.WorkY[i] = y;
  }
  PrepareData(obs);
  return obs;
}

// The reference optimum of one model: `starts` uniform random frequency sets and, for one
// harmonic, every point of a dense grid with its best few refined.
double ReferenceOptimum(
    const ObservationSet& obs, ModelKind kind, int n, int starts, std::uint64_t seed) {
  const AbscissaScaling scaling = ScalingOf(obs);
  ScaledProblem problem;
  problem.Count = obs.LastIndex + 1;
  for (int i = 0; i < problem.Count; ++i) {
    problem.U[i] = (obs.PlotX[i] - scaling.Centre) / scaling.Scale;
    problem.T[i] = StageTarget(kind, obs.OrigY[i]);
  }
  const double omegaMax = 2 * kTwoPi / obs.MinPeriod * scaling.Scale;
  double best = std::numeric_limits<double>::infinity();
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int s = 0; s < starts; ++s) {
    ScaledModel model;
    model.Count = n;
    for (int k = 0; k < n; ++k) model.Omega[k] = omegaMax * unit(rng);
    RefineFrequencies(problem, model);
    RefineAll(problem, model);
    best = std::min(best, model.Objective);
  }
  if (n == 1) {
    constexpr double kGridStep = 0.005;  // in u: 1/600 of a frequency resolution
    std::vector<std::pair<double, double>> grid;
    for (double omega = kGridStep; omega <= omegaMax; omega += kGridStep) {
      ScaledModel model;
      model.Count = 1;
      model.Omega[0] = omega;
      grid.push_back({SolveLinear(problem, model), omega});
    }
    std::sort(grid.begin(), grid.end());
    for (std::size_t j = 0; j < std::min<std::size_t>(grid.size(), 10); ++j) {
      ScaledModel model;
      model.Count = 1;
      model.Omega[0] = grid[j].second;
      RefineFrequencies(problem, model);
      RefineAll(problem, model);
      best = std::min(best, model.Objective);
    }
  }
  return best;
}

struct Tally {
  int Cases = 0, WithinBar = 0, SearchWithinPercent = 0;
  double WorstGap = 0;
  std::vector<double> Millis;
  double WorstExactDeviation = 0;
  long Starts = 0, Hits = 0;
};

double SumOfSquares(const ObservationSet& obs, ModelKind kind) {
  double s = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double t = StageTarget(kind, obs.OrigY[i]);
    s += t * t;
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  int replicates = 6;
  int referenceStarts = 300;
  int onlyN = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--replicates") && i + 1 < argc) replicates = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--reference-starts") && i + 1 < argc)
      referenceStarts = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--n") && i + 1 < argc) onlyN = std::atoi(argv[++i]);
  }
  const Family families[] = {Family::Exact,
                             Family::Noisy,
                             Family::Irregular,
                             Family::Years,
                             Family::Close,
                             Family::Trend,
                             Family::Positive};
  Tally tally[2][kMaxHarmonics + 1];
  for (int n = 1; n <= kMaxHarmonics; ++n) {
    if (onlyN && n != onlyN) continue;
    for (Family family : families) {
      for (int r = 0; r < replicates; ++r) {
        std::mt19937_64 rng(1000003ULL * n + 7919ULL * static_cast<int>(family) + r);
        const int count = (r % 3 == 2) ? 30 : 100;
        AppState state;
        state.Observations = MakeCase(family, n, count, rng);
        state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(n);
        state.Controls.UpDown1 = n;
        state.Controls.ComboBox1 = 10000;
        state.Random.Clock = CaseClock;
        gSeed = 17u + 31u * r + 101u * n;
        FitBothModels(state);

        RefineOptions options;
        const auto t0 = std::chrono::steady_clock::now();
        const RefinementResult result = RefineBothModels(
            state.Observations, state.Coefficients, state.Observations.MinPeriod, options);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        for (int kind = 0; kind < 2; ++kind) {
          const ModelKind mk = static_cast<ModelKind>(kind);
          const ModelFit& refined = result.Refined[kind];
          const ModelFit& search = result.Search[kind];
          const double reference =
              std::min(refined.Objective,
                       ReferenceOptimum(state.Observations, mk, n, referenceStarts, 99 + r));
          const double floor = 1e-18 * SumOfSquares(state.Observations, mk);
          const double gap = (refined.Objective - reference) / std::max(reference, floor);
          const double searchGap = (search.Objective - reference) / std::max(reference, floor);
          Tally& t = tally[kind][n];
          ++t.Cases;
          if (gap <= kGapBar) ++t.WithinBar;
          if (searchGap <= 0.01) ++t.SearchWithinPercent;
          t.WorstGap = std::max(t.WorstGap, gap);
          if (count == 100) t.Millis.push_back(ms);
          t.Starts += refined.Starts;
          t.Hits += refined.Hits;
          if (refined.Objective > search.Objective) {
            std::printf("ABOVE SEARCH: model %d N=%d %s r=%d\n", kind + 1, n, Name(family), r);
          }
          if (family == Family::Exact && kind == 0) {
            t.WorstExactDeviation =
                std::max(t.WorstExactDeviation, refined.Statistics.RelDeviation);
          }
          if (gap > kGapBar) {
            std::printf(
                "miss: model %d N=%d %-9s r=%d n=%d gap %.3g (refined %.9g, best %.9g, "
                "starts %d hits %d)\n",
                kind + 1,
                n,
                Name(family),
                r,
                count,
                gap,
                refined.Objective,
                reference,
                refined.Starts,
                refined.Hits);
          }
        }
      }
    }
  }
  std::printf(
      "\nmodel  N  cases  within1e-6  worst-gap  search<=1%%  ms(n=100) median/max  "
      "starts/hits avg  exact-dev%% max\n");
  for (int kind = 0; kind < 2; ++kind) {
    for (int n = 1; n <= kMaxHarmonics; ++n) {
      Tally& t = tally[kind][n];
      if (!t.Cases) continue;
      std::sort(t.Millis.begin(), t.Millis.end());
      const double median = t.Millis.empty() ? 0 : t.Millis[t.Millis.size() / 2];
      const double worst = t.Millis.empty() ? 0 : t.Millis.back();
      std::printf("%5d %2d %6d %10.1f%% %10.2g %10.1f%% %9.1f / %-9.1f %7.1f / %-5.1f %12.3g\n",
                  kind + 1,
                  n,
                  t.Cases,
                  100.0 * t.WithinBar / t.Cases,
                  t.WorstGap,
                  100.0 * t.SearchWithinPercent / t.Cases,
                  median,
                  worst,
                  double(t.Starts) / t.Cases,
                  double(t.Hits) / t.Cases,
                  t.WorstExactDeviation);
    }
  }
  return 0;
}
