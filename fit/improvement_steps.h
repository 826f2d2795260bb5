#pragma once

#include "fit/refine_harmonic.h"
#include "fit/trial_fit.h"
#include "state/app_state.h"

// What the search and the polish do with an improvement: store the trial as harmonic k of set 1
// and show it.

inline void AdoptTrial(AppState& state, int k) {
  state.Coefficients.A[k] = state.Trial.A;
  state.Coefficients.B[k] = state.Trial.B;
  state.Coefficients.C[k] = state.Trial.C;
}

// The refinement's view of the state, with the fit's sine.
inline RefineFields RefineFieldsOf(AppState& state, SineFunction sines) {
  return {
      state.Observations, state.Trial, state.TrialResidual, state.PhaseStep, state.FreqStep, sines};
}

// Calls the window's redraw hook when one is installed.
inline void RequestRedraw(const AppState& state) {
  if (state.Hooks.Redraw) state.Hooks.Redraw();
}

// Raises FitCancelled when the fit's caller asked it to stop; the search calls it between blocks of
// trials and the polish between passes, which changes nothing of what they compute.
inline void StopIfCancelled(const AppState& state) { StopIfCancelled(state.Hooks.Cancelled); }

// The search's step for one drawn trial, the same in the plain and the fast search: fits the
// amplitude of state.Trial's frequency and phase, and when its residual does not exceed
// BestResidual (ties are kept) refines it, makes it the best and adopts it as harmonic k, then
// redraws. Raises the overflow fault where FitAmplitude does.
inline void TryTrial(AppState& state, int k, SineFunction sines) {
  state.TrialResidual = FitAmplitude(state.Observations, state.Trial, sines);
  if (state.TrialResidual > state.BestResidual) return;
  RefineHarmonic(RefineFieldsOf(state, sines));
  state.BestResidual = state.TrialResidual;
  AdoptTrial(state, k);
  RequestRedraw(state);
}
