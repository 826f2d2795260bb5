#include "python/residual_binding.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace py = pybind11;

std::vector<SeriesData> SeriesDataOf(const std::vector<double>& x,
                                     const double* y,
                                     const double* sigma,
                                     double sigmaValue,
                                     std::size_t series) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (std::isfinite(x[i])) order.push_back(i);
  }
  std::stable_sort(
      order.begin(), order.end(), [&x](std::size_t a, std::size_t b) { return x[a] < x[b]; });
  std::vector<SeriesData> out(series);
  for (std::size_t s = 0; s < series; ++s) {
    const double* row = y + s * x.size();
    const double* weights = sigma ? sigma + s * x.size() : nullptr;
    for (const std::size_t i : order) {
      if (!std::isfinite(row[i])) continue;
      if (weights && !std::isfinite(weights[i])) continue;
      out[s].X.push_back(x[i]);
      out[s].Y.push_back(row[i]);
      if (weights || sigmaValue > 0) out[s].Sigma.push_back(weights ? weights[i] : sigmaValue);
    }
  }
  return out;
}

std::vector<SeriesCorrelation> CorrelateResiduals(std::vector<SeriesFit>& fits,
                                                  const std::vector<SeriesData>& data,
                                                  bool hac) {
  std::vector<SeriesCorrelation> out(fits.size());
  for (std::size_t s = 0; s < fits.size() && s < data.size(); ++s) {
    if (!fits[s].Fitted || !fits[s].Refined) continue;
    const SeriesData& d = data[s];
    for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
      const int m = static_cast<int>(kind);
      ModelFit& fit = fits[s].Refinement.Refined[m];
      out[s][m] = ResidualCorrelationOf(fit,
                                        kind,
                                        d.X.data(),
                                        d.Y.data(),
                                        d.Sigma.empty() ? nullptr : d.Sigma.data(),
                                        static_cast<int>(d.X.size()),
                                        hac);
      UseHacCovariance(fit, kind, out[s][m]);
    }
  }
  return out;
}

void AddResidualCorrelation(py::dict& refined,
                            const std::vector<SeriesFit>& fits,
                            const std::vector<SeriesCorrelation>& correlations,
                            bool hac) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const auto n = static_cast<py::ssize_t>(correlations.size());
  for (int m = 0; m < 2; ++m) {
    py::array_t<double> lag1(n), durbinWatson(n);
    py::array_t<std::int64_t> lags(n);
    py::array_t<bool> large(n);
    for (py::ssize_t s = 0; s < n; ++s) {
      const bool has = fits[s].Fitted && fits[s].Refined;
      const ResidualCorrelation& r = correlations[s][m];
      lag1.mutable_at(s) = has ? r.Lag1 : kNaN;
      durbinWatson.mutable_at(s) = has ? r.DurbinWatson : kNaN;
      lags.mutable_at(s) = r.Lags;
      large.mutable_at(s) = has && r.Large;
    }
    const char* name = m == 0 ? "model1" : "model2";
    if (!refined.contains(name)) continue;  // a model left out
    py::dict model = refined[name];
    model["lag1_autocorrelation"] = lag1;
    model["durbin_watson"] = durbinWatson;
    model["errors"] = hac ? "hac" : "ordinary";
    model["_autocorrelated"] = large;
    if (hac) model["hac_lags"] = lags;
  }
}
