#pragma once

#include "analysis/model_terms.h"
#include "base/fit_cancelled.h"
#include "data/observation_set.h"
#include "model/harmonic_model.h"

// A search of both models led by the periodogram, for series too long for random trials (whose
// count does not grow with the resolution cells of the band): each stage's target (y, or
// sqrt(max(y, 0)) for model 2) less its terms gets its harmonics one at a time, each at the best
// of the strongest peaks of what the harmonics so far leave, all frequencies refined together
// after each one. Trying a few peaks, not only the highest, lets a line win over its aliases on
// gapped or jittered sampling, where noise can lift an alias above the line. The band is the
// random search's, up to 2*pi/minPeriod, sampled at kPeakGridPerResolution points per resolution
// (2*pi over the data's span).
//
// models[ModelKind] receive each model whole: `harmonics` harmonics, the terms' known ones
// first, with the constant and trend. Deterministic: the same data give the same bits, on one
// thread or two. `cancelled` is asked between peaks and refinements (FitCancelled ends the search).
inline constexpr double kPeakGridPerResolution = 5;
void PeriodogramSearch(const ObservationSet& obs,
                       int harmonics,
                       const ModelTerms& terms,
                       const FitWeights& weights,
                       double minPeriod,
                       const bool wanted[2],
                       HarmonicModel models[2],
                       const CancelCheck& cancelled = {});
