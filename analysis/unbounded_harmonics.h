#pragma once

#include <string>

#include "analysis/least_squares.h"

// Degenerate fits: where the sum of squares has no finite minimum and is approached only as
// amplitudes grow without bound (two harmonics merging into one frequency and cancelling, a
// frequency near 0 cancelling the constant or the trend), the optimiser stops somewhere on that
// ray with amplitudes of 10^4 to 10^7 that the data do not determine.
//
// The rule: a harmonic whose amplitude exceeds kUnboundedShare times the range of the stage's
// target (y, or sqrt(max(y, 0)) for model 2) can only be there cancelled by other terms; it is
// marked Unbounded, and its A, B, C and period estimates are not Determined. No sinusoid of such
// an amplitude fits data of that range on its own.
inline constexpr double kUnboundedShare = 100;

// Marks fit.Unbounded for the harmonics of fit.Coefficients the rule above finds, against
// observations 0..LastIndex of obs, and takes their estimates' intervals away.
void MarkUnboundedHarmonics(const ObservationSet& obs, ModelKind kind, ModelFit& fit);

// The note for a fit with unbounded harmonics ("Refined: harmonics 2 and 3 merge: the sum of
// squares has no finite minimum ..."), or "" when it has none; span is the data's x range, band
// the refinement's highest frequency (pi / h on a grid of step h, where a frequency merges with
// its mirror image).
std::string UnboundedNote(const char* name, const ModelFit& fit, double span, double band);
