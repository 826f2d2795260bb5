#pragma once

#include <vector>

#include "analysis/spectral/grid_periodogram.h"

// A series made ready for either periodogram: x less the midpoint of its range (phases of large
// x such as years or 1e6 keep their digits; the power does not depend on the origin), the
// weights (ones when none are given), and w (y - mean) with the weighted mean when it floats.
// Rows with a non-finite value or a weight that is not positive are left out.
struct PreparedSeries {
  std::vector<double> T, W, WY;
  double TotalWeight = 0;
  double WeightedSquares = 0;  // sum w (y - mean)^2: the most any frequency can explain
};

PreparedSeries PrepareSpectralSeries(const SpectralSeries& series, bool floatingMean);
