#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"

// Many short series fitted at once: one Engine per worker thread, each series fitted exactly as
// one Engine fits it alone, so the result of a series depends on its data and its seeds only,
// never on the number of threads or on the order in which the workers take the series.

// What every series is fitted with.
struct ManyRequest {
  int Harmonics = 1;
  int Depth = 10000;
  SearchKind Search = SearchKind::Auto;
  double MinPeriod = 0;  // 0 or less: each series' own (twice its mean x spacing)
  // Series i is fitted with the stage seeds (Seeds[0] + 2i, Seeds[1] + 2i) modulo 2^32: with the
  // default second seed S1 + 1 the series take the consecutive seeds S1, S1+1, S1+2, ... and
  // series i can be fitted again alone with those two seeds.
  std::uint32_t Seeds[2] = {0, 1};
  bool Refine = false;
  bool WithConstant = false;  // with Refine: also the constant-term fits
  double RefineBudget = 1;    // with Refine: RefineOptions::StartBudget
  // Terms and weights, as FitRequest takes them.
  bool Constant = false, Trend = false;
  std::vector<double> Periods;
  double Sigma = 0;
  bool AbsoluteSigma = false;
  // Each observation's sigma, laid out as y (series after series), or null; a pair whose sigma is
  // not finite is left out as missing.
  const double* SigmaValues = nullptr;
  bool Models[2] = {true, true};  // as FitRequest takes them
  // Asked from the workers as FitRequest::Cancelled is; true ends every series being fitted
  // (Error "cancelled") and starts no other.
  CancelCheck Cancelled;
};

// One series' outcome. A series that cannot be fitted (fewer than 4 finite pairs, a fault of the
// fit) is not an error of the whole call: Fitted is false and Error says why.
struct SeriesFit {
  bool Fitted = false;
  std::string Error;
  FitResult Fit;
  bool Refined = false;
  RefinementResult Refinement;
};

// Called now and then from a worker thread with the number of series finished so far; returning
// false stops the workers: the series being fitted end where they stand and, with the rest, keep
// Fitted false with Error "cancelled". Calls never overlap.
using ManyProgress = std::function<bool(std::size_t done)>;

// The stage seeds series `index` is fitted with under `request`.
void SeriesSeeds(const ManyRequest& request, std::size_t index, std::uint32_t seeds[2]);

// The fit of series `index` under `request`: its settings, terms and weights, and its seeds. The
// one place a FitRequest is made from shared settings (fit_many, harmora-fit).
FitRequest SeriesRequest(const ManyRequest& request, std::size_t index);

// Fits `series` series sharing the abscissae x: y holds series * x.size() values, series after
// series. Pairs where x or y is not finite are left out (NaN marks a missing observation).
// threads <= 0 uses one per CPU the process may use (its affinity mask, not the machine's core
// count). On more than one thread each series is fitted on its thread alone, the search's second
// thread off. Throws std::invalid_argument for a request out of range or more than
// kMaxEngineObservations abscissae.
std::vector<SeriesFit> FitMany(const std::vector<double>& x,
                               const double* y,
                               std::size_t series,
                               const ManyRequest& request,
                               int threads,
                               const ManyProgress& progress = {});
