#pragma once

// A trial harmonic of the search: its residual and its least-squares amplitude.

#include <limits>

#include "data/observation_set.h"
#include "model/harmonic_model.h"
#include "sine/sine_kernel.h"

// Below this sum of squared sines the sine is nearly zero at every x and the least-squares
// amplitude is undetermined.
inline constexpr double kFlatSineFloor = 0.001;

// The residual of a trial whose amplitude is undetermined. It must lose every comparison with a
// real residual whatever the scale of the data, so that such a trial is never kept or adopted; a
// fixed large number would beat data whose squares sum past it.
inline constexpr double kNoAmplitudeResidual = std::numeric_limits<double>::infinity();

// Returns the sum over i = 0..LastIndex of (A*sin(B*X[i] + C) - WorkY[i])^2 for the trial, the
// sines by one call of `sines`, the fit's sine. Changes nothing.
double Residual(const ObservationSet& obs, const TrialHarmonic& trial, SineFunction sines);

// Least-squares amplitude for the trial's frequency and phase against the working target.
// Sets trial.A and returns its residual; when the sines nearly vanish at every x the trial keeps
// its A and gets kNoAmplitudeResidual. Evaluates each sine once (one call of `sines`) and
// allocates nothing. Raises the overflow fault if the amplitude leaves the doubles.
double FitAmplitude(const ObservationSet& obs, TrialHarmonic& trial, SineFunction sines);
