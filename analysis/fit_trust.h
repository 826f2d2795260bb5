#pragma once

#include "analysis/least_squares.h"
#include "analysis/scaled_fit.h"

// Whether a refined fit's intervals can be taken at their word. They describe the objective's
// curvature at the best optimum found, and do not hold where a harmonic only fits noise (or
// repeats another), nor where another set of frequencies fits about as well.

// Each searched harmonic j of best (n = best.Count) against the fit without it, the other
// frequencies refined afresh: the false-alarm probability of the share of that fit's objective
// harmonic j explains, for a sinusoid anywhere up to omegaMax (Baluev's approximation, which
// counts the search over frequencies). Objectives below floor are rounding and count as floor.
// out[j]; kNotDetermined without degrees of freedom.
void HarmonicFalseAlarms(const ScaledProblem& problem,
                         const ScaledModel& best,
                         double omegaMax,
                         double floor,
                         double* out);

// The largest ratio of an objective to the least one at which one parameter's value still lies
// inside its 95 % profile-likelihood interval: 1 + t^2 / dof, t Student's 97.5 % quantile (the
// F test of one parameter); infinity without degrees of freedom.
double ProfileRatio(int dof);

// The model's frequencies in increasing order, out[0..Count-1].
void SortedFrequencies(const ScaledModel& m, double* out);

// Whether two models of as many harmonics have the same frequencies within tolerance, in any
// order.
bool SameFrequencies(const ScaledModel& a, const ScaledModel& b, double tolerance);

// Whether some frequency of `other` (in u, scale as ScalingOf gives it) lies outside the 95 %
// interval of the harmonic of fit it is matched to (searched harmonics fixed..fixed+n-1, matched
// by least total distance), or, where that interval is not determined, more than tolerance (in u)
// from its value.
bool OutsideIntervals(
    const ScaledModel& other, const ModelFit& fit, int fixed, double scale, double tolerance);
