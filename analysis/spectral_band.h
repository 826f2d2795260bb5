#pragma once

#include "analysis/scaled_fit.h"

// The frequencies the refinement looks at, the sampling's aliases, and whether the data hold a
// sinusoid at all. All frequencies are angular, in the scaled abscissa u of the problem.

// On irregular x the mean-spacing Nyquist frequency is no limit: frequencies well above it stay
// distinguishable. The refinement looks up to this multiple of it (as astropy's Lomb-Scargle
// does by default), which holds a component at 1.1 to 4 times that frequency with room for its
// peak's width.
inline constexpr double kIrregularNyquistFactor = 5;

// A minimum period far below the mean spacing widens the band up to this multiple, no further:
// noise fits as well at any higher frequency, and the periodogram's grid grows with the band.
inline constexpr double kMaxNyquistFactor = 25;

// The band the refinement searches: on a uniform grid its Nyquist frequency (above it the
// frequencies only repeat), and as good as that on a sampling near a grid (calendar months,
// daily dates with times that vary a little): half the frequency of the spectral window's side
// peak there; on irregular x kIrregularNyquistFactor times the mean-spacing
// Nyquist frequency, or searchOmega (from the minimum period) where that is wider, up to
// kMaxNyquistFactor times it.
double RefinementBand(const ScaledProblem& problem, double searchOmega);

// The strongest periodogram peak of the target (its mean removed) in (0, omegaMax], as the share
// of the target's variance one sinusoid explains there, and the chance that noise alone would
// give a peak as high anywhere in the band.
struct PeakDetection {
  double Frequency = 0;   // in u
  double Power = 0;       // share of the sum of squares about the mean, 0..1
  double FalseAlarm = 1;  // probability, or kNotDetermined with fewer than 4 observations
};
PeakDetection DetectPeak(const ScaledProblem& problem, double omegaMax);

// DetectPeak of both stages' problems of one data set (the same abscissa), into peaks, and the
// offsets nu at which the sampling's spectral window |sum exp(i nu u)|^2 has strong side peaks
// (at least a fifth of its height at 0), strongest first, from one pass over the periodogram's
// grid. A sinusoid at omega shows in the periodogram at omega +- nu as well, and one of those
// aliases may come out on top. No aliases on a uniform grid, whose aliases the folding already
// handles. Returns how many (at most maxAliases).
int SurveyBand(const ScaledProblem (&stages)[2],
               double omegaMax,
               PeakDetection (&peaks)[2],
               double* nu,
               int maxAliases);

// Baluev's (2008) approximation of the false-alarm probability of a periodogram peak that explains
// the share z of the residual sum of squares of a model with nullParameters linear parameters,
// by a sinusoid (two more) anywhere up to omegaMax, for count observations at u. kNotDetermined
// when fewer than two degrees of freedom are left.
double PeakFalseAlarm(double z, const double* u, int count, double omegaMax, int nullParameters);
