#pragma once

#include <vector>

// One series as the periodogram sees it. Weights: w_i = 1 / sigma_i^2, or null for equal ones.
struct SpectralSeries {
  const double* X = nullptr;
  const double* Y = nullptr;
  const double* Weights = nullptr;
  int Count = 0;
};

// Angular frequencies omega_k = (k + 1) * Step, k = 0 .. Size - 1 (B in sin(B x + C)).
struct FrequencyGrid {
  double Step = 0;
  int Size = 0;
};

// At each grid frequency, the (weighted) sum of squares of Y explained by one sinusoid at omega_k
// (least-squares sine and cosine; with floatingMean fitted together with a constant, the
// generalised periodogram; without, Y is taken as it is). Same definition as PeriodogramPower in
// analysis/periodogram.h. Fast (O(n + M log M)) above a size where it pays, the direct sums below
// it.
std::vector<double> GridPeriodogram(const SpectralSeries& series,
                                    FrequencyGrid grid,
                                    bool floatingMean);

// Whether the transform is the faster way for this many rows over this grid.
bool TransformPays(int rows, FrequencyGrid grid);

// The direct O(n M) sums, the reference the fast one is tested against.
std::vector<double> DirectGridPeriodogram(const SpectralSeries& series,
                                          FrequencyGrid grid,
                                          bool floatingMean);

// The transform's way, whatever the size: extirpolation by a non-uniform FFT (nufft.h).
std::vector<double> FastGridPeriodogram(const SpectralSeries& series,
                                        FrequencyGrid grid,
                                        bool floatingMean);
