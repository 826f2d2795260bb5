#include "analysis/model_band.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

#include "model/model_values.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int ParameterCount(const CurveModel& m) {
  const int n = m.Coefficients.Count;
  return 3 * n - m.FixedCount + (m.HasConstant ? 1 : 0) + (m.HasTrend ? 1 : 0);
}

std::vector<bool> DeterminedParameters(const ModelFit& fit) {
  std::vector<bool> out;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    out.push_back(fit.A[k].Determined);
    if (k >= fit.FixedCount) out.push_back(fit.B[k].Determined);
    out.push_back(fit.C[k].Determined);
  }
  if (fit.HasConstant) out.push_back(fit.Constant.Determined);
  if (fit.HasTrend) out.push_back(fit.Trend.Determined);
  return out;
}

// d S / d parameter at x, in the covariance's scaled parameters.
void Gradient(const CurveModel& m, double x, double* g) {
  const HarmonicModel& h = m.Coefficients;
  const double u = (x - m.Centre) / m.Scale;
  int next = 0;
  for (int k = 0; k < h.Count; ++k) {
    const double arg = h.B[k] * x + h.C[k];
    const double s = std::sin(arg), c = std::cos(arg);
    g[next++] = s;
    if (k >= m.FixedCount) g[next++] = h.A[k] * u * c;
    g[next++] = h.A[k] * c;
  }
  if (m.HasConstant) g[next++] = 1;
  if (m.HasTrend) g[next++] = u;
}

double Quadratic(const std::vector<double>& covariance, const double* g, int p) {
  double sum = 0;
  for (int a = 0; a < p; ++a) {
    for (int b = 0; b < p; ++b) sum += g[a] * covariance[a * p + b] * g[b];
  }
  return std::max(sum, 0.0);
}

// The interval [s - half, s + half] of S as the model shows it: itself, or its square's range.
void Shown(const CurveModel& m, double s, double half, double& lower, double& upper) {
  lower = s - half;
  upper = s + half;
  if (m.Coefficients.Kind == ModelKind::Sum || !std::isfinite(half)) return;
  const double a = lower * lower, b = upper * upper;
  upper = std::max(a, b);
  lower = lower <= 0 && upper >= 0 ? 0.0 : std::min(a, b);
}

// x's parameters as linear maps of the scaled ones: B = omega / Scale, C = phi - omega * Centre
// / Scale, c1 = t / Scale, c0 = c - t * Centre / Scale. Row-major d(x's) / d(scaled).
std::vector<double> ToXParameters(const CurveModel& model, int p) {
  std::vector<double> t(p * p, 0.0);
  const double shift = model.Centre / model.Scale;
  int next = 0;
  for (int k = 0; k < model.Coefficients.Count; ++k) {
    t[next * p + next] = 1;  // A
    ++next;
    if (k >= model.FixedCount) {
      t[next * p + next] = 1 / model.Scale;  // B from omega
      t[(next + 1) * p + next] = -shift;     // C from omega
      ++next;
    }
    t[next * p + next] = 1;  // C from phi
    ++next;
  }
  const int ic = model.HasConstant ? next++ : -1;
  const int it = model.HasTrend ? next++ : -1;
  if (ic >= 0) t[ic * p + ic] = 1;
  if (it >= 0) {
    t[it * p + it] = 1 / model.Scale;
    if (ic >= 0) t[ic * p + it] = -shift;
  }
  return t;
}

// T C T^T of p x p row-major matrices.
std::vector<double> Congruence(const std::vector<double>& t, const std::vector<double>& c, int p) {
  std::vector<double> tc(p * p, 0.0), out(p * p, 0.0);
  for (int a = 0; a < p; ++a) {
    for (int b = 0; b < p; ++b) {
      for (int j = 0; j < p; ++j) tc[a * p + b] += t[a * p + j] * c[j * p + b];
    }
  }
  for (int a = 0; a < p; ++a) {
    for (int b = 0; b < p; ++b) {
      for (int j = 0; j < p; ++j) out[a * p + b] += tc[a * p + j] * t[b * p + j];
    }
  }
  return out;
}

}  // namespace

CurveModel CurveModelOf(const ModelFit& fit, ModelKind kind) {
  CurveModel m;
  m.Coefficients = fit.Coefficients;
  m.Coefficients.Kind = kind;
  m.HasConstant = fit.HasConstant;
  m.HasTrend = fit.HasTrend;
  m.Coefficients.Constant = fit.HasConstant ? fit.Constant.Value : 0.0;
  m.Coefficients.Trend = fit.HasTrend ? fit.Trend.Value : 0.0;
  m.FixedCount = fit.FixedCount;
  m.Covariance = fit.Covariance;
  m.Centre = fit.CovarianceCentre;
  m.Scale = fit.CovarianceScale;
  m.NoiseVariance = fit.NoiseVariance;
  m.DegreesOfFreedom = fit.Statistics.DegreesOfFreedom;
  m.Weighted = fit.Statistics.Weighted;
  m.ParameterDetermined = DeterminedParameters(fit);
  m.Determined = std::all_of(
      m.ParameterDetermined.begin(), m.ParameterDetermined.end(), [](bool d) { return d; });
  return m;
}

std::vector<std::string> ParameterNames(const CurveModel& model) {
  std::vector<std::string> names;
  for (int k = 0; k < model.Coefficients.Count; ++k) {
    const std::string number = std::to_string(k + 1);
    names.push_back("A" + number);
    if (k >= model.FixedCount) names.push_back("B" + number);
    names.push_back("C" + number);
  }
  if (model.HasConstant) names.push_back("constant");
  if (model.HasTrend) names.push_back("trend");
  return names;
}

std::vector<double> ParameterCovariance(const CurveModel& model) {
  const int p = ParameterCount(model);
  if (static_cast<int>(model.Covariance.size()) != p * p) return {};
  std::vector<double> out = Congruence(ToXParameters(model, p), model.Covariance, p);
  const std::vector<bool>& known = model.ParameterDetermined;
  for (int a = 0; a < p && static_cast<int>(known.size()) == p; ++a) {
    for (int b = 0; b < p; ++b) {
      if (!known[a] || !known[b]) out[a * p + b] = kNaN;
    }
  }
  return out;
}

CurveBands EvaluateBands(
    const CurveModel& model, const double* x, int count, double level, const double* newSigma) {
  CurveBands out;
  out.Value.resize(count);
  HarmonicModel stage = model.Coefficients;
  stage.Kind = ModelKind::Sum;
  std::vector<double> s(count);
  SumValues(stage, x, count, s.data(), LibrarySines);
  ModelValues(model.Coefficients, x, count, out.Value.data(), LibrarySines);
  for (auto* column : {&out.MeanLower, &out.MeanUpper, &out.NewLower, &out.NewUpper}) {
    column->assign(count, kNaN);
  }
  const int p = ParameterCount(model);
  const bool banded = model.Determined && model.DegreesOfFreedom > 0 && level > 0 && level < 1 &&
                      static_cast<int>(model.Covariance.size()) == p * p &&
                      std::isfinite(model.NoiseVariance);
  if (!banded) return out;
  const boost::math::students_t student(model.DegreesOfFreedom);
  const double t = boost::math::quantile(boost::math::complement(student, (1 - level) / 2));
  std::vector<double> g(p);
  for (int i = 0; i < count; ++i) {
    Gradient(model, x[i], g.data());
    const double mean = Quadratic(model.Covariance, g.data(), p);
    Shown(model, s[i], t * std::sqrt(mean), out.MeanLower[i], out.MeanUpper[i]);
    // A new observation's noise in the stage's space: one unit-weight residual's, over its
    // weight when the fit was weighted.
    double noise = model.NoiseVariance;
    if (model.Weighted) {
      const double sigma = newSigma ? newSigma[i] : kNaN;
      const double w = StageWeight(model.Coefficients.Kind, out.Value[i], sigma);
      noise = sigma > 0 ? noise / (w * w) : kNaN;
    }
    Shown(model, s[i], t * std::sqrt(mean + noise), out.NewLower[i], out.NewUpper[i]);
  }
  return out;
}
