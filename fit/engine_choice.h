#pragma once

#include "fit/fit_harmonics.h"
#include "fit/fit_sines.h"
#include "sine/sine_kernel.h"

// Every switch of how the fit computes, in one record. The program runs with the defaults; tests
// and benchmarks choose another engine for a scope with ScopedEngineChoice, which restores the
// previous one however the scope ends, so no choice outlives the test that made it.
struct EngineChoice {
  SearchMethod Search = SearchMethod::Fast;     // the fast search or its plain reference
  FitSineSource Sines = FitSineSource::Kernel;  // the vectorised sine or the C library's
  SinKernel SinePath = BestSinKernel();         // the kernel's instruction set
  SinKernel TilePath = BestSinKernel();         // the instruction set of the search's screening
  bool SecondThread = true;                     // whether the fast search may use the worker
};

// The choice in effect now.
EngineChoice EngineChoiceInUse();

// Puts a choice into effect for the guard's lifetime. Paths the CPU cannot run are left as they
// were, and Applied() says so. Not to be made or destroyed while a fit runs.
class ScopedEngineChoice {
 public:
  explicit ScopedEngineChoice(const EngineChoice& choice);
  ~ScopedEngineChoice();
  ScopedEngineChoice(const ScopedEngineChoice&) = delete;
  ScopedEngineChoice& operator=(const ScopedEngineChoice&) = delete;

  // Whether every part of the choice took effect.
  bool Applied() const { return applied_; }

 private:
  EngineChoice previous_;
  bool applied_ = false;
};
