#pragma once

#include <QString>

#include "analysis/least_squares.h"

// Empty when "Применить" may adopt `shown` (the column shown last) over the refinement
// `refined`; otherwise the sentence that says why not: a refined model with no degrees of
// freedom says nothing about the data, and a harmonic whose amplitude runs away
// (ModelFit::Unbounded) would put 10^4..10^7 amplitudes on the plot that the data do not
// determine.
QString ApplyRefusal(const RefinementResult& refined, const RefinementResult& shown);
