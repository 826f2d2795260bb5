#pragma once

#include "analysis/harmonic_count.h"
#include "engine/engine.h"

// How many harmonics the engine's data support, for both models: the fit the request describes
// is repeated with N = 1 up to its own N (at most while parameters stay fewer than the
// observations), each refined with the options, and the refined fits compared
// (analysis/harmonic_count.h). The engine's own data and fit are left as they were.
struct CountComparison {
  bool Cancelled = false;
  HarmonicCountTable Models[2];  // [ModelKind]
};

// Throws what Engine::Fit throws, and std::invalid_argument for a request with known periods.
// options.Progress, if set, sees the fraction of the whole comparison and may cancel it.
CountComparison CompareHarmonicCounts(const Engine& engine,
                                      const FitRequest& request,
                                      const RefineOptions& options);
