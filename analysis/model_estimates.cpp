#include "analysis/model_estimates.h"

#include <Eigen/Dense>
#include <Eigen/SVD>
#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>

#include "fit/fit_sines.h"
#include "model/model_values.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kMaxParameters = 3 * kMaxHarmonics + 1;
using Matrix = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, Eigen::Dynamic, kMaxParameters>;
using Square = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, kMaxParameters, kMaxParameters>;

// Singular values of the column-scaled Jacobian below this share of the largest are taken as
// zero: the directions they belong to are not fixed by the data.
constexpr double kSingularRatio = 1e-10;
// A parameter whose unit direction has more than this squared share in those null directions
// is undetermined.
constexpr double kNullShare = 1e-6;
// x that deviate from a uniform grid by less than this share of its spacing are on it: x written
// with four decimals, months as 2000.0833, deviate by up to 6e-4, and what they could tell
// about frequencies above the grid's Nyquist frequency is noise.
constexpr double kGridTolerance = 1e-3;
// The information criteria take the log of SSE/n; an exact fit would make that -infinity.
constexpr double kMeanSquareFloor = DBL_MIN;

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }
double Determined(double v) { return std::isfinite(v) ? v : kNotDetermined; }

Estimate Undetermined(double value) {
  Estimate e;
  e.Value = Finite(value);
  e.Lower = e.Upper = e.Value;
  return e;
}

Estimate MakeEstimate(double value, double variance, bool determined, double quantile) {
  const double se = std::sqrt(variance);
  if (!determined || !std::isfinite(value) || !std::isfinite(se) || !(variance >= 0)) {
    return Undetermined(value);
  }
  Estimate e;
  e.Value = value;
  e.StdError = se;
  e.Lower = value - quantile * se;
  e.Upper = value + quantile * se;
  e.Determined = std::isfinite(e.Lower) && std::isfinite(e.Upper);
  if (!e.Determined) return Undetermined(value);
  return e;
}

// v_i of the stage's model, S or c0 + S, with the fit's sines as the report takes them.
void StageModel(const ObservationSet& obs, const ModelFit& fit, double* v) {
  HarmonicModel m = fit.Coefficients;
  m.Constant = fit.HasConstant ? fit.Constant.Value : 0.0;
  SumValues(m, obs.PlotX, obs.LastIndex + 1, v, FitSines);
}

// How well the stage's model values follow the data: the model as shown (S, or S^2 for model 2)
// against y, or with `stageSpace` the stage's own model against its own target (S against sqrt(y+)
// for model 2), where the refinement minimises and so can only improve.
ModelStatistics Statistics(const ObservationSet& obs,
                           ModelKind kind,
                           const double* stageModel,
                           int parameters,
                           bool stageSpace) {
  const int count = obs.LastIndex + 1;
  ModelStatistics st;
  st.Parameters = parameters;
  st.DegreesOfFreedom = count - parameters;
  const auto target = [&](int i) {
    return stageSpace ? StageTarget(kind, obs.OrigY[i]) : obs.OrigY[i];
  };
  double mean = 0;
  for (int i = 0; i < count; ++i) mean += target(i);
  mean /= count;
  double sse = 0, sst = 0, misfit = 0, size = 0;
  for (int i = 0; i < count; ++i) {
    double v = stageModel[i];
    if (kind == ModelKind::SquaredSum && !stageSpace) v = v * v;
    const double y = target(i);
    sse += (v - y) * (v - y);
    sst += (y - mean) * (y - mean);
    misfit += std::fabs(v - y);
    size += std::fabs(y);
  }
  // Sums that overflow, constant data and fits without degrees of freedom leave figures that
  // cannot be computed: those stay kNotDetermined rather than taking a plausible-looking 0.
  st.Sse = Determined(sse);
  st.Rmse = Determined(std::sqrt(sse / count));
  if (sst > 0) {
    st.R2 = Determined(1 - sse / sst);
  } else if (sse == 0) {
    st.R2 = 1;  // constant data that the model meets exactly
  }
  st.RelDeviation = size > 0 ? Determined(misfit / size * 100) : kNotDetermined;
  if (st.DegreesOfFreedom <= 0 || !std::isfinite(sse)) return st;
  st.AdjustedR2 = Determined(1 - (1 - st.R2) * (count - 1) / st.DegreesOfFreedom);
  const double logMeanSquare = std::log(std::max(sse / count, kMeanSquareFloor));
  st.Aic = Determined(count * logMeanSquare + 2 * parameters);
  st.Bic = Determined(count * logMeanSquare + parameters * std::log(static_cast<double>(count)));
  return st;
}

}  // namespace

AbscissaScaling ScalingOf(const ObservationSet& obs) {
  AbscissaScaling s;
  if (obs.LastIndex < 0) return s;
  double lo = obs.PlotX[0], hi = obs.PlotX[0];
  for (int i = 1; i <= obs.LastIndex; ++i) {
    lo = std::min(lo, obs.PlotX[i]);
    hi = std::max(hi, obs.PlotX[i]);
  }
  const double centre = lo / 2 + hi / 2;
  const double scale = hi / 2 - lo / 2;
  if (std::isfinite(centre)) s.Centre = centre;
  if (std::isfinite(scale) && scale > 0) s.Scale = scale;
  return s;
}

AbscissaScaling FillScaledProblem(const ObservationSet& obs,
                                  ModelKind kind,
                                  bool constant,
                                  ScaledProblem& problem) {
  const AbscissaScaling scaling = ScalingOf(obs);
  problem.Count = std::max(obs.LastIndex + 1, 0);
  problem.U.Reserve(problem.Count);
  problem.T.Reserve(problem.Count);
  problem.Constant = constant;
  for (int i = 0; i < problem.Count; ++i) {
    problem.U[i] = (obs.PlotX[i] - scaling.Centre) / scaling.Scale;
    problem.T[i] = StageTarget(kind, obs.OrigY[i]);
  }
  problem.AliasPeriod = 0;
  if (problem.Count < 3) return scaling;
  const double first = problem.U[0];
  const double spacing = (problem.U[problem.Count - 1] - first) / (problem.Count - 1);
  if (!(spacing > 0) || !std::isfinite(spacing)) return scaling;
  for (int i = 0; i < problem.Count; ++i) {
    if (!(std::fabs(problem.U[i] - (first + i * spacing)) <= kGridTolerance * spacing)) {
      return scaling;
    }
  }
  problem.AliasPeriod = kTwoPi / spacing;
  return scaling;
}

double StudentQuantile95(int dof) {
  const boost::math::students_t_distribution<double> t(dof);
  return boost::math::quantile(boost::math::complement(t, 0.025));
}

void EvaluateModelFit(const ObservationSet& obs, ModelKind kind, ModelFit& fit) {
  const int count = obs.LastIndex + 1;
  HarmonicModel& h = fit.Coefficients;
  const int n = h.Count;
  const int parameters = 3 * n + (fit.HasConstant ? 1 : 0);
  for (int k = 0; k < kMaxHarmonics; ++k) {
    fit.A[k] = Undetermined(h.A[k]);
    fit.B[k] = Undetermined(h.B[k]);
    fit.C[k] = Undetermined(h.C[k]);
    fit.Period[k] = Undetermined(h.B[k] > 0 ? kTwoPi / h.B[k] : 0.0);
  }
  fit.Constant = Undetermined(fit.HasConstant ? fit.Constant.Value : 0.0);
  if (count <= 0) {
    fit.Objective = 0;
    fit.Statistics = fit.StageStatistics = ModelStatistics{};
    return;
  }

  RowArray stageModel(count);
  StageModel(obs, fit, stageModel);
  double objective = 0;
  for (int i = 0; i < count; ++i) {
    const double r = stageModel[i] - StageTarget(kind, obs.OrigY[i]);
    objective += r * r;
  }
  fit.Objective = std::isfinite(objective) ? objective : std::numeric_limits<double>::infinity();
  fit.Statistics = Statistics(obs, kind, stageModel, parameters, false);
  fit.StageStatistics = Statistics(obs, kind, stageModel, parameters, true);
  const int dof = count - parameters;
  if (dof <= 0 || parameters == 0 || !std::isfinite(objective)) return;

  // The Jacobian in (A, omega, phi) per harmonic and c0, with omega = B * Scale and
  // phi = C + B * Centre, so that its columns are as well conditioned as the data allow.
  const AbscissaScaling scaling = ScalingOf(obs);
  Matrix jacobian(count, parameters);
  for (int k = 0; k < n; ++k) {
    const double omega = h.B[k] * scaling.Scale;
    const double phi = h.C[k] + h.B[k] * scaling.Centre;
    for (int i = 0; i < count; ++i) {
      const double u = (obs.PlotX[i] - scaling.Centre) / scaling.Scale;
      const double arg = omega * u + phi;
      const double s = std::sin(arg), c = std::cos(arg);
      jacobian(i, 3 * k) = s;
      jacobian(i, 3 * k + 1) = h.A[k] * u * c;
      jacobian(i, 3 * k + 2) = h.A[k] * c;
    }
  }
  if (fit.HasConstant) jacobian.col(3 * n).setOnes();
  if (!jacobian.allFinite()) return;

  double norms[kMaxParameters];
  for (int j = 0; j < parameters; ++j) {
    norms[j] = jacobian.col(j).norm();
    if (norms[j] > 0) jacobian.col(j) /= norms[j];
  }
  const Eigen::JacobiSVD<Matrix> svd(jacobian, Eigen::ComputeThinV);
  const auto& singular = svd.singularValues();
  const auto& v = svd.matrixV();
  const double largest = singular.size() > 0 ? singular(0) : 0.0;
  bool determined[kMaxParameters];
  Square covariance = Square::Zero(parameters, parameters);
  const double variance = objective / dof;
  for (int j = 0; j < parameters; ++j) determined[j] = norms[j] > 0;
  for (int l = 0; l < parameters; ++l) {
    const bool null = l >= singular.size() || !(singular(l) > kSingularRatio * largest);
    if (null) {
      for (int j = 0; j < parameters; ++j) {
        if (v(j, l) * v(j, l) > kNullShare) determined[j] = false;
      }
      continue;
    }
    const double weight = variance / (singular(l) * singular(l));
    covariance += weight * v.col(l).head(parameters) * v.col(l).head(parameters).transpose();
  }
  for (int a = 0; a < parameters; ++a) {
    for (int b = 0; b < parameters; ++b) {
      covariance(a, b) =
          norms[a] > 0 && norms[b] > 0 ? covariance(a, b) / (norms[a] * norms[b]) : 0.0;
    }
  }

  const double quantile = StudentQuantile95(dof);
  const double shift = scaling.Centre / scaling.Scale;  // dC/domega = -Centre/Scale
  for (int k = 0; k < n; ++k) {
    const int ia = 3 * k, iw = 3 * k + 1, ip = 3 * k + 2;
    fit.A[k] = MakeEstimate(h.A[k], covariance(ia, ia), determined[ia], quantile);
    const double varB = covariance(iw, iw) / (scaling.Scale * scaling.Scale);
    fit.B[k] = MakeEstimate(h.B[k], varB, determined[iw], quantile);
    const double varC =
        covariance(ip, ip) - 2 * shift * covariance(iw, ip) + shift * shift * covariance(iw, iw);
    fit.C[k] =
        MakeEstimate(h.C[k], varC, determined[ip] && (shift == 0 || determined[iw]), quantile);
    if (h.B[k] > 0) {
      const double period = kTwoPi / h.B[k];
      const double slope = period / h.B[k];  // |dP/dB| = 2pi / B^2
      fit.Period[k] = MakeEstimate(period, slope * slope * varB, determined[iw], quantile);
    }
  }
  if (fit.HasConstant) {
    const int ic = 3 * n;
    fit.Constant = MakeEstimate(fit.Constant.Value, covariance(ic, ic), determined[ic], quantile);
  }
}
