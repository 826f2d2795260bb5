#pragma once

#include "analysis/model_terms.h"
#include "fit/engine_choice.h"
#include "model/harmonic_model.h"
#include "state/app_state.h"

// The search of both models on the data less their terms' least-squares estimates (known
// harmonics, a constant, a trend, weighted where weights are given): each stage takes its own
// target (y, or sqrt(y+) for model 2), removes its terms' estimate and searches the harmonics
// that are not known on what is left, with the search's own code and seeds (stage 1's seed is
// drawn first, as without terms). The table then holds `harmonics` harmonics per model, the known
// ones first; the state's data are the user's again afterwards, also when the search raises its
// fault. models[ModelKind] receive each model whole: the table's harmonics with the constant and
// trend. A model not wanted[ModelKind] is not searched: its stage still draws its seed, so
// that the other's is the same, and its harmonics have amplitude 0 at the band's top frequency.
void SearchWithTerms(AppState& state,
                     int depth,
                     int harmonics,
                     const ModelTerms& terms,
                     const FitWeights& weights,
                     const EngineChoice& engine,
                     const bool wanted[2],
                     HarmonicModel models[2]);
