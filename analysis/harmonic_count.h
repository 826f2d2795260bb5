#pragma once

#include <vector>

#include "analysis/least_squares.h"

// How many harmonics the data support: the refined fits of one model with N = 1, 2, ... harmonics
// on the same data, compared in the stage's own space (where each objective was minimised).

struct HarmonicCountRow {
  int Harmonics = 0;
  double Sse = kNotDetermined;  // the stage's objective at the refined optimum
  double Bic = kNotDetermined;
  int DegreesOfFreedom = 0;
  // The N-th harmonic against the fit without it. FTest: the F test as if its frequency had been
  // known beforehand (too small a p-value when it was searched for). FalseAlarm: the chance that
  // noise alone explains as much with a sinusoid anywhere in the band (Baluev's approximation,
  // which counts the search over frequencies); the one to trust for a harmonic found by searching.
  double FTest = kNotDetermined;
  double FalseAlarm = kNotDetermined;
};

struct HarmonicCountTable {
  std::vector<HarmonicCountRow> Rows;  // N = 1, 2, ... in order
  // The N of least BIC among those whose last harmonic is significant against N - 1 (false-alarm
  // probability at most kTrustFalseAlarm): BIC counts a frequency as one parameter, but one
  // picked from a wide band fits noise far better than that, so BIC alone adds harmonics that
  // noise explains. Only the last harmonic is asked: with several weak components the first,
  // tested against the rest as noise, may not stand out alone. 0 when no N qualifies.
  int Recommended = 0;
};

// Compares fits[k] (N = k + 1 searched harmonics, all of one model kind, with the same terms) for
// `count` observations at x. nullSse is the objective of the terms alone (the target's sum of
// squares without terms; weighted as the fits are). band is the highest
// angular frequency B the refinement looked at.
HarmonicCountTable CompareHarmonicCounts(
    const std::vector<ModelFit>& fits, double nullSse, const double* x, int count, double band);
