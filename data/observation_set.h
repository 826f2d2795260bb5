#pragma once

#include <cstdint>

#include "data/random_generator.h"

inline constexpr int kObservationCapacity = 100;

// Up to 100 observations (x, y), kept sorted by x after PrepareData, with the ranges and the
// mean spacing that the plot scales and the fit need. Entries above LastIndex are stale.
struct ObservationSet {
  double X[kObservationCapacity] = {};
  double WorkY[kObservationCapacity] = {};  // as read; the working target during a fit
  double PlotX[kObservationCapacity] = {};  // copy of X taken by PrepareData
  double OrigY[kObservationCapacity] = {};  // copy of WorkY taken by PrepareData; never fitted over
  std::int32_t LastIndex = 0;               // observations are 0..LastIndex
  double XMin = 0, XMax = 0;
  double YMin = 0, YMax = 0;
  double YAbsMax = 0;
  double Spacing = 0;
  double MinPeriod = 0;
};

// Sorts X[0..n] (with WorkY) by the plain exchange sort, derives the ranges, Spacing, the copies
// PlotX and OrigY, and MinPeriod = 2 * Spacing. Requires LastIndex >= 1. The caller shows the
// new minimum period.
void PrepareData(ObservationSet& obs);

// Reseeds the generator and fills the set with 10 points of one random sinusoid, then prepares it.
void MakeRandomSample(ObservationSet& obs, RandomGenerator& random);
