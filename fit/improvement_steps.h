#pragma once

#include "core/app_state.h"

// What the search and the polish do with an improvement: store the trial as harmonic k of set 1
// and show it.

inline void AdoptTrial(AppState& state, int k) {
  state.Coefficients.A[k] = state.Trial.A;
  state.Coefficients.B[k] = state.Trial.B;
  state.Coefficients.C[k] = state.Trial.C;
}

// Calls the window's redraw hook when one is installed.
inline void RequestRedraw(const AppState& state) {
  if (state.Hooks.Redraw) state.Hooks.Redraw();
}
