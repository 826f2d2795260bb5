#include "python/curve_binding.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <limits>
#include <string>

#include "analysis/model_band.h"

namespace py = pybind11;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Array = py::array_t<double>;
using Input = py::array_t<double, py::array::c_style | py::array::forcecast>;

const ModelFit* RefinedFit(const SeriesFit& f, int m) {
  return f.Fitted && f.Refined ? &f.Refinement.Refined[m] : nullptr;
}

// (series, P, P) filled from each series' matrix of P * P values, NaN where it has none.
template <typename Matrix>
Array Stack(const std::vector<SeriesFit>& fits, int m, int p, Matrix matrix) {
  Array out({static_cast<py::ssize_t>(fits.size()), py::ssize_t{p}, py::ssize_t{p}});
  double* at = out.mutable_data();
  for (const SeriesFit& f : fits) {
    const ModelFit* fit = RefinedFit(f, m);
    const std::vector<double> values =
        fit ? matrix(*fit) : std::vector<double>(static_cast<std::size_t>(p) * p, kNaN);
    const bool whole = values.size() == static_cast<std::size_t>(p) * p;
    for (int i = 0; i < p * p; ++i) *at++ = whole ? values[i] : kNaN;
  }
  return out;
}

template <typename Value>
Array PerSeries(const std::vector<SeriesFit>& fits, int m, Value value) {
  Array out(static_cast<py::ssize_t>(fits.size()));
  for (std::size_t s = 0; s < fits.size(); ++s) {
    const ModelFit* fit = RefinedFit(fits[s], m);
    out.mutable_at(s) = fit ? value(*fit) : kNaN;
  }
  return out;
}

// The coefficients (A, B, C of length N) of a one-series model dict.
void ReadHarmonics(const py::dict& model, HarmonicModel& h) {
  // A refined model's shown A, B, C are NaN where a harmonic is unbounded; its curve is the fit's.
  const bool raw = model.contains("_A");
  const Input a = model[raw ? "_A" : "A"].cast<Input>(), b = model[raw ? "_B" : "B"].cast<Input>(),
              c = model[raw ? "_C" : "C"].cast<Input>();
  h.Count = static_cast<int>(std::min<py::ssize_t>(a.size(), kMaxHarmonics));
  for (int k = 0; k < h.Count; ++k) {
    h.A[k] = a.at(k);
    h.B[k] = b.at(k);
    h.C[k] = c.at(k);
  }
}

// One series' model as its dict holds it: the search's (no covariance) or the refinement's.
CurveModel ModelOfDict(const py::dict& model, int kind) {
  CurveModel m;
  ReadHarmonics(model, m.Coefficients);
  m.Coefficients.Kind = static_cast<ModelKind>(kind);
  const auto number = [&model](const char* key, double otherwise) {
    return model.contains(key) ? model[key].cast<double>() : otherwise;
  };
  m.Coefficients.Constant = number("constant", 0.0);
  m.Coefficients.Trend = number("trend", 0.0);
  if (!model.contains("_covariance_u")) return m;
  m.HasConstant = model.contains("constant_se");
  m.HasTrend = model.contains("trend_se");
  const Input covariance = model["_covariance_u"].cast<Input>();
  m.Covariance.assign(covariance.data(), covariance.data() + covariance.size());
  m.FixedCount = model["_fixed"].cast<int>();
  m.Centre = number("_centre", 0.0);
  m.Scale = number("_scale", 1.0);
  m.NoiseVariance = number("_noise", kNaN);
  m.DegreesOfFreedom = model["df"].cast<int>();
  m.Weighted = model["_weighted"].cast<bool>();
  m.Determined = model["_determined"].cast<double>() != 0;
  return m;
}

Array ToArray(const std::vector<double>& values) {
  return Array(static_cast<py::ssize_t>(values.size()), values.data());
}

py::dict Bands(const py::dict& model, int kind, const Input& x, double level, py::object sigma) {
  const CurveModel m = ModelOfDict(model, kind);
  Input newSigma;
  if (!sigma.is_none()) {
    newSigma = sigma.cast<Input>();
    if (newSigma.size() != x.size()) throw py::value_error("sigma must be shaped as x");
  }
  CurveBands bands;
  {
    py::gil_scoped_release release;
    bands = EvaluateBands(m,
                          x.data(),
                          static_cast<int>(x.size()),
                          level,
                          sigma.is_none() ? nullptr : newSigma.data());
  }
  py::dict out;
  out["value"] = ToArray(bands.Value);
  out["mean_lower"] = ToArray(bands.MeanLower);
  out["mean_upper"] = ToArray(bands.MeanUpper);
  out["obs_lower"] = ToArray(bands.NewLower);
  out["obs_upper"] = ToArray(bands.NewUpper);
  return out;
}

}  // namespace

void AddCovariance(py::dict& model, const std::vector<SeriesFit>& fits, int m) {
  // Every series of a call has the same terms and harmonic count: the first refined one names
  // the parameters.
  const auto first = std::find_if(
      fits.begin(), fits.end(), [m](const SeriesFit& f) { return RefinedFit(f, m) != nullptr; });
  if (first == fits.end()) return;
  const CurveModel shape = CurveModelOf(first->Refinement.Refined[m], static_cast<ModelKind>(m));
  const std::vector<std::string> names = ParameterNames(shape);
  const int p = static_cast<int>(names.size());
  const auto curve = [m](const ModelFit& fit) {
    return CurveModelOf(fit, static_cast<ModelKind>(m));
  };
  model["parameters"] = py::tuple(py::cast(names));
  model["covariance"] =
      Stack(fits, m, p, [&](const ModelFit& fit) { return ParameterCovariance(curve(fit)); });
  model["_covariance_u"] = Stack(fits, m, p, [](const ModelFit& fit) { return fit.Covariance; });
  model["_centre"] = PerSeries(fits, m, [](const ModelFit& f) { return f.CovarianceCentre; });
  model["_scale"] = PerSeries(fits, m, [](const ModelFit& f) { return f.CovarianceScale; });
  model["_noise"] = PerSeries(fits, m, [](const ModelFit& f) { return f.NoiseVariance; });
  model["_determined"] =
      PerSeries(fits, m, [&](const ModelFit& f) { return curve(f).Determined ? 1.0 : 0.0; });
  model["_fixed"] = shape.FixedCount;
  model["_weighted"] = shape.Weighted;
}

void BindCurves(py::module_& module) {
  module.def("curve_bands",
             &Bands,
             py::arg("model"),
             py::arg("kind"),
             py::arg("x"),
             py::arg("level"),
             py::arg("sigma"));
}
