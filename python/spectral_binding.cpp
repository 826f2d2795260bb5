#include "python/spectral_binding.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <vector>

#include "analysis/spectral/grid_periodogram.h"
#include "analysis/spectral_band.h"

namespace py = pybind11;

namespace {

using Input = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The share z of the sum of squares about the mean at which a peak's false-alarm probability
// is `probability` (it falls as z grows), by bisection.
double LevelFor(double probability, const double* x, int count, double omegaMax) {
  double low = 0, high = 1;
  for (int step = 0; step < 60; ++step) {
    const double mid = 0.5 * (low + high);
    const double alarm = PeakFalseAlarm(mid, x, count, omegaMax, 1);
    if (!(alarm == alarm)) return alarm;  // not determined
    (alarm > probability ? low : high) = mid;
  }
  return 0.5 * (low + high);
}

// The generalised periodogram over omega_k = (k + 1) * step as shares of the (weighted) sum of
// squares about the mean, the peak's false-alarm probability and the powers at which it would
// be each of `probabilities`.
py::dict Periodogram(const Input& x,
                     const Input& y,
                     py::object weights,
                     double step,
                     int size,
                     const std::vector<double>& probabilities) {
  const int count = static_cast<int>(x.size());
  Input w;
  if (!weights.is_none()) w = weights.cast<Input>();
  SpectralSeries series{x.data(), y.data(), weights.is_none() ? nullptr : w.data(), count};
  std::vector<double> power, levels;
  double alarm = 0;
  {
    py::gil_scoped_release release;
    power = GridPeriodogram(series, FrequencyGrid{step, size}, true);
    double sum = 0, mean = 0, total = 0;
    for (int i = 0; i < count; ++i) {
      const double wi = series.Weights ? series.Weights[i] : 1.0;
      sum += wi;
      mean += wi * y.data()[i];
    }
    mean /= sum;
    for (int i = 0; i < count; ++i) {
      const double r = y.data()[i] - mean;
      total += (series.Weights ? series.Weights[i] : 1.0) * r * r;
    }
    for (double& p : power) p = total > 0 ? std::clamp(p / total, 0.0, 1.0) : 0.0;
    const double omegaMax = step * size;
    const double highest = power.empty() ? 0.0 : *std::max_element(power.begin(), power.end());
    alarm = PeakFalseAlarm(highest, x.data(), count, omegaMax, 1);
    for (const double p : probabilities) levels.push_back(LevelFor(p, x.data(), count, omegaMax));
  }
  py::dict out;
  out["power"] = py::array_t<double>(static_cast<py::ssize_t>(power.size()), power.data());
  out["levels"] = py::array_t<double>(static_cast<py::ssize_t>(levels.size()), levels.data());
  out["false_alarm"] = alarm;
  return out;
}

}  // namespace

void BindSpectral(py::module_& module) {
  module.def("periodogram",
             &Periodogram,
             py::arg("x"),
             py::arg("y"),
             py::arg("weights"),
             py::arg("step"),
             py::arg("size"),
             py::arg("probabilities"));
}
