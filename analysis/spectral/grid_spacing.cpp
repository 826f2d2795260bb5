#include "analysis/spectral/grid_spacing.h"

#include <algorithm>
#include <cmath>

namespace {

// Gaps within this share of the step count as one step in the first estimate.
constexpr double kNearStep = 0.1;
// Each pass counts the steps with the spacing the one before fitted; a long gap counted wrongly
// at first comes right once the spacing is good to a share of a step over its length.
constexpr int kPasses = 3;

// The least-squares slope of u against the whole steps of spacing d in each gap; k and u taken
// from their first values so that the sums keep their digits.
double SlopeOverSteps(const double* u, int count, double d) {
  double k = 0, sumK = 0, sumU = 0, sumKK = 0, sumKU = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0) k += std::max(1.0, std::round((u[i] - u[i - 1]) / d));
    const double v = u[i] - u[0];
    sumK += k;
    sumU += v;
    sumKK += k * k;
    sumKU += k * v;
  }
  const double varK = sumKK - sumK * sumK / count;
  const double slope = (sumKU - sumK * sumU / count) / varK;
  return varK > 0 && std::isfinite(slope) && slope > 0 ? slope : 0;
}

}  // namespace

double FittedGridSpacing(const double* u, int count, double step) {
  if (count < 2 || !(step > 0) || !std::isfinite(step)) return 0;
  double near = 0;
  int nearCount = 0;
  for (int i = 1; i < count; ++i) {
    const double gap = u[i] - u[i - 1];
    if (std::fabs(gap - step) <= kNearStep * step) {
      near += gap;
      ++nearCount;
    }
  }
  double d = nearCount > 0 ? near / nearCount : step;
  for (int pass = 0; pass < kPasses && d > 0; ++pass) d = SlopeOverSteps(u, count, d);
  return d;
}
