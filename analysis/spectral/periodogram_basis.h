#pragma once

#include <complex>
#include <vector>

#include "analysis/spectral/grid_periodogram.h"
#include "analysis/spectral/spectral_prepared.h"

// What the transform needs of x and the weights alone over one grid (their Fourier sums at
// omega and 2 omega), made once for every y on the same rows: the search's residuals, harmonic
// after harmonic, then cost one transform of a quarter of the size each. `rows` (its Y unused)
// must outlive the basis.
class PeriodogramBasis {
 public:
  PeriodogramBasis(const SpectralSeries& rows, FrequencyGrid grid);
  // FastGridPeriodogram of y (one value per row).
  std::vector<double> Power(const double* y, bool floatingMean) const;

 private:
  SpectralSeries rows_;
  FrequencyGrid grid_;
  PreparedSeries prepared_;  // x less its midpoint, the weights; no y
  bool whole_ = false;       // every row has a finite x and a positive weight
  std::vector<double> theta_;
  std::vector<std::complex<double>> window_;  // the weights' sums, modes 0 .. 2 Size
};
