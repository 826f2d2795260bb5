#include "fit/search_harmonic_plain.h"

#include <numbers>

#include "fit/harmonic_model.h"
#include "fit/improvement_steps.h"
#include "fit/refine_harmonic.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

}  // namespace

void SearchHarmonicPlain(AppState& state, int k) {
  for (std::int32_t t = 1; t <= state.TrialCount; ++t) {
    for (int s = 0; s <= 1; ++s) {
      state.Trial.B = NextRandom(state.Random) * state.FreqScale[s];
      state.Trial.C = NextRandom(state.Random) * kTwoPi;
      state.TrialResidual = FitAmplitude(state.Observations, state.Trial);
      if (state.TrialResidual > state.BestResidual) continue;
      RefineHarmonic(state);
      state.BestResidual = state.TrialResidual;
      AdoptTrial(state, k);
      RequestRedraw(state);
    }
  }
}
