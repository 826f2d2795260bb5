#pragma once

#include <string>
#include <vector>

#include "analysis/least_squares.h"

// What a reader of a refined model must know before trusting it, as English sentences for the
// least-squares window, harmora-fit's report and its JSON `notes`: the data's strongest peak is
// within what noise gives (its false-alarm probability above kTrustFalseAlarm); a harmonic of a
// fit explains no more than noise could; other frequencies fit almost as well
// (ModelFit's HarmonicFalseAlarm and RivalRatio); two harmonics closer than one resolution
// share a line, or are two lines whose intervals may understate the uncertainty; a harmonic
// completes less than half a cycle over the data, standing in for a level or trend; amplitudes grow
// without bound (a fit with no finite minimum); a frequency lies above the search's band; the
// starts ran out, with fewer than two observations per parameter, before the best was confirmed,
// or, with more, the fit is unbounded: either way it is not certain to be the optimum.
// Empty when there is nothing to say.
std::vector<std::string> RefinementNotes(const RefinementResult& result, ModelKind kind);

// For a fit without a constant: the note that its model `number` (1 or 2) parks a searched
// harmonic (after the first fixedCount) at less than half a cycle over the data's span, where it
// carries the data's level; empty when none does.
std::string LevelNote(const HarmonicModel& model, int number, int fixedCount, double span);
