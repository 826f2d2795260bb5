#pragma once

#include "fit/engine_choice.h"
#include "state/app_state.h"

// The random trials of harmonic k with the result of SearchHarmonicPlain, bit for bit, and the
// same redraws at the same points, only faster. While harmonic k is searched the working target
// does not change and the draws do not depend on which trials are kept, so blocks of trials are
// screened ahead of the scan, in vector lanes and on two threads, each tile drawing its own
// trials by jumping the generator to them. Screening proves almost every trial's residual above
// the best residual from a lower bound over the observations of largest |y| (trial_block.h);
// the scan then runs the plain search's own step (TryTrial) on the few left, strictly in draw
// order, with the generator and the trial exactly as the plain search has them. After the search
// the state is the plain search's, the generator having made exactly 2 * TrialCount draws.
// Its sines, tile path and second thread are the engine choice's (the paths this CPU runs of
// it). Allocates nothing. Not reentrant: the blocks live in static storage, one set per thread.
void SearchHarmonicFast(AppState& state, int k, const EngineChoice& engine);

// Blocks with fewer sines than this (trials times observations) are screened on the calling
// thread alone: below it the hand-off to the second thread costs as much as it saves.
inline constexpr int kThreadedSines = 32768;
