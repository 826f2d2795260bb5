#pragma once

#include <string>

#include "analysis/least_squares.h"

// What a refined fit of a long series leaves behind. A search or refinement that puts two
// harmonics on one line (or stops short of a weaker line) can still end with a low objective
// and no other warning; the residuals then hold a clear line, which their periodogram shows.

// Above this many observations the refined fits get their residual periodogram (the window's
// series, at most 100, keep the notes they always had).
inline constexpr int kResidualLineRows = 100;

// For each refined fit of result (Refined and WithConstant of each model refined): the strongest
// peak of the periodogram of its stage's residuals (floating mean, weighted as the fit), over the
// search's band up to 2 pi / minPeriod at five points per resolution, and its false-alarm
// probability against the fit (Baluev, the fit's parameters as the null model's), into
// ModelFit::ResidualLinePeriod and ResidualLineFalseAlarm. Where the refinement's band stops
// below the search's, the data's own strongest peak over the search's band replaces
// result.PeakFalseAlarm.
void FindResidualLines(const ObservationSet& obs,
                       double minPeriod,
                       const RefineOptions& options,
                       RefinementResult& result);

// "A line at period 9.1 remains in the residuals (with constant) ...; a fit with more harmonics
// would take it." where the fit's residual line is clearer than kTrustFalseAlarm, else "".
std::string ResidualLineText(const ModelFit& fit, const char* which);

// Whether searched harmonic k of fit lies within one resolution (2 pi / span) of another
// harmonic: the two share one line, and neither's false-alarm probability says it is noise.
bool SharesLine(const ModelFit& fit, int k, double span);

// "Harmonics 1 and 2 (refined) lie on one line ..." for each pair sharing a line, or "": or,
// where each of the pair is clearly more than noise beside the other (HarmonicFalseAlarm at most
// kTrustFalseAlarm), "... are two lines ..." for pairs within 1.25 resolutions, whose intervals
// may understate the uncertainty.
std::string SharedLineText(const ModelFit& fit, const char* which, double span);
