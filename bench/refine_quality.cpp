// Quality and speed of RefineBothModels on generated data sets, against the best known optimum
// of an independent and much larger multistart.
//
// Data: sums of N = 1..5 sinusoids, exact and noisy, on uniform and irregular x, x in years
// around 2000, two close frequencies, a constant offset on a grid away from 0, offset plus
// trend, a real-looking seasonal series (annual and half-year cycles, trend, autocorrelated
// noise) and squared sums for model 2; n cycles through 10, 20, 35, 60 and 100 observations
// (raised to 3N + 3 where fewer would leave no degrees of freedom).
//
// For each case it runs the search (FitBothModels at depth 10000, a fixed seed per case), then
// the refinement with the default options, timed. The best known optimum of each model is the
// lowest objective of: the refinement's own result, --reference-starts (default 200 N) starts of
// uniformly random frequencies and as many from random picks of the target's periodogram peaks
// (a Mersenne Twister with seeds of their own, not the refinement's generator), each iterated
// loosely and the best 30 polished, and for N = 1 a dense frequency grid with its best ten
// polished. The frequency range is the refinement's: up to twice 2 pi / MinPeriod, below the
// Nyquist frequency on a grid; optima that end above it do not count (on irregular x a high
// enough frequency fits noise, which no one asked for), unless the refinement itself went there.
//
// Prints every miss, then per model and N: the share of cases within 1e-6 (relative) of the
// best known optimum, the worst ratio refined / best, the share the search itself reached
// within 1 %, the refinement's wall time at n = 100 (median and maximum, both models), starts
// and hits, and for exact data the largest relative deviation in percent.
//
// With --terms it runs the families that need terms with them instead: offset with a constant,
// trend and seasonal with a constant and a trend, noisy data weighted by random sigma in
// [0.1, 0.4] (relative weights), and seasonal with its annual period known (constant, trend, the
// other N - 1 harmonics searched; linear for N = 1). The search then runs on the data less the
// terms' estimate, as the engine runs it, and the reference optimum has the same terms and
// weights.
//
// Usage: refine_quality [--replicates R] [--reference-starts K] [--n N] [--terms]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/model_estimates.h"
#include "analysis/periodogram.h"
#include "analysis/scaled_fit.h"
#include "data/observation_set.h"
#include "engine/term_search.h"
#include "fit/fit_harmonics.h"
#include "model/model_values.h"
#include "state/app_state.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kGapBar = 1e-6;

std::uint32_t gSeed = 1;
std::uint32_t CaseClock() { return gSeed; }

enum class Family {
  Exact,
  ExactIrregular,
  Noisy,
  Irregular,
  Years,
  Close,
  Offset,
  Trend,
  Seasonal,
  Positive
};
constexpr Family kFamilies[] = {Family::Exact,
                                Family::ExactIrregular,
                                Family::Noisy,
                                Family::Irregular,
                                Family::Years,
                                Family::Close,
                                Family::Offset,
                                Family::Trend,
                                Family::Seasonal,
                                Family::Positive};
const char* Name(Family f) {
  switch (f) {
    case Family::Exact:
      return "exact";
    case Family::ExactIrregular:
      return "exact-irr";
    case Family::Noisy:
      return "noisy";
    case Family::Irregular:
      return "irregular";
    case Family::Years:
      return "years";
    case Family::Close:
      return "close";
    case Family::Offset:
      return "offset";
    case Family::Trend:
      return "trend";
    case Family::Seasonal:
      return "seasonal";
    case Family::Positive:
      return "positive";
  }
  return "?";
}

bool IsExact(Family f) { return f == Family::Exact || f == Family::ExactIrregular; }

// A data set of `count` observations of family f with n harmonics, from rng.
ObservationSet MakeCase(Family f, int n, int count, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> gauss(0, 1);
  ObservationSet obs;
  obs.LastIndex = count - 1;
  double x0 = 10 * unit(rng), dx = 0.5;
  if (f == Family::Years || f == Family::Seasonal) {
    x0 = 1990 + 20 * unit(rng);
    dx = 1.0 / 12;
  }
  if (f == Family::Offset) x0 = 100 + 100 * unit(rng);
  const bool irregular = f == Family::ExactIrregular || f == Family::Irregular;
  for (int i = 0; i < count; ++i) {
    double x = x0 + i * dx;
    if (irregular) x = x0 + (count - 1) * dx * unit(rng);
    if (f == Family::Years) x += 0.3 * dx * (unit(rng) - 0.5);
    obs.X[i] = x;
  }
  const double range = (count - 1) * dx;
  // Frequencies between one cycle over the range and 90 % of the grid's Nyquist frequency
  // (irregular x: up to 1.5 times the mean one).
  const double low = kTwoPi / range;
  const double high = (irregular ? 1.5 : 0.9) * std::numbers::pi / dx;
  double a[kMaxHarmonics], b[kMaxHarmonics], c[kMaxHarmonics];
  for (int k = 0; k < n; ++k) {
    a[k] = 0.3 + 1.7 * unit(rng);
    b[k] = low + (high - low) * unit(rng);
    c[k] = kTwoPi * unit(rng);
  }
  if (f == Family::Close && n >= 2) b[1] = b[0] + (0.7 + 0.8 * unit(rng)) * kTwoPi / range;
  if (f == Family::Seasonal) {
    b[0] = kTwoPi;  // a year
    if (n >= 2) b[1] = 2 * kTwoPi;
  }
  const double noise = IsExact(f) ? 0.0 : (f == Family::Seasonal ? 0.4 : 0.2);
  const double offset =
      (f == Family::Offset || f == Family::Trend || f == Family::Seasonal) ? 1 + 3 * unit(rng) : 0;
  const double slope =
      (f == Family::Trend || f == Family::Seasonal) ? 2 * (unit(rng) - 0.5) / range : 0;
  double red = 0;
  for (int i = 0; i < count; ++i) {
    const double x = obs.X[i];
    double s = 0;
    for (int k = 0; k < n; ++k) s += a[k] * std::sin(b[k] * x + c[k]);
    red = (f == Family::Seasonal ? 0.6 : 0.0) * red + noise * gauss(rng);
    double y = s + offset + slope * (x - x0) + red;
    if (f == Family::Positive) y = s * s + 0.1 * noise * gauss(rng);
    obs.WorkY[i] = y;
  }
  PrepareData(obs);
  return obs;
}

bool Inside(const ScaledModel& model, double omegaMax) {
  for (int k = 0; k < model.Count; ++k) {
    if (!(model.Omega[k] <= omegaMax * (1 + 1e-9))) return false;
  }
  return true;
}

// The lowest objective the reference multistart finds for one model with n searched harmonics
// beside the terms.
double ReferenceOptimum(const ObservationSet& obs,
                        ModelKind kind,
                        int n,
                        int starts,
                        std::uint64_t seed,
                        const ModelTerms& terms = {},
                        const FitWeights& weights = {}) {
  ScaledProblem problem;
  const AbscissaScaling scaling = FillScaledProblem(obs, kind, terms, weights, problem);
  ScaledModel linear;
  const double linearOnly = SolveLinear(problem, linear);
  if (n == 0) return linearOnly;
  double residual[kObservationCapacity];
  ScaledResiduals(problem, linear, residual);
  double omegaMax = 2 * kTwoPi / obs.MinPeriod * scaling.Scale;
  if (problem.AliasPeriod > 0) omegaMax = std::min(omegaMax, problem.AliasPeriod / 2);
  double peaks[24];
  const int found = PeriodogramPeaks(problem.U, residual, problem.Count, omegaMax, peaks, 24);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<ScaledModel> loose;
  for (int s = 0; s < 2 * starts; ++s) {
    ScaledModel model;
    model.Count = n;
    for (int k = 0; k < n; ++k) {
      if (s % 2 == 0 || found == 0) {
        model.Omega[k] = omegaMax * unit(rng);
      } else {
        const int pick = std::min(found - 1, static_cast<int>(unit(rng) * (3 * n + 3)));
        model.Omega[k] = std::min(omegaMax, std::fabs(peaks[pick] + (unit(rng) - 0.5) * 1.5));
      }
    }
    RefineFrequencies(problem, model, 1e-7, 60);
    if (Inside(model, omegaMax)) loose.push_back(model);
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
      loose.push_back(model);
    }
  }
  std::sort(loose.begin(), loose.end(), [](const ScaledModel& l, const ScaledModel& r) {
    return l.Objective < r.Objective;
  });
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t j = 0; j < std::min<std::size_t>(loose.size(), 30); ++j) {
    ScaledModel model = loose[j];
    RefineFrequencies(problem, model);
    RefineAll(problem, model);
    // Only optima inside the range count: above it, irregular x let high frequencies fit noise.
    if (Inside(model, omegaMax)) best = std::min(best, model.Objective);
  }
  return best;
}

struct Tally {
  int Cases = 0, WithinBar = 0, SearchWithinPercent = 0, AboveSearch = 0;
  double WorstRatio = 1;
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

// A family run with terms (--terms).
struct TermCase {
  const char* Name;
  Family Data;
  bool Constant, Trend, Weighted, KnownYear;
};
constexpr TermCase kTermCases[] = {
    {"offset+c", Family::Offset, true, false, false, false},
    {"trend+ct", Family::Trend, true, true, false, false},
    {"seas+ct", Family::Seasonal, true, true, false, false},
    {"weighted", Family::Noisy, false, false, true, false},
    {"seas+known", Family::Seasonal, true, true, false, true},
};

}  // namespace

int main(int argc, char** argv) {
  int replicates = 10;
  int referenceStarts = 0;  // 0: 200 N of each kind
  int onlyN = 0;
  bool withTerms = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--replicates") && i + 1 < argc) replicates = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--reference-starts") && i + 1 < argc)
      referenceStarts = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--n") && i + 1 < argc) onlyN = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--terms")) withTerms = true;
  }
  std::vector<TermCase> cases;
  if (withTerms) {
    cases.assign(std::begin(kTermCases), std::end(kTermCases));
  } else {
    for (const Family f : kFamilies) cases.push_back({Name(f), f, false, false, false, false});
  }
  constexpr int kCounts[] = {10, 20, 35, 60, 100};
  Tally tally[2][kMaxHarmonics + 1];
  for (int n = 1; n <= kMaxHarmonics; ++n) {
    if (onlyN && n != onlyN) continue;
    const int starts = referenceStarts > 0 ? referenceStarts : 200 * n;
    for (const TermCase& tc : cases) {
      const Family family = tc.Data;
      ModelTerms terms;
      terms.Constant = tc.Constant;
      terms.Trend = tc.Trend;
      if (tc.KnownYear) {
        terms.FixedCount = 1;
        terms.FixedB[0] = kTwoPi;
      }
      for (int r = 0; r < replicates; ++r) {
        std::mt19937_64 rng(1000003ULL * n + 7919ULL * static_cast<int>(family) + r);
        const int count = std::max(kCounts[r % 5], 3 * n + 3);
        AppState state;
        state.Observations = MakeCase(family, n, count, rng);
        state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(n);
        state.Controls.UpDown1 = n;
        state.Controls.ComboBox1 = 10000;
        state.Random.Clock = CaseClock;
        gSeed = 17u + 31u * r + 101u * n;
        RefineOptions options;
        options.Terms = terms;
        if (tc.Weighted) {
          std::uniform_real_distribution<double> spread(0.1, 0.4);
          for (int i = 0; i < count; ++i) options.Weights.Sigma.push_back(spread(rng));
        }
        if (terms.Any()) {
          HarmonicModel models[2];
          SearchWithTerms(state, state.Controls.ComboBox1, n, terms, options.Weights, models);
        } else {
          FitBothModels(state, state.Controls.ComboBox1);
        }

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
          const std::uint64_t seed = 0xbe5c0000ULL + 7ULL * r + 1009ULL * n + kind;
          const double reference = std::min(refined.Objective,
                                            ReferenceOptimum(state.Observations,
                                                             mk,
                                                             n - terms.FixedCount,
                                                             starts,
                                                             seed,
                                                             terms,
                                                             options.Weights));
          const double floor = 1e-18 * SumOfSquares(state.Observations, mk);
          const double gap = (refined.Objective - reference) / std::max(reference, floor);
          const double searchGap = (search.Objective - reference) / std::max(reference, floor);
          Tally& t = tally[kind][n];
          ++t.Cases;
          if (gap <= kGapBar) ++t.WithinBar;
          if (searchGap <= 0.01) ++t.SearchWithinPercent;
          t.WorstRatio = std::max(t.WorstRatio, 1 + gap);
          if (count == 100) t.Millis.push_back(ms);
          t.Starts += refined.Starts;
          t.Hits += refined.Hits;
          if (refined.Objective > search.Objective) {
            ++t.AboveSearch;
            std::printf("ABOVE SEARCH: model %d N=%d %s r=%d\n", kind + 1, n, tc.Name, r);
          }
          if (IsExact(family) && kind == 0) {
            t.WorstExactDeviation =
                std::max(t.WorstExactDeviation, refined.Statistics.RelDeviation);
          }
          if (gap > kGapBar) {
            std::printf(
                "miss: model %d N=%d %-9s r=%d n=%d gap %.3g (refined %.9g, best %.9g, "
                "starts %d hits %d)\n",
                kind + 1,
                n,
                tc.Name,
                r,
                count,
                gap,
                refined.Objective,
                reference,
                refined.Starts,
                refined.Hits);
          }
        }
        std::fflush(stdout);
      }
    }
  }
  std::printf(
      "\nmodel  N  cases  within1e-6  worst-ratio  search<=1%%  above  ms(n=100) median/max  "
      "starts/hits avg  exact-dev%% max\n");
  for (int kind = 0; kind < 2; ++kind) {
    for (int n = 1; n <= kMaxHarmonics; ++n) {
      Tally& t = tally[kind][n];
      if (!t.Cases) continue;
      std::sort(t.Millis.begin(), t.Millis.end());
      const double median = t.Millis.empty() ? 0 : t.Millis[t.Millis.size() / 2];
      const double worst = t.Millis.empty() ? 0 : t.Millis.back();
      std::printf("%5d %2d %6d %10.1f%% %12.6g %10.1f%% %6d %9.1f / %-9.1f %7.1f / %-5.1f %12.3g\n",
                  kind + 1,
                  n,
                  t.Cases,
                  100.0 * t.WithinBar / t.Cases,
                  t.WorstRatio,
                  100.0 * t.SearchWithinPercent / t.Cases,
                  t.AboveSearch,
                  median,
                  worst,
                  double(t.Starts) / t.Cases,
                  double(t.Hits) / t.Cases,
                  t.WorstExactDeviation);
    }
  }
  return 0;
}
