#include "analysis/spectral/spectral_prepared.h"

#include <algorithm>
#include <cmath>

PreparedSeries PrepareSpectralSeries(const SpectralSeries& series, bool floatingMean) {
  PreparedSeries p;
  if (!series.X || !series.Y || series.Count <= 0) return p;
  double lo = INFINITY, hi = -INFINITY, sumW = 0, sumWY = 0;
  for (int i = 0; i < series.Count; ++i) {
    const double w = series.Weights ? series.Weights[i] : 1.0;
    if (!std::isfinite(series.X[i]) || !std::isfinite(series.Y[i]) || !(w > 0) ||
        !std::isfinite(w)) {
      continue;
    }
    lo = std::min(lo, series.X[i]);
    hi = std::max(hi, series.X[i]);
    p.T.push_back(series.X[i]);
    p.W.push_back(w);
    p.WY.push_back(series.Y[i]);
    sumW += w;
    sumWY += w * series.Y[i];
  }
  const double mid = lo + (hi - lo) / 2;
  const double mean = floatingMean && sumW > 0 ? sumWY / sumW : 0.0;
  for (std::size_t i = 0; i < p.T.size(); ++i) {
    p.T[i] -= mid;
    const double centred = p.WY[i] - mean;
    p.WeightedSquares += p.W[i] * centred * centred;
    p.WY[i] = p.W[i] * centred;
  }
  p.TotalWeight = sumW;
  return p;
}
