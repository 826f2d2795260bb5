#pragma once

#include "sine/sine_kernel.h"
#include "state/app_state.h"

// The random trials of harmonic k, evaluated one at a time: the plain version that any faster
// search must match result for result. For t = 1..TrialCount and s = 0 then 1 it draws
// B = r*FreqScale[s] and then C = r'*2pi, fits the amplitude in closed form, and refines and
// adopts into set 1 every trial whose residual does not exceed BestResidual (ties are kept),
// redrawing after each. Expects the working target for k and both FreqScale values in place.
// Every sine by `sines`, the fit's sine.
void SearchHarmonicPlain(AppState& state, int k, SineFunction sines);
