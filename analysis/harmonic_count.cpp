#include "analysis/harmonic_count.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <cmath>

#include "analysis/spectral_band.h"

namespace {

// The upper tail of F(d1, d2) at f, or kNotDetermined.
double FTail(double f, int d1, int d2) {
  if (!(d2 >= 1) || !std::isfinite(f)) return kNotDetermined;
  if (f <= 0) return 1;
  try {
    return boost::math::cdf(boost::math::complement(boost::math::fisher_f(d1, d2), f));
  } catch (const std::exception&) {
    return kNotDetermined;
  }
}

}  // namespace

HarmonicCountTable CompareHarmonicCounts(
    const std::vector<ModelFit>& fits, double nullSse, const double* x, int count, double band) {
  HarmonicCountTable table;
  double previousSse = nullSse;
  // The model without harmonics keeps the terms: all the first fit's parameters but its
  // harmonic's three.
  int previousParameters = fits.empty() ? 0 : fits.front().StageStatistics.Parameters - 3;
  double bestBic = kNotDetermined;
  for (std::size_t k = 0; k < fits.size(); ++k) {
    const ModelFit& fit = fits[k];
    const ModelStatistics& s = fit.StageStatistics;
    HarmonicCountRow row;
    row.Harmonics = static_cast<int>(k) + 1;
    row.Sse = s.Sse;
    row.Bic = s.DegreesOfFreedom > 0 ? s.Bic : kNotDetermined;
    row.DegreesOfFreedom = s.DegreesOfFreedom;
    const double drop = previousSse - s.Sse;
    if (IsDetermined(drop) && IsDetermined(s.Sse) && s.DegreesOfFreedom > 0 && s.Sse > 0) {
      const int added = s.Parameters - previousParameters;
      row.FTest = FTail((drop / added) / (s.Sse / s.DegreesOfFreedom), added, s.DegreesOfFreedom);
      if (previousSse > 0) {
        row.FalseAlarm =
            PeakFalseAlarm(std::max(drop, 0.0) / previousSse, x, count, band, previousParameters);
      }
    }
    if (row.FalseAlarm <= kTrustFalseAlarm && IsDetermined(row.Bic) && !(row.Bic >= bestBic)) {
      bestBic = row.Bic;
      table.Recommended = row.Harmonics;
    }
    table.Rows.push_back(row);
    previousSse = s.Sse;
    previousParameters = s.Parameters;
  }
  return table;
}
