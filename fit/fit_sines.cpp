#include "fit/fit_sines.h"

#include <cmath>

#include "sine/sine_kernel.h"

namespace {

void LibrarySines(const double* args, double* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = std::sin(args[i]);
}

// Read by the search's second thread as well; it only changes between fits.
FitSineSource gSource = FitSineSource::Kernel;
void (*gSines)(const double*, double*, int) = SinArray;

}  // namespace

void FitSines(const double* args, double* out, int count) { gSines(args, out, count); }

void SetFitSineSource(FitSineSource source) {
  gSource = source;
  gSines = source == FitSineSource::Kernel ? SinArray : LibrarySines;
}

FitSineSource FitSineSourceInUse() { return gSource; }
