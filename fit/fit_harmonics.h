#pragma once

#include "state/app_state.h"

// Fits set 1's first HarmonicCount harmonics for the current FitStage (1: the sum fitted to
// sqrt(y), 2: to y) by random-start search of `depth` trials per harmonic and polishing, normalises
// them and sets RelDeviation. Raises the run-time fault where a division by zero (MinPeriod 0, a
// zero x range, all y zero) or an overflow (data whose squares sum past the doubles) first appears;
// everything changed before the fault stays changed.
void FitHarmonics(AppState& state, int depth);

// Stage 1 (model 2) into set 1, copied to set 2 with its deviation kept in SavedDeviation, then
// stage 2 (model 1) into set 1.
void FitBothModels(AppState& state, int depth);

// Sets WorkY to the stage's target (sqrt of the positive y in stage 1, y otherwise) minus every
// harmonic of set 1 other than k. With k < 0 no harmonic is subtracted.
void BuildWorkingTarget(AppState& state, int k);

// Refines every harmonic in turn against the others, adopting strict improvements, until a
// whole pass lowers BestResidual by less than 0.1 %.
void PolishHarmonics(AppState& state);

// Makes a >= 0 and b >= 0 and brings c into [0, 2pi) without changing a*sin(b*x + c) at any x.
void NormaliseHarmonic(double& a, double& b, double& c);

// How the search pass evaluates its random trials. Both give the same bits; Plain is the
// one-trial-at-a-time reference that tests and benchmarks compare the shipped Fast search with.
enum class SearchMethod { Fast, Plain };

// Chooses the search for every later fit. Tests and benchmarks set it through ScopedEngineChoice
// (fit/engine_choice.h), which restores it; not to be called while a fit runs.
void SetSearchMethod(SearchMethod method);
SearchMethod SearchMethodInUse();
