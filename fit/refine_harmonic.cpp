#include "fit/refine_harmonic.h"

#include "fit/harmonic_model.h"

bool DirectionSearch(AppState& state,
                     double TrialHarmonic::*param,
                     double& step,
                     double h0,
                     RefineProgress& progress) {
  TrialHarmonic& trial = state.Trial;
  bool improved = false;
  step = h0;
  do {
    trial.*param = trial.*param + step;
    const double r = Residual(state.Observations, trial);
    state.TrialResidual = r;
    if (r < progress.Best) {
      progress.Best = r;
      progress.Accepted.*param = trial.*param;
      step = 2 * step;
      improved = true;
    } else {
      trial.*param = progress.Accepted.*param;
      state.TrialResidual = progress.Best;
      step = step / 2;
    }
  } while (h0 < 0 ? step <= -kRefineStep : step >= kRefineStep);
  return improved;
}

bool SearchBothWays(AppState& state,
                    double TrialHarmonic::*param,
                    double& step,
                    RefineProgress& progress) {
  if (DirectionSearch(state, param, step, -kRefineStep, progress)) return true;
  return DirectionSearch(state, param, step, kRefineStep, progress);
}

void RefineHarmonic(AppState& state) {
  RefineProgress progress{state.TrialResidual, state.Trial};
  for (;;) {
    SearchBothWays(state, &TrialHarmonic::C, state.PhaseStep, progress);
    if (SearchBothWays(state, &TrialHarmonic::B, state.FreqStep, progress)) continue;
    state.TrialResidual = FitAmplitude(state.Observations, state.Trial);
    if (state.TrialResidual < progress.Best) {
      progress.Best = state.TrialResidual;
      progress.Accepted.A = state.Trial.A;
      continue;
    }
    state.Trial.A = progress.Accepted.A;
    state.TrialResidual = progress.Best;
    return;
  }
}
