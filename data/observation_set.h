#pragma once

#include <cstdint>

#include "data/random_generator.h"
#include "data/row_array.h"

// Observations (x, y), kept sorted by x after PrepareData, with the ranges and the mean spacing
// that the plot scales and the fit need. Entries above LastIndex are stale. The window's readers
// take at most kObservationCapacity pairs, which the set holds in itself; ReserveObservations
// makes room for more.
struct ObservationSet {
  RowArray X{};
  RowArray WorkY{};            // as read; the working target during a fit
  RowArray PlotX{};            // copy of X taken by PrepareData
  RowArray OrigY{};            // copy of WorkY taken by PrepareData; never fitted over
  std::int32_t LastIndex = 0;  // observations are 0..LastIndex
  double XMin = 0, XMax = 0;
  double YMin = 0, YMax = 0;
  double YAbsMax = 0;
  double Spacing = 0;
  double MinPeriod = 0;
};

// Makes room for `count` observations in every array; those held keep their values.
void ReserveObservations(ObservationSet& obs, int count);

// Sorts X[0..n] (with WorkY) by the plain exchange sort (above kObservationCapacity
// observations, which only numbers given to the engine reach, by a stable sort), derives the
// ranges, Spacing, the copies PlotX and OrigY, and MinPeriod = 2 * Spacing. Requires LastIndex
// >= 1. The caller shows the new minimum period.
void PrepareData(ObservationSet& obs);

// Reseeds the generator and fills the set with 10 points of one random sinusoid, then prepares it.
void MakeRandomSample(ObservationSet& obs, RandomGenerator& random);
