#pragma once

#include "data/observation_set.h"
#include "model/harmonic_model.h"

// out[i] = sin(args[i]) for 0 <= i < count; args and out may be the same array. The result for a
// value must depend on nothing but that value, so that a model's value at x does not depend on
// which other points are evaluated with it.
using SineArray = void (*)(const double* args, double* out, int count);

// The C library's std::sin, one value at a time: what a user's own code evaluating a copied
// formula computes.
void LibrarySines(const double* args, double* out, int count);

// out[i] = S(x[i]) for 0 <= i < count: the harmonics summed in order of k from 0 (each point's sum
// starting from 0), then the constant and trend terms where they are not zero. Sines by `sines`.
// Allocates nothing; x and out may not overlap.
void SumValues(
    const HarmonicModel& model, const double* x, int count, double* out, SineArray sines);

// out[i] = F(x[i]): S, squared for ModelKind::SquaredSum. The one evaluator of a model.
void ModelValues(
    const HarmonicModel& model, const double* x, int count, double* out, SineArray sines);

// What a stage fits S to: y for model 1, sqrt(y) for y > 0 and 0 otherwise for model 2.
double StageTarget(ModelKind kind, double y);

// The objective a stage minimises over observations 0..LastIndex (PlotX, OrigY): the sum of
// (S(x) - StageTarget(y))^2.
double StageObjective(const HarmonicModel& model, const ObservationSet& obs, SineArray sines);

// The relative deviation in percent, as the fit and the report give it: sum |F(x) - y| / sum |y|
// over observations 0..LastIndex (PlotX, OrigY). Raises the run-time fault where all y are zero or
// a sum leaves the doubles.
double ModelDeviation(const HarmonicModel& model, const ObservationSet& obs, SineArray sines);
