#include "fit/search_harmonic_plain.h"

#include "fit/improvement_steps.h"
#include "fit/trial_draws.h"

namespace {
constexpr std::int32_t kTrialsPerCancelCheck = 4096;
}  // namespace

void SearchHarmonicPlain(AppState& state, int k, SineFunction sines) {
  for (std::int32_t t = 1; t <= state.TrialCount; ++t) {
    if (t % kTrialsPerCancelCheck == 0) StopIfCancelled(state);
    for (int s = 0; s <= 1; ++s) {
      DrawTrial(state.Random, state.FreqScale[s], state.Trial.B, state.Trial.C);
      TryTrial(state, k, sines);
    }
  }
}
