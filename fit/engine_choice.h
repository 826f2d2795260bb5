#pragma once

#include "sine/sine_kernel.h"

// How a fit computes, as data: each fit is given its choice (FitBothModels, FitRequest::Engine),
// so fits on different threads may each run another. The program fits with the defaults; tests
// and benchmarks pass others to compare the engine with its references.

// How the search pass evaluates its random trials. Both give the same bits; Plain is the
// one-trial-at-a-time reference that tests and benchmarks compare the shipped Fast search with.
enum class SearchMethod { Fast, Plain };

// The sine of every step of the fit (fit/fit_sines.h).
enum class FitSineSource {
  Kernel,   // SinArray on SinePath: the shipped source
  Library,  // std::sin one value at a time: the plain scalar reference for speed comparisons
};

struct EngineChoice {
  SearchMethod Search = SearchMethod::Fast;     // the fast search or its plain reference
  FitSineSource Sines = FitSineSource::Kernel;  // the vectorised sine or the C library's
  SinKernel SinePath = BestSinKernel();         // the kernel's instruction set
  SinKernel TilePath = BestSinKernel();         // the instruction set of the search's screening
  bool SecondThread = true;                     // whether the fast search may use the worker
  bool operator==(const EngineChoice&) const = default;
};

// The choice as this CPU runs it: a path it cannot run is replaced by the fastest one it can.
// A fit runs Runnable(choice); where that differs from choice, the choice was not taken in full.
EngineChoice Runnable(const EngineChoice& choice);
