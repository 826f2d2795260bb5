#pragma once

// Every sine the fit evaluates (search, residuals, refinement, polish, working target, relative
// deviation) goes through FitSines, so that one switch decides whether the whole fit runs on the
// vectorised kernel or on the C library's std::sin.

enum class FitSineSource {
  Kernel,   // SinArray: the shipped source
  Library,  // std::sin one value at a time: the plain scalar reference for speed comparisons
};

// out[i] = sin(args[i]) for 0 <= i < count by the source in use; args and out may be the same
// array. The result for a value depends on nothing but that value and the source (for the
// kernel, its path: see sine_kernel.h). Allocates nothing.
void FitSines(const double* args, double* out, int count);

// Chooses the source for every later fit. Tests and benchmarks set it through
// ScopedEngineChoice (fit/engine_choice.h), which restores it; not to be called while a fit runs.
void SetFitSineSource(FitSineSource source);
FitSineSource FitSineSourceInUse();
