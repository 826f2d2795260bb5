#pragma once

#include "core/app_state.h"

// The random trials of harmonic k with the result of SearchHarmonicPlain, bit for bit, and the
// same redraws at the same points, only faster. While harmonic k is searched the working target
// does not change and the draws do not depend on which trials are kept, so the trials are drawn
// a block ahead (kBlockTrials), their closed-form amplitudes and residuals evaluated together in
// vector lanes and on two threads, and the block then scanned strictly in order, refining and
// adopting each trial whose residual does not exceed BestResidual exactly where the plain search
// would. Residuals that the closed form shows to be certainly above the best residual are not
// summed (ExactResidualBound); every residual that can be kept is FitAmplitude's to the bit. During
// every refinement and redraw the state is the plain search's, the generator included; after the
// search the generator has made exactly 2 * TrialCount draws. Allocates nothing. Not reentrant: the
// block lives in static storage.
void SearchHarmonicFast(AppState& state, int k);

// Blocks with fewer sines than this are evaluated on the calling thread alone: below it the
// hand-off to the second thread costs as much as it saves. Measured on two idle cores with full
// blocks: 4 and 10 observations ran as fast on one thread as on two, 20 observations 1.3 times
// and 100 observations 1.7 times faster on two.
inline constexpr int kThreadedSines = 32768;
