#include "fit/fit_sines.h"

#include <cmath>

namespace {

void LibrarySines(const double* args, double* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = std::sin(args[i]);
}

}  // namespace

SineFunction FitSinesOf(const EngineChoice& choice) {
  return choice.Sines == FitSineSource::Kernel ? SinArrayOn(choice.SinePath) : LibrarySines;
}
