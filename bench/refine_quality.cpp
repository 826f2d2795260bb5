// Quality and speed of RefineBothModels on generated data sets, against the best known optimum
// of an independent and much larger multistart, and how often its 95 % intervals cover the truth.
//
// Families (N = 1..5 sinusoids each; n cycles through 10, 20, 35, 60 and 100 observations,
// raised to 3N + 3 where fewer would leave no degrees of freedom):
//   exact, exact-irr   sums without noise on a grid and on irregular x
//   noisy, irregular   noise 0.2 on a grid / on irregular x (components up to 1.5 times the mean
//                      spacing's Nyquist frequency there)
//   years              x in years around 2000 with jitter
//   close              two frequencies within 0.7 to 1.5 resolutions
//   offset, trend      a level (x far from 0), or a level and a trend, fitted without terms
//   seasonal           annual and half-year cycles, trend, autocorrelated noise
//   positive           squared sums, for model 2
//   irr-1.1x .. -4x    irregular x with one component at 1.1, 1.5, 2 or 4 times the mean-spacing
//                      Nyquist frequency, the others below it
//   offset+c, trend+ct, seas+ct   the same data fitted with a constant (and a trend)
//   weighted           noise of random sigma in [0.1, 0.4], fitted with those sigma
//   seas+known         seasonal with its annual period known (constant, trend, N - 1 searched)
//   snr-5, snr-10      unit components at a per-component SNR of -5 and -10 dB: below the
//                      detection threshold, not part of the quality target
//   rays               noise 0.2 on a grid, the first component's amplitude drifting over the
//                      range (N >= 2): two merged harmonics with unbounded amplitudes take it
//   gapped             noise 0.2 on a grid with about a quarter of its points missing
//   snr-5+ct           snr-5 with a level and a trend, fitted with a constant and a trend
// and, only with --real or by name, series shaped like measured ones, fitted with a constant only
// (n cycles through 60, 120, 240 and 480; x in decimal years, row numbers or days since the first
// date, in turn):
//   trend+c            monthly: level, curved trend, annual and half-year cycles, red noise
//   cycle+c            yearly: a sunspot-like cycle of 9.5 to 12.5 years, level, slight trend
//   mult+c             monthly: exponential growth times a seasonal pattern (airline passengers)
//
// For each case it runs the search (FitBothModels at depth 10000, a fixed seed per case; with
// terms on the data less the terms' estimate, as the engine runs it), then the refinement with
// the default options, timed. The best known optimum of each model is the lowest objective of:
// the refinement's own result; --reference-starts (default 200 N) starts of uniformly random
// frequencies and as many from random picks of the target's periodogram peaks (a Mersenne
// Twister with seeds of their own, not the refinement's generator), each iterated loosely and
// the best 30 polished; a start at the true frequencies, polished; and for N = 1 a dense
// frequency grid with its best ten polished. The frequency range is the refinement's band;
// optima that end above it do not count (on irregular x a high enough frequency fits noise,
// which no one asked for), unless the refinement itself went there. A case is reached when the
// refined objective is within 1e-6 (relative) of the best known optimum or below it. For the
// families shaped like measured series the reference also polishes its best 60, starts at the
// truth with one frequency near 0, and takes the limits B -> 0 of one and of two harmonics (the
// constant and such a harmonic span a quadratic; searched beside the others); their lines say
// which part found the best ("refined": none below the refinement).
//
// Coverage (model 1, families whose data are the fitted model plus white noise): the share of
// the true amplitudes, frequencies, phases, constant and trend inside their 95 % intervals, the
// fitted harmonics matched to the true ones by least total frequency distance. "untrusted" is the
// share of cases with a "not to be trusted" note on model 1 (the data's strongest peak, or one
// of the fit's harmonics, not clearly above noise; other frequencies that fit almost as well);
// coverage is given over all cases and over the others. --detail prints every coverage case:
// each true parameter's (fit - truth) / standard error, the objective over that of the optimum
// refined from the true frequencies (below 1: the fit found another optimum), and the trust
// figures.
//
// Prints every miss; per model and N over the target families the share within 1e-6, the worst
// ratio refined / best, the share the search itself reached within 1 %, the refinement's wall
// time at n = 100 (n = 240 for the measured-like series; median and maximum, both models), starts
// and hits, and for exact data the largest relative deviation in percent; then the same share,
// coverage and trust per family, and the share over the fits with at least and with fewer than
// two observations per parameter, with how many of them (and of their misses) carry the note
// that the best is unconfirmed and the wall time of their cases (both models); then the same by
// classes of observations per parameter, the fits with an unbounded harmonic (degenerate: an
// infimum approached, never reached) apart. The measured-like series also get a line per fit.
//
// Usage: refine_quality [--replicates R] [--reference-starts K] [--n N] [--family NAME]...
//                       [--real] [--case R] [--detail] [--fits]
// (--fits: a line per fit of the target families: observations per parameter, gap, starts,
// hits and whether the starts ran out)
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
#include "analysis/refinement_notes.h"
#include "analysis/scaled_fit.h"
#include "analysis/spectral_band.h"
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

enum class Shape {
  Exact,
  ExactIrregular,
  Noisy,
  Irregular,
  Years,
  Close,
  Offset,
  Trend,
  Seasonal,
  Positive,
  SuperNyquist,
  LowSnr,
  RealTrend,
  RealCycle,
  RealGrowth,
  Ray,
  Gapped
};

struct Family {
  const char* Name;
  Shape Data;
  double Factor = 0;  // SuperNyquist: the multiple of the mean-spacing Nyquist; LowSnr: dB
  bool Constant = false, Trend = false, Weighted = false, KnownYear = false;
  bool Target = true;     // counted in the quality target
  bool Coverage = false;  // data are the fitted model plus white noise
  // Series shaped like measured ones (longer, n from 60 to 480): run with --real or by name, not
  // by default, and against a stronger reference (see ReferenceOptimum).
  bool Real = false;
};

const Family kFamilies[] = {
    {"exact", Shape::Exact},
    {"exact-irr", Shape::ExactIrregular},
    {"noisy", Shape::Noisy, 0, false, false, false, false, true, true},
    {"irregular", Shape::Irregular, 0, false, false, false, false, true, true},
    {"years", Shape::Years, 0, false, false, false, false, true, true},
    {"close", Shape::Close, 0, false, false, false, false, true, true},
    {"offset", Shape::Offset},
    {"trend", Shape::Trend},
    {"seasonal", Shape::Seasonal},
    {"positive", Shape::Positive},
    {"irr-1.1x", Shape::SuperNyquist, 1.1, false, false, false, false, true, true},
    {"irr-1.5x", Shape::SuperNyquist, 1.5, false, false, false, false, true, true},
    {"irr-2x", Shape::SuperNyquist, 2, false, false, false, false, true, true},
    {"irr-4x", Shape::SuperNyquist, 4, false, false, false, false, true, true},
    {"offset+c", Shape::Offset, 0, true, false, false, false, true, true},
    {"trend+ct", Shape::Trend, 0, true, true, false, false, true, true},
    {"seas+ct", Shape::Seasonal, 0, true, true},
    {"weighted", Shape::Noisy, 0, false, false, true, false, true, true},
    {"seas+known", Shape::Seasonal, 0, true, true, false, true},
    {"snr-5", Shape::LowSnr, -5, false, false, false, false, false, true},
    {"snr-10", Shape::LowSnr, -10, false, false, false, false, false, true},
    {"trend+c", Shape::RealTrend, 0, true, false, false, false, true, false, true},
    {"cycle+c", Shape::RealCycle, 0, true, false, false, false, true, false, true},
    {"mult+c", Shape::RealGrowth, 0, true, false, false, false, true, false, true},
    // Appended, so that the families above keep their seeds (the family's index is in them).
    {"rays", Shape::Ray},
    {"gapped", Shape::Gapped, 0, false, false, false, false, true, true},
    {"snr-5+ct", Shape::LowSnr, -5, true, true, false, false, true, true},
};
constexpr int kFamilyCount = sizeof(kFamilies) / sizeof(kFamilies[0]);

bool IsExact(Shape s) { return s == Shape::Exact || s == Shape::ExactIrregular; }

// The model behind a case's data: y = Constant + Trend * x + sum A sin(B x + C) + noise.
struct Truth {
  int Count = 0;
  double A[kMaxHarmonics] = {}, B[kMaxHarmonics] = {}, C[kMaxHarmonics] = {};
  double Constant = 0, Trend = 0;
};

// x of one case: a grid from x0 with spacing dx, or irregular over the same range.
void MakeAbscissa(Shape shape, int count, double x0, double dx, std::mt19937_64& rng, RowArray& x) {
  std::uniform_real_distribution<double> unit(0, 1);
  const bool irregular =
      shape == Shape::ExactIrregular || shape == Shape::Irregular || shape == Shape::SuperNyquist;
  const double range = (count - 1) * dx;
  for (int i = 0, slot = 0; i < count; ++i, ++slot) {
    // A grid with about a quarter of its points missing, in runs of one to three.
    while (shape == Shape::Gapped && slot > 0 && unit(rng) < 0.25) slot += 1 + (unit(rng) < 0.3);
    x[i] = irregular ? x0 + range * unit(rng) : x0 + (shape == Shape::Gapped ? slot : i) * dx;
    // Both ends fixed, so that the mean spacing is dx and the multiple of its Nyquist exact.
    if (shape == Shape::SuperNyquist && (i == 0 || i == count - 1)) x[i] = x0 + (i ? range : 0);
    if (shape == Shape::Years) x[i] += 0.3 * dx * (unit(rng) - 0.5);
  }
}

// The true harmonics of a case over x in [x0, x0 + range], mean spacing dx.
void MakeHarmonics(
    const Family& f, int n, double range, double dx, std::mt19937_64& rng, Truth& truth) {
  std::uniform_real_distribution<double> unit(0, 1);
  const Shape shape = f.Data;
  // Frequencies between one cycle over the range and 90 % of the grid's Nyquist frequency
  // (irregular x: up to 1.5 times the mean one).
  const double low = kTwoPi / range;
  const double nyquist = std::numbers::pi / dx;
  const bool irregular = shape == Shape::ExactIrregular || shape == Shape::Irregular;
  const double high = (irregular ? 1.5 : 0.9) * nyquist;
  truth.Count = n;
  for (int k = 0; k < n; ++k) {
    truth.A[k] = shape == Shape::LowSnr ? 1 : 0.3 + 1.7 * unit(rng);
    truth.B[k] = low + (high - low) * unit(rng);
    truth.C[k] = kTwoPi * unit(rng);
  }
  if (shape == Shape::Close && n >= 2) {
    truth.B[1] = truth.B[0] + (0.7 + 0.8 * unit(rng)) * kTwoPi / range;
  }
  if (shape == Shape::Ray && n >= 2) truth.B[1] = truth.B[0];
  if (shape == Shape::Seasonal) {
    truth.B[0] = kTwoPi;  // a year
    if (n >= 2) truth.B[1] = 2 * kTwoPi;
  }
  if (shape == Shape::SuperNyquist) {
    truth.A[0] = 1 + unit(rng);
    truth.B[0] = f.Factor * nyquist;
  }
}

// Series shaped like measured ones, fitted with a constant only: the level and the trend stay in
// the data, so a harmonic of low frequency has to stand in for the trend (often a limit B -> 0
// with a huge amplitude). Monthly or yearly, with x written as a user's file has it (variant):
// decimal years (1958.0833), a row number 1..n, or days since the first row's date (calendar
// months are 28 to 31 days apart).
//   RealTrend    level, trend with some curvature, annual and half-year cycles (the annual
//                amplitude drifting), red noise: CO2, temperatures
//   RealCycle    yearly: a non-sinusoidal cycle of 9.5 to 12.5 years (fast rise, slow decay,
//                each cycle its own height, the period wandering), a level, a slight trend:
//                sunspots
//   RealGrowth   monthly: exponential growth times an annual and half-year pattern, noise in
//                proportion: airline passengers
// truth.B holds the base cycle's first harmonics in x's units, the reference's start at the
// truth.
void MakeRealCase(const Family& f,
                  int count,
                  int variant,
                  std::mt19937_64& rng,
                  Truth& truth,
                  ObservationSet& obs) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> gauss(0, 1);
  const bool yearly = f.Data == Shape::RealCycle;
  const int startYear = (yearly ? 1700 : 1950) + static_cast<int>(40 * unit(rng));
  const int startMonth = static_cast<int>(12 * unit(rng));
  const auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  double days = 0;
  std::vector<double> years(static_cast<std::size_t>(count));  // time in years from the start
  for (int i = 0; i < count; ++i) {
    const int month = startMonth + i, year = startYear + (yearly ? i : month / 12);
    years[i] = yearly ? i : i / 12.0;
    obs.X[i] = variant == 0   ? (yearly ? year : startYear + month / 12.0)
               : variant == 1 ? i + 1
                              : days;
    days += yearly ? (leap(year) ? 366 : 365)
                   : kMonthDays[month % 12] + (month % 12 == 1 && leap(year));
  }
  const double perYear = variant == 0 ? 1 : variant == 1 ? (yearly ? 1 : 12) : 365.2425;
  const double span = years[count - 1];
  double base = kTwoPi;  // a year
  double red = 0, phi = 0.3 + 0.5 * unit(rng);
  if (f.Data == Shape::RealTrend) {
    const double a1 = 0.5 + 2.5 * unit(rng), a2 = 0.4 * a1 * unit(rng);
    const double c1 = kTwoPi * unit(rng), c2 = kTwoPi * unit(rng);
    const double drift = 0.4 * (unit(rng) - 0.5);  // of the annual amplitude over the span
    const double rise = (unit(rng) < 0.5 ? -1 : 1) * a1 * std::pow(10.0, -0.5 + 2 * unit(rng));
    const double bend = 0.6 * (unit(rng) - 0.5);
    const double level = 400 * unit(rng), sigma = a1 * (0.05 + 0.25 * unit(rng));
    for (int i = 0; i < count; ++i) {
      const double t = years[i], s = t / span;
      red = phi * red + sigma * gauss(rng);
      obs.WorkY[i] = level + rise * (s + bend * (s * s - s)) +
                     a1 * (1 + drift * (s - 0.5)) * std::sin(kTwoPi * t + c1) +
                     a2 * std::sin(2 * kTwoPi * t + c2) + red;
    }
  } else if (f.Data == Shape::RealCycle) {
    const double period = 9.5 + 3 * unit(rng), risePart = 0.35 + 0.1 * unit(rng);
    const double height = 50 + 100 * unit(rng), level = 100 * unit(rng);
    const double slope = 0.2 * height * (unit(rng) - 0.5) / span;
    const double sigma = height * (0.03 + 0.1 * unit(rng)), wander = kTwoPi * unit(rng);
    base = kTwoPi / period;
    std::vector<double> heights;
    for (int i = 0; i < count; ++i) {
      const double t = years[i];
      const double turn =
          1 + (t + 0.3 * period / kTwoPi * std::sin(base / 8.7 * t + wander)) / period;
      const auto k = static_cast<std::size_t>(std::floor(turn));
      while (heights.size() <= k) heights.push_back(height * (0.5 + unit(rng)));
      const double c = turn - std::floor(turn);
      const double v =
          c < risePart
              ? std::pow(std::sin(0.5 * std::numbers::pi * c / risePart), 2)
              : std::pow(std::cos(0.5 * std::numbers::pi * (c - risePart) / (1 - risePart)), 2);
      red = phi * red + sigma * gauss(rng);
      obs.WorkY[i] = level + slope * t + heights[k] * v + red;
    }
  } else {  // RealGrowth
    const double level = 50 + 450 * unit(rng), growth = std::log(1.5 + 4.5 * unit(rng)) / span;
    const double a1 = 0.08 + 0.17 * unit(rng), a2 = 0.1 * unit(rng);
    const double c1 = kTwoPi * unit(rng), c2 = kTwoPi * unit(rng), sigma = 0.01 + 0.03 * unit(rng);
    for (int i = 0; i < count; ++i) {
      const double t = years[i];
      red = phi * red + sigma * gauss(rng);
      obs.WorkY[i] = level * std::exp(growth * t) *
                     (1 + a1 * std::sin(kTwoPi * t + c1) + a2 * std::sin(2 * kTwoPi * t + c2)) *
                     (1 + red);
    }
  }
  truth.Count = kMaxHarmonics;
  for (int k = 0; k < kMaxHarmonics; ++k) truth.B[k] = (k + 1) * base / perYear;
}

// A data set of `count` observations of family f with n harmonics, from rng; weighted families
// also get their sigma, which the noise follows.
ObservationSet MakeCase(const Family& f,
                        int n,
                        int count,
                        int variant,
                        std::mt19937_64& rng,
                        Truth& truth,
                        FitWeights& weights) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> gauss(0, 1);
  const Shape shape = f.Data;
  ObservationSet obs;
  obs.LastIndex = count - 1;
  ReserveObservations(obs, count);
  if (f.Real) {
    MakeRealCase(f, count, variant, rng, truth, obs);
    PrepareData(obs);
    return obs;
  }
  double x0 = 10 * unit(rng), dx = 0.5;
  if (shape == Shape::Years || shape == Shape::Seasonal) {
    x0 = 1990 + 20 * unit(rng);
    dx = 1.0 / 12;
  }
  if (shape == Shape::Offset) x0 = 100 + 100 * unit(rng);
  MakeAbscissa(shape, count, x0, dx, rng, obs.X);
  const double range = shape == Shape::Gapped ? obs.X[count - 1] - x0 : (count - 1) * dx;
  MakeHarmonics(f, n, range, dx, rng, truth);
  double noise = IsExact(shape) ? 0.0 : (shape == Shape::Seasonal ? 0.4 : 0.2);
  // The per-component SNR is A^2 / 2 over the noise's variance.
  if (shape == Shape::LowSnr) noise = std::sqrt(0.5 / std::pow(10.0, f.Factor / 10));
  if (f.Weighted) {
    std::uniform_real_distribution<double> spread(0.1, 0.4);
    for (int i = 0; i < count; ++i) weights.Sigma.push_back(spread(rng));
  }
  const bool level = shape == Shape::Offset || shape == Shape::Trend || shape == Shape::Seasonal ||
                     (shape == Shape::LowSnr && f.Constant);
  const double offset = level ? 1 + 3 * unit(rng) : 0;
  const bool trend =
      shape == Shape::Trend || shape == Shape::Seasonal || (shape == Shape::LowSnr && f.Trend);
  const double slope = trend ? 2 * (unit(rng) - 0.5) / range : 0;
  truth.Constant = offset - slope * x0;
  truth.Trend = slope;
  double red = 0;
  for (int i = 0; i < count; ++i) {
    const double x = obs.X[i];
    double s = 0;
    for (int k = 0; k < n; ++k) {
      // Rays: the second harmonic is the first's amplitude drifting over the range, which two
      // harmonics reach only in the limit of merged frequencies and unbounded amplitudes.
      const bool drift = shape == Shape::Ray && k == 1;
      const int j = drift ? 0 : k;
      s += truth.A[k] * (drift ? 2 * (x - x0) / range - 1 : 1) *
           std::sin(truth.B[j] * x + truth.C[j]);
    }
    const double sigma = f.Weighted ? weights.Sigma[i] : noise;
    red = (shape == Shape::Seasonal ? 0.6 : 0.0) * red + sigma * gauss(rng);
    double y = s + offset + slope * (x - x0) + red;
    if (shape == Shape::Positive) y = s * s + 0.1 * noise * gauss(rng);
    obs.WorkY[i] = y;
  }
  PrepareData(obs);  // weighted families lie on a grid: sorting moves nothing
  return obs;
}

bool Inside(const ScaledModel& model, double omegaMax) {
  for (int k = 0; k < model.Count; ++k) {
    if (!(model.Omega[k] <= omegaMax * (1 + 1e-9))) return false;
  }
  return true;
}

// The objective of a scaled model as the refinement reports its own: taken to x and evaluated
// there (where merged frequencies cancel with huge amplitudes, x's rounding costs digits).
double ObjectiveInX(const ObservationSet& obs,
                    ModelKind kind,
                    const ScaledModel& model,
                    const AbscissaScaling& scaling,
                    const ModelTerms& terms,
                    const FitWeights& weights) {
  ModelFit fit;
  fit.HasConstant = terms.Constant;
  fit.HasTrend = terms.Trend;
  fit.FixedCount = terms.FixedCount;
  HarmonicModel& h = fit.Coefficients;
  h.Kind = kind;
  h.Count = terms.FixedCount + model.Count;
  for (int k = 0; k < model.Count; ++k) {
    double a = std::hypot(model.Alpha[k], model.Beta[k]);
    double b = model.Omega[k] / scaling.Scale;
    double c =
        std::remainder(std::atan2(model.Beta[k], model.Alpha[k]) - b * scaling.Centre, kTwoPi);
    NormaliseHarmonic(a, b, c);
    h.A[terms.FixedCount + k] = a;
    h.B[terms.FixedCount + k] = b;
    h.C[terms.FixedCount + k] = c;
  }
  TermsToOriginal(model, terms, scaling, fit);
  EvaluateModelFit(obs, kind, fit, weights);
  return fit.Objective;
}

// The lowest objective of a multistart for n harmonics in `problem`: `starts` uniformly random
// frequency sets and as many random picks of the target's periodogram peaks, iterated loosely,
// the best `polished` polished by both iterations, and the `extra` starts polished whatever their
// loose objective; for n = 1 also a dense frequency grid with its best ten polished. Optima with
// a frequency above omegaMax do not count. objective: a polished model's objective as reported.
template <typename Objective>
double Multistart(const ScaledProblem& problem,
                  int n,
                  int starts,
                  int polished,
                  std::uint64_t seed,
                  double omegaMax,
                  const std::vector<ScaledModel>& extra,
                  const Objective& objective) {
  ScaledModel linear;
  SolveLinear(problem, linear);
  if (n == 0) return objective(linear);
  RowArray residual(problem.Count);
  ScaledResiduals(problem, linear, residual);
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
  const auto polish = [&](ScaledModel model) {
    RefineFrequencies(problem, model);
    RefineAll(problem, model);
    // Only optima inside the range count: above it, irregular x let high frequencies fit noise.
    if (Inside(model, omegaMax)) best = std::min(best, objective(model));
  };
  for (const ScaledModel& model : extra) polish(model);
  for (std::size_t j = 0; j < std::min<std::size_t>(loose.size(), polished); ++j) polish(loose[j]);
  return best;
}

// The lowest objective the reference finds for one model with n searched harmonics beside the
// terms: the multistart above with 30 polished, and a start at the true frequencies. With
// `strong` (the series shaped like measured ones) also 60 polished, starts at the truth with one
// frequency near 0 instead, and the limits that no finite frequencies reach: one or two
// harmonics gone to B -> 0 with the terms span polynomials two degrees higher each (a constant
// and a harmonic near 0: a quadratic), the others searched beside them. Those limits are
// objectives in u; the rest as taken to x.
double ReferenceOptimum(const ObservationSet& obs,
                        ModelKind kind,
                        int n,
                        int starts,
                        std::uint64_t seed,
                        const double* trueB,
                        const ModelTerms& terms,
                        const FitWeights& weights,
                        bool strong,
                        const char** source = nullptr) {
  ScaledProblem problem;
  const AbscissaScaling scaling = FillScaledProblem(obs, kind, terms, weights, problem);
  const double omegaMax = RefinementBand(problem, 2 * kTwoPi / obs.MinPeriod * scaling.Scale);
  const auto inX = [&](const ScaledModel& model) {
    return ObjectiveInX(obs, kind, model, scaling, terms, weights);
  };
  std::vector<ScaledModel> extra(1);  // the true frequencies
  extra[0].Count = n;
  for (int k = 0; k < n; ++k) extra[0].Omega[k] = trueB[k] * scaling.Scale;
  for (int j = 0; strong && j < n; ++j) {
    for (const double low : {0.05, 0.3, 1.0}) {
      ScaledModel model = extra[0];
      for (int k = n - 1; k > j; --k) model.Omega[k] = model.Omega[k - 1];
      model.Omega[j] = low;
      extra.push_back(model);
    }
  }
  double best = Multistart(problem, n, starts, strong ? 60 : 30, seed, omegaMax, extra, inX);
  if (source) *source = "multistart";
  const int powers = (terms.Constant ? 1 : 0) + (terms.Constant && terms.Trend ? 1 : 0);
  for (int zeros = 1; strong && zeros <= std::min(n, 2); ++zeros) {
    ScaledProblem limit = problem;
    for (int p = powers; p < powers + 2 * zeros && limit.Extra < kMaxTermColumns; ++p) {
      RowArray& column = limit.Columns[limit.Extra++];
      column.Reserve(limit.Count);
      for (int i = 0; i < limit.Count; ++i) column[i] = std::pow(limit.U[i], p);
    }
    std::vector<ScaledModel> none;
    const double o = Multistart(limit,
                                n - zeros,
                                starts / 2,
                                30,
                                seed + 977 * zeros,
                                omegaMax,
                                none,
                                [](const ScaledModel& m) { return m.Objective; });
    if (o < best) {
      best = o;
      if (source) *source = zeros == 1 ? "limit B->0" : "limit B->0 twice";
    }
  }
  return best;
}

struct Reach {
  int Fits = 0, Within = 0;
  int Noted = 0, MissesNoted = 0;  // fits, and missed fits, with the "not certain" note
  std::vector<double> Millis;      // wall time of RefineBothModels, both models, once per case
};

// Observations per fitted parameter: the classes below 1.5, 1.5 to 2, 2 to 3, 3 to 4, 4 and up.
constexpr double kClassBounds[] = {1.5, 2, 3, 4};
constexpr int kClasses = 5;

// One class's fits, those with an unbounded harmonic (an infimum approached as amplitudes grow,
// never reached: analysis/unbounded_harmonics.h) apart.
struct ClassReach {
  Reach Determined, Degenerate;
};

int ClassOf(double perParameter) {
  int c = 0;
  while (c < kClasses - 1 && perParameter >= kClassBounds[c]) ++c;
  return c;
}

void Count(Reach& reach, bool within, bool noted) {
  ++reach.Fits;
  reach.Within += within ? 1 : 0;
  reach.Noted += noted ? 1 : 0;
  reach.MissesNoted += noted && !within ? 1 : 0;
}

void PrintClassTable(const ClassReach (&classes)[kClasses]) {
  std::printf(
      "\nreach by observations per fitted parameter (target families, both models), "
      "fits: within 1e-6, \"not certain\" note (on misses):\n");
  std::printf("class             determined fits                 degenerate fits\n");
  const char* names[kClasses] = {"< 1.5", "1.5-2", "2-3", "3-4", ">= 4"};
  for (int c = 0; c < kClasses; ++c) {
    std::printf("%-10s", names[c]);
    for (const Reach* r : {&classes[c].Determined, &classes[c].Degenerate}) {
      std::printf("  %4d: %6.2f%%, %4d (%d of %d)",
                  r->Fits,
                  r->Fits ? 100.0 * r->Within / r->Fits : 0.0,
                  r->Noted,
                  r->MissesNoted,
                  r->Fits - r->Within);
    }
    std::printf("\n");
  }
}

struct Tally {
  int Cases = 0, WithinBar = 0, SearchWithinPercent = 0, AboveSearch = 0;
  double WorstRatio = 1;
  std::vector<double> Millis;
  double WorstExactDeviation = 0;
  long Starts = 0, Hits = 0;
};

// How many true parameters the 95 % intervals held.
struct Coverage {
  int Checked = 0, Covered = 0, Undetermined = 0;
};

// One family over both models and every N; coverage and trust for model 1 only.
struct FamilyTally {
  int Fits = 0, WithinBar = 0;
  double WorstRatio = 1;
  int Cases = 0, Untrusted = 0;
  Coverage All, Trusted;  // every case; the cases the trust note leaves alone
};

double SumOfSquares(const ObservationSet& obs, ModelKind kind) {
  double s = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double t = StageTarget(kind, obs.OrigY[i]);
    s += t * t;
  }
  return s;
}

void CheckInterval(const Estimate& e, double truth, bool phase, Coverage& t) {
  if (!e.Determined) {
    ++t.Undetermined;
    return;
  }
  ++t.Checked;
  const bool inside =
      phase ? std::fabs(std::remainder(truth - e.Value, kTwoPi)) <= 0.5 * (e.Upper - e.Lower)
            : e.Lower <= truth && truth <= e.Upper;
  t.Covered += inside ? 1 : 0;
}

// got[k]: the fitted harmonic matched to true harmonic k, the permutation with the least total
// frequency distance. Matching in order of frequency instead pairs every harmonic after a merged
// pair or a harmonic fitted to noise with the wrong true one.
void MatchHarmonics(const double* truthB, const double* fitB, int n, int* got) {
  int order[kMaxHarmonics];
  for (int k = 0; k < n; ++k) order[k] = got[k] = k;
  double best = std::numeric_limits<double>::infinity();
  do {
    double cost = 0;
    for (int k = 0; k < n; ++k) cost += std::fabs(fitB[order[k]] - truthB[k]);
    if (cost < best) {
      best = cost;
      std::copy(order, order + n, got);
    }
  } while (std::next_permutation(order, order + n));
}

// The fitted harmonics matched to the true ones by frequency.
void CountCoverage(const Truth& truth, const ModelFit& fit, Coverage& t) {
  const int n = std::min(truth.Count, fit.Coefficients.Count);
  int got[kMaxHarmonics];
  MatchHarmonics(truth.B, fit.Coefficients.B, n, got);
  for (int k = 0; k < n; ++k) {
    CheckInterval(fit.A[got[k]], truth.A[k], false, t);
    CheckInterval(fit.B[got[k]], truth.B[k], false, t);
    CheckInterval(fit.C[got[k]], truth.C[k], true, t);
  }
  if (fit.HasConstant) CheckInterval(fit.Constant, truth.Constant, false, t);
  if (fit.HasTrend) CheckInterval(fit.Trend, truth.Trend, false, t);
}

// Diagnostic: one line per coverage case with each true parameter's z = (fit - truth) / se.
bool gDetail = false;
bool gFits = false;  // --fits: one line per target fit, for testing signals of a miss
void PrintDetail(const char* family,
                 int n,
                 int count,
                 bool trusted,
                 double truthObjective,
                 const Truth& truth,
                 const ModelFit& fit) {
  if (!gDetail) return;
  const int m = std::min(truth.Count, fit.Coefficients.Count);
  int got[kMaxHarmonics];
  MatchHarmonics(truth.B, fit.Coefficients.B, m, got);
  const int dof = fit.Statistics.DegreesOfFreedom;
  std::printf("detail %-10s N=%d n=%3d dof=%3d q=%.3f %s obj/truthobj=%.6g :",
              family,
              n,
              count,
              dof,
              dof > 0 ? StudentQuantile95(dof) : 0.0,
              trusted ? "T" : "U",
              fit.Objective / truthObjective);
  const auto z = [](const Estimate& e, double t, bool phase) {
    if (!e.Determined) return std::numeric_limits<double>::quiet_NaN();
    const double d = phase ? std::remainder(e.Value - t, kTwoPi) : e.Value - t;
    return d / e.StdError;
  };
  for (int k = 0; k < m; ++k) {
    const int g = got[k], w = k;
    std::printf(" [B %.4g/%.4g zA %.2f zB %.2f zC %.2f]",
                fit.Coefficients.B[g],
                truth.B[w],
                z(fit.A[g], truth.A[w], false),
                z(fit.B[g], truth.B[w], false),
                z(fit.C[g], truth.C[w], true));
  }
  if (fit.HasConstant) std::printf(" zc %.2f", z(fit.Constant, truth.Constant, false));
  if (fit.HasTrend) std::printf(" zt %.2f", z(fit.Trend, truth.Trend, false));
  double worst = 0;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    if (IsDetermined(fit.HarmonicFalseAlarm[k]))
      worst = std::max(worst, fit.HarmonicFalseAlarm[k]);
    else if (k >= fit.FixedCount)
      worst = 2;
  }
  std::printf(" | hfap %.3g rival %.4g p %d\n", worst, fit.RivalRatio, fit.Statistics.Parameters);
}

// The objective of model 1 polished from the true frequencies: the optimum of the truth's basin.
double TruthBasinObjective(const ObservationSet& obs,
                           const Truth& truth,
                           const ModelTerms& terms,
                           const FitWeights& weights) {
  ScaledProblem problem;
  const AbscissaScaling scaling = FillScaledProblem(obs, ModelKind::Sum, terms, weights, problem);
  ScaledModel model;
  model.Count = truth.Count - terms.FixedCount;
  for (int k = 0; k < model.Count; ++k)
    model.Omega[k] = truth.B[terms.FixedCount + k] * scaling.Scale;
  RefineFrequencies(problem, model);
  RefineAll(problem, model);
  return ObjectiveInX(obs, ModelKind::Sum, model, scaling, terms, weights);
}

// Whether model 1 comes without a "not to be trusted" note.
bool Trusted(const RefinementResult& result) {
  for (const std::string& note : RefinementNotes(result, ModelKind::Sum)) {
    if (note.rfind("Not to be trusted", 0) == 0) return false;
  }
  return true;
}

// Whether the refined fit of a model comes with the note that its best is unconfirmed.
bool Unconfirmed(const RefinementResult& result, ModelKind kind) {
  for (const std::string& note : RefinementNotes(result, kind)) {
    if (note.rfind("Not certain to be the least-squares optimum (refined)", 0) == 0) return true;
  }
  return false;
}

// Without --family every family but the ones shaped like measured series.
bool Chosen(const std::vector<std::string>& only, const Family& family) {
  if (only.empty()) return !family.Real;
  return std::find(only.begin(), only.end(), family.Name) != only.end();
}

void PrintModelTable(Tally tally[2][kMaxHarmonics + 1]) {
  std::printf(
      "\ntarget families:\nmodel  N  cases  within1e-6  worst-ratio  search<=1%%  above  "
      "ms(n=100, real 240) median/max  starts/hits avg  exact-dev%% max\n");
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
}

// "coverage% (checked, undetermined)", or "-" where nothing was checked.
std::string CoverageText(const Coverage& c) {
  if (!c.Checked) return "-";
  char text[64];
  std::snprintf(text,
                sizeof text,
                "%5.1f%% (%d, %d)",
                100.0 * c.Covered / c.Checked,
                c.Checked,
                c.Undetermined);
  return text;
}

void PrintFamilyTable(const FamilyTally* tally) {
  std::printf(
      "\nfamily       fits  within1e-6  worst-ratio  coverage (checked, undetermined)  "
      "trusted cases' coverage  untrusted\n");
  int fits = 0, within = 0;
  for (int f = 0; f < kFamilyCount; ++f) {
    const FamilyTally& t = tally[f];
    if (!t.Fits) continue;
    if (kFamilies[f].Target) {
      fits += t.Fits;
      within += t.WithinBar;
    }
    std::printf("%-11s %5d %10.1f%% %12.6g  %-32s  %-23s %6.1f%%%s\n",
                kFamilies[f].Name,
                t.Fits,
                100.0 * t.WithinBar / t.Fits,
                t.WorstRatio,
                CoverageText(t.All).c_str(),
                CoverageText(t.Trusted).c_str(),
                100.0 * t.Untrusted / t.Cases,
                kFamilies[f].Target ? "" : "  (not in the target)");
  }
  if (fits) {
    std::printf("target families: %d of %d fits within 1e-6 (%.2f%%)\n",
                within,
                fits,
                100.0 * within / fits);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int replicates = 10;
  int referenceStarts = 0;  // 0: 200 N of each kind
  int onlyN = 0;
  int onlyCase = -1;  // --case R: replicate R alone (with --replicates above R)
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--replicates") && i + 1 < argc) replicates = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--reference-starts") && i + 1 < argc)
      referenceStarts = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--n") && i + 1 < argc) onlyN = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--case") && i + 1 < argc) onlyCase = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--family") && i + 1 < argc) only.push_back(argv[++i]);
    if (!std::strcmp(argv[i], "--detail")) gDetail = true;
    if (!std::strcmp(argv[i], "--fits")) gFits = true;
    if (!std::strcmp(argv[i], "--real")) {
      for (const Family& f : kFamilies) {
        if (f.Real) only.push_back(f.Name);
      }
    }
  }
  constexpr int kCounts[] = {10, 20, 35, 60, 100};
  constexpr int kRealCounts[] = {60, 120, 240, 480};
  // The target families' fits by whether they have at least two observations per parameter:
  // with fewer, the best optimum is mostly noise fitted by nearly as many parameters as points,
  // which one start in thousands finds.
  Reach byPosing[2];
  ClassReach byClass[kClasses];
  Tally tally[2][kMaxHarmonics + 1];
  FamilyTally families[kFamilyCount];
  for (int n = 1; n <= kMaxHarmonics; ++n) {
    if (onlyN && n != onlyN) continue;
    const int starts = referenceStarts > 0 ? referenceStarts : 200 * n;
    for (int fi = 0; fi < kFamilyCount; ++fi) {
      const Family& family = kFamilies[fi];
      if (!Chosen(only, family)) continue;
      ModelTerms terms;
      terms.Constant = family.Constant;
      terms.Trend = family.Trend;
      if (family.KnownYear) {
        terms.FixedCount = 1;
        terms.FixedB[0] = kTwoPi;
      }
      for (int r = 0; r < replicates; ++r) {
        if (onlyCase >= 0 && r != onlyCase) continue;
        std::mt19937_64 rng(1000003ULL * n + 7919ULL * fi + r);
        const int count = family.Real ? kRealCounts[r % 4] : std::max(kCounts[r % 5], 3 * n + 3);
        AppState state;
        RefineOptions options;
        options.Terms = terms;
        Truth truth;
        state.Observations = MakeCase(family, n, count, r % 3, rng, truth, options.Weights);
        state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(n);
        state.Controls.UpDown1 = n;
        state.Controls.ComboBox1 = 10000;
        state.Random.Clock = CaseClock;
        gSeed = 17u + 31u * r + 101u * n;
        if (terms.Any()) {
          HarmonicModel models[2];
          const bool both[2] = {true, true};
          SearchWithTerms(
              state, state.Controls.ComboBox1, n, terms, options.Weights, {}, both, models);
        } else {
          FitBothModels(state, state.Controls.ComboBox1);
        }

        const auto t0 = std::chrono::steady_clock::now();
        const RefinementResult result = RefineBothModels(
            state.Observations, state.Coefficients, state.Observations.MinPeriod, options);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        FamilyTally& ft = families[fi];
        ++ft.Cases;
        const bool trusted = Trusted(result);
        ft.Untrusted += trusted ? 0 : 1;
        if (family.Coverage) CountCoverage(truth, result.Refined[0], ft.All);
        if (family.Coverage && trusted) CountCoverage(truth, result.Refined[0], ft.Trusted);
        if (family.Coverage && gDetail) {
          PrintDetail(family.Name,
                      n,
                      count,
                      trusted,
                      TruthBasinObjective(state.Observations, truth, terms, options.Weights),
                      truth,
                      result.Refined[0]);
        }
        for (int kind = 0; kind < 2; ++kind) {
          const ModelKind mk = static_cast<ModelKind>(kind);
          const ModelFit& refined = result.Refined[kind];
          const ModelFit& search = result.Search[kind];
          const std::uint64_t seed = 0xbe5c0000ULL + 7ULL * r + 1009ULL * n + kind;
          const int fixed = terms.FixedCount;
          const char* source = "multistart";
          const double known = ReferenceOptimum(state.Observations,
                                                mk,
                                                n - fixed,
                                                starts,
                                                seed,
                                                truth.B + fixed,
                                                terms,
                                                options.Weights,
                                                family.Real,
                                                &source);
          if (!(known < refined.Objective)) source = "refined";
          const double reference = std::min(refined.Objective, known);
          const double floor = 1e-18 * SumOfSquares(state.Observations, mk);
          const double gap = (refined.Objective - reference) / std::max(reference, floor);
          const double searchGap = (search.Objective - reference) / std::max(reference, floor);
          ++ft.Fits;
          if (gap <= kGapBar) ++ft.WithinBar;
          ft.WorstRatio = std::max(ft.WorstRatio, 1 + gap);
          if (refined.Objective > search.Objective) {
            std::printf("ABOVE SEARCH: model %d N=%d %s r=%d\n", kind + 1, n, family.Name, r);
          }
          if (gap > kGapBar) {
            std::printf(
                "miss: model %d N=%d %-10s r=%d n=%d gap %.3g (refined %.9g, best %.9g by %s, "
                "starts %d hits %d)\n",
                kind + 1,
                n,
                family.Name,
                r,
                count,
                gap,
                refined.Objective,
                reference,
                source,
                refined.Starts,
                refined.Hits);
          }
          if (family.Real) {
            std::printf(
                "real: model %d N=%d %-8s r=%d n=%3d x=%s gap %9.2e starts %4d hits %3d "
                "%s, %.0f ms both\n",
                kind + 1,
                n,
                family.Name,
                r,
                count,
                r % 3 == 0   ? "years"
                : r % 3 == 1 ? "rows "
                             : "days ",
                gap,
                refined.Starts,
                refined.Hits,
                source,
                ms);
          }
          if (!family.Target) continue;
          const int parameters =
              3 * n - terms.FixedCount + (terms.Constant ? 1 : 0) + (terms.Trend ? 1 : 0);
          Reach& posing = byPosing[count >= 2 * parameters ? 1 : 0];
          ++posing.Fits;
          if (kind == 0) posing.Millis.push_back(ms);
          posing.Within += gap <= kGapBar ? 1 : 0;
          const bool noted = Unconfirmed(result, mk);
          posing.Noted += noted ? 1 : 0;
          posing.MissesNoted += noted && gap > kGapBar ? 1 : 0;
          const bool degenerate = std::any_of(
              refined.Unbounded, refined.Unbounded + kMaxHarmonics, [](bool b) { return b; });
          ClassReach& cr = byClass[ClassOf(double(count) / parameters)];
          Count(degenerate ? cr.Degenerate : cr.Determined, gap <= kGapBar, noted);
          if (gFits) {
            std::printf(
                "fit: per-parameter %.2f gap %.3g model %d N=%d %s r=%d starts %d hits %d %s\n",
                double(count) / parameters,
                gap,
                kind + 1,
                n,
                family.Name,
                r,
                refined.Starts,
                refined.Hits,
                refined.Ended == Termination::StartCap ? "cap" : "hits");
          }
          Tally& t = tally[kind][n];
          ++t.Cases;
          if (gap <= kGapBar) ++t.WithinBar;
          if (searchGap <= 0.01) ++t.SearchWithinPercent;
          t.WorstRatio = std::max(t.WorstRatio, 1 + gap);
          if (count == (family.Real ? 240 : 100)) t.Millis.push_back(ms);
          t.Starts += refined.Starts;
          t.Hits += refined.Hits;
          if (refined.Objective > search.Objective) ++t.AboveSearch;
          if (IsExact(family.Data) && kind == 0) {
            t.WorstExactDeviation =
                std::max(t.WorstExactDeviation, refined.Statistics.RelDeviation);
          }
        }
        std::fflush(stdout);
      }
    }
  }
  PrintModelTable(tally);
  PrintFamilyTable(families);
  for (int posed = 1; posed >= 0; --posed) {
    const Reach& reach = byPosing[posed];
    if (reach.Fits == 0) continue;
    std::printf("  with %s 2 observations per fitted parameter: %d of %d within 1e-6 (%.2f%%)\n",
                posed ? "at least" : "fewer than",
                reach.Within,
                reach.Fits,
                100.0 * reach.Within / reach.Fits);
    std::printf("    \"not certain\" note on %d of them and on %d of their %d misses\n",
                reach.Noted,
                reach.MissesNoted,
                reach.Fits - reach.Within);
    std::vector<double> millis = reach.Millis;
    std::sort(millis.begin(), millis.end());
    if (!millis.empty()) {
      std::printf(
          "    wall ms per case (both models) median %.1f, 90th percentile %.1f, max %.1f\n",
          millis[millis.size() / 2],
          millis[millis.size() * 9 / 10],
          millis.back());
    }
  }
  PrintClassTable(byClass);
  return 0;
}
