#pragma once

#include "fit/engine_choice.h"
#include "sine/sine_kernel.h"
#include "state/app_state.h"

// Fits set 1's first HarmonicCount harmonics for the current FitStage (1: the sum fitted to
// sqrt(y), 2: to y) by random-start search of `depth` trials per harmonic and polishing, normalises
// them and sets RelDeviation. Raises the run-time fault where a division by zero (MinPeriod 0, a
// zero x range, all y zero) or an overflow (data whose squares sum past the doubles) first appears;
// everything changed before the fault stays changed. Computes as `engine` says (the paths this
// CPU runs of it: Runnable).
void FitHarmonics(AppState& state, int depth, const EngineChoice& engine = {});

// Stage 1 (model 2) into set 1, copied to set 2 with its deviation kept in SavedDeviation, then
// stage 2 (model 1) into set 1.
void FitBothModels(AppState& state, int depth, const EngineChoice& engine = {});

// Sets WorkY to the stage's target (sqrt of the positive y in stage 1, y otherwise) minus every
// harmonic of set 1 other than k, by the fit's sine. With k < 0 no harmonic is subtracted.
void BuildWorkingTarget(AppState& state, int k, SineFunction sines);

// Refines every harmonic in turn against the others, adopting strict improvements, until a
// whole pass lowers BestResidual by less than 0.1 %.
void PolishHarmonics(AppState& state, SineFunction sines);

// Makes a >= 0 and b >= 0 and brings c into [0, 2pi) without changing a*sin(b*x + c) at any x.
void NormaliseHarmonic(double& a, double& b, double& c);
