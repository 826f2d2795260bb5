#include "analysis/model_estimates.h"

#include <Eigen/Dense>
#include <Eigen/SVD>
#include <algorithm>
#include <array>
#include <boost/math/distributions/students_t.hpp>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <type_traits>

#include "analysis/unbounded_harmonics.h"
#include "fit/fit_harmonics.h"
#include "model/model_values.h"
#include "sine/sine_kernel.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kMaxParameters = 3 * kMaxHarmonics + 2;
using Matrix = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, Eigen::Dynamic, kMaxParameters>;
using Square = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, kMaxParameters, kMaxParameters>;
// Sets of up to this many observations keep the Jacobian and its decomposition on the stack:
// there the heap's blocks would cost more than the work (a few kilobytes of stack).
constexpr int kSmallRows = 32;
using SmallMatrix = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, kSmallRows, kMaxParameters>;

// Singular values of the column-scaled Jacobian below this share of the largest are taken as
// zero: the directions they belong to are not fixed by the data.
constexpr double kSingularRatio = 1e-10;
// A parameter whose unit direction has more than this squared share in those null directions
// is undetermined.
constexpr double kNullShare = 1e-6;
// Student's quantile is tabled up to this many degrees of freedom.
constexpr int kTabledDof = 64;
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

// A value that is given, not fitted: exact.
Estimate Exact(double value) {
  Estimate e;
  e.Value = e.Lower = e.Upper = Finite(value);
  e.Determined = true;
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

// The period's interval is the frequency's mapped through 2pi/B, not the linearised one, which
// is symmetric and reaches below 0 where B is poorly known. Where B's interval reaches 0, no
// finite period bounds it: the period is then not determined.
Estimate PeriodEstimate(const Estimate& frequency, Estimate period) {
  if (!period.Determined) return period;
  if (!frequency.Determined || !(frequency.Lower > 0)) return Undetermined(period.Value);
  period.Lower = kTwoPi / frequency.Upper;
  period.Upper = kTwoPi / frequency.Lower;
  if (!std::isfinite(period.Upper)) return Undetermined(period.Value);
  return period;
}

// v_i of the stage's model, S with its terms, with the fit's sines as the report takes them.
void StageModel(const ObservationSet& obs, const ModelFit& fit, double* v) {
  HarmonicModel m = fit.Coefficients;
  m.Constant = fit.HasConstant ? fit.Constant.Value : 0.0;
  m.Trend = fit.HasTrend ? fit.Trend.Value : 0.0;
  SumValues(m, obs.PlotX, obs.LastIndex + 1, v, SinArray);
}

// The figures that need degrees of freedom and a finite sse: the reduced chi-square (weighted),
// the adjusted R2, AIC and BIC.
void SetCriteria(ModelStatistics& st, double sse, int count, bool weighted) {
  if (st.DegreesOfFreedom <= 0 || !std::isfinite(sse)) return;
  const int parameters = st.Parameters;
  if (weighted) st.ReducedChi2 = Determined(sse / st.DegreesOfFreedom);
  st.AdjustedR2 = Determined(1 - (1 - st.R2) * (count - 1) / st.DegreesOfFreedom);
  const double logMeanSquare = std::log(std::max(sse / count, kMeanSquareFloor));
  st.Aic = Determined(count * logMeanSquare + 2 * parameters);
  st.Bic = Determined(count * logMeanSquare + parameters * std::log(static_cast<double>(count)));
}

// How well the stage's model values follow the data: the model as shown (S, or S^2 for model 2)
// against y, or with `stageSpace` the stage's own model against its own target (S against sqrt(y+)
// for model 2), where the refinement minimises and so can only improve. w: the observations'
// weights in that space, or null.
ModelStatistics Statistics(const ObservationSet& obs,
                           ModelKind kind,
                           const double* stageModel,
                           int parameters,
                           bool stageSpace,
                           const double* w) {
  const int count = obs.LastIndex + 1;
  ModelStatistics st;
  st.Parameters = parameters;
  st.DegreesOfFreedom = count - parameters;
  st.Weighted = w != nullptr;
  const auto target = [&](int i) {
    return stageSpace ? StageTarget(kind, obs.OrigY[i]) : obs.OrigY[i];
  };
  const auto weight = [w](int i) { return w ? w[i] * w[i] : 1.0; };
  double mean = 0, weights = 0;
  for (int i = 0; i < count; ++i) {
    mean += w ? weight(i) * target(i) : target(i);
    weights += weight(i);
  }
  mean /= weights;
  double sse = 0, plainSse = 0, sst = 0, misfit = 0, size = 0;
  for (int i = 0; i < count; ++i) {
    double v = stageModel[i];
    if (kind == ModelKind::SquaredSum && !stageSpace) v = v * v;
    const double y = target(i);
    plainSse += (v - y) * (v - y);
    sse += w ? weight(i) * (v - y) * (v - y) : (v - y) * (v - y);
    sst += w ? weight(i) * (y - mean) * (y - mean) : (y - mean) * (y - mean);
    misfit += std::fabs(v - y);
    size += std::fabs(y);
  }
  // Sums that overflow, constant data and fits without degrees of freedom leave figures that
  // cannot be computed: those stay kNotDetermined rather than taking a plausible-looking 0.
  st.Sse = Determined(sse);
  st.Rmse = Determined(std::sqrt(plainSse / count));
  if (sst > 0) {
    st.R2 = Determined(1 - sse / sst);
  } else if (sse == 0) {
    st.R2 = 1;  // constant data that the model meets exactly
  }
  st.RelDeviation = size > 0 ? Determined(misfit / size * 100) : kNotDetermined;
  if (w) st.Chi2 = st.Sse;
  SetCriteria(st, sse, count, w != nullptr);
  return st;
}

}  // namespace

bool HasWeights(const ObservationSet& obs, const FitWeights& weights) {
  return weights.Any() && weights.Sigma.size() >= static_cast<std::size_t>(obs.LastIndex + 1);
}

namespace {

double ComputedQuantile95(int dof) {
  const boost::math::students_t_distribution<double> t(dof);
  return boost::math::quantile(boost::math::complement(t, 0.025));
}

}  // namespace

double StudentQuantile95(int dof) {
  // Tabled once for the degrees of freedom of small sets: the quantile's series cost more than
  // the rest of a small fit's statistics.
  static const std::array<double, kTabledDof + 1> table = [] {
    std::array<double, kTabledDof + 1> t{};
    for (int d = 1; d <= kTabledDof; ++d) t[d] = ComputedQuantile95(d);
    return t;
  }();
  return dof >= 1 && dof <= kTabledDof ? table[dof] : ComputedQuantile95(dof);
}

namespace {

// Every estimate as its value alone, undetermined; the known frequencies and their periods exact.
void ResetEstimates(ModelFit& fit, int fixed) {
  const HarmonicModel& h = fit.Coefficients;
  for (int k = 0; k < kMaxHarmonics; ++k) {
    fit.A[k] = Undetermined(h.A[k]);
    fit.B[k] = Undetermined(h.B[k]);
    fit.C[k] = Undetermined(h.C[k]);
    fit.Period[k] = Undetermined(h.B[k] > 0 ? kTwoPi / h.B[k] : 0.0);
  }
  for (int k = 0; k < fixed; ++k) {  // known exactly: given, not fitted
    fit.B[k] = Exact(h.B[k]);
    if (h.B[k] > 0) fit.Period[k] = Exact(kTwoPi / h.B[k]);
  }
  fit.Constant = Undetermined(fit.HasConstant ? fit.Constant.Value : 0.0);
  fit.Trend = Undetermined(fit.HasTrend ? fit.Trend.Value : 0.0);
  fit.Covariance.clear();
  fit.NoiseVariance = kNotDetermined;
}

// The Jacobian's columns: (A, omega, phi) per searched harmonic, (A, phi) per known one, then c0
// and the trend; -1 for a column the fit does not have.
struct ParameterColumns {
  int A[kMaxHarmonics]{};
  int Omega[kMaxHarmonics]{};
  int Phi[kMaxHarmonics]{};
  int Constant = -1;
  int Trend = -1;
};

ParameterColumns ParameterColumnsOf(const ModelFit& fit, int fixed) {
  ParameterColumns columns;
  int next = 0;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    columns.A[k] = next++;
    columns.Omega[k] = k < fixed ? -1 : next++;
    columns.Phi[k] = next++;
  }
  columns.Constant = fit.HasConstant ? next++ : -1;
  columns.Trend = fit.HasTrend ? next++ : -1;
  return columns;
}

// What the decomposition needs of the stage: its data, scaling, columns and weights.
struct JacobianInputs {
  const ObservationSet& Obs;
  const HarmonicModel& Model;
  const AbscissaScaling& Scaling;
  const ParameterColumns& Columns;
  const double* StageWeight;  // null when unweighted
  int Parameters;
  double Variance;  // the scale of the errors
};

// The Jacobian in (A, omega, phi), c0 and the trend in u, with omega = B * Scale and
// phi = C + B * Centre, so that its columns are as well conditioned as the data allow.
template <typename Jacobian>
void FillJacobian(const JacobianInputs& in, Jacobian& jacobian) {
  const ObservationSet& obs = in.Obs;
  const HarmonicModel& h = in.Model;
  const ParameterColumns& col = in.Columns;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double u = (obs.PlotX[i] - in.Scaling.Centre) / in.Scaling.Scale;
    for (int k = 0; k < h.Count; ++k) {
      const double omega = h.B[k] * in.Scaling.Scale;
      const double phi = h.C[k] + h.B[k] * in.Scaling.Centre;
      const double arg = omega * u + phi;
      const double s = std::sin(arg), c = std::cos(arg);
      jacobian(i, col.A[k]) = s;
      if (col.Omega[k] >= 0) jacobian(i, col.Omega[k]) = h.A[k] * u * c;
      jacobian(i, col.Phi[k]) = h.A[k] * c;
    }
    if (col.Constant >= 0) jacobian(i, col.Constant) = 1;
    if (col.Trend >= 0) jacobian(i, col.Trend) = u;
    if (in.StageWeight) jacobian.row(i) *= in.StageWeight[i];
  }
}

// From the column-scaled Jacobian's decomposition the covariance and which parameters the data
// fix; false where the Jacobian is not finite.
template <typename Jacobian>
bool Decompose(const JacobianInputs& in, Jacobian& jacobian, Square& covariance, bool* determined) {
  const int parameters = in.Parameters;
  FillJacobian(in, jacobian);
  if (!jacobian.allFinite()) return false;

  double norms[kMaxParameters];
  for (int j = 0; j < parameters; ++j) {
    norms[j] = jacobian.col(j).norm();
    if (norms[j] > 0) jacobian.col(j) /= norms[j];
  }
  const Eigen::JacobiSVD<Jacobian> svd(jacobian, Eigen::ComputeThinV);
  const auto& singular = svd.singularValues();
  const auto& v = svd.matrixV();
  const double largest = singular.size() > 0 ? singular(0) : 0.0;
  for (int j = 0; j < parameters; ++j) determined[j] = norms[j] > 0;
  for (int l = 0; l < parameters; ++l) {
    const bool null = l >= singular.size() || !(singular(l) > kSingularRatio * largest);
    if (null) {
      for (int j = 0; j < parameters; ++j) {
        if (v(j, l) * v(j, l) > kNullShare) determined[j] = false;
      }
      continue;
    }
    const double weight = in.Variance / (singular(l) * singular(l));
    covariance += weight * v.col(l).head(parameters) * v.col(l).head(parameters).transpose();
  }
  for (int a = 0; a < parameters; ++a) {
    for (int b = 0; b < parameters; ++b) {
      covariance(a, b) =
          norms[a] > 0 && norms[b] > 0 ? covariance(a, b) / (norms[a] * norms[b]) : 0.0;
    }
  }
  return true;
}

// Decompose with the Jacobian on the stack for small sets, on the heap for the others.
bool DecomposeAnySize(const JacobianInputs& in, Square& covariance, bool* determined) {
  const int count = in.Obs.LastIndex + 1;
  if (count <= kSmallRows) {
    SmallMatrix jacobian(count, in.Parameters);
    return Decompose(in, jacobian, covariance, determined);
  }
  Matrix jacobian(count, in.Parameters);
  return Decompose(in, jacobian, covariance, determined);
}

// The observations' weights: 1/sigma for the model as shown, the stage's own for its target.
void FillWeights(const ObservationSet& obs,
                 ModelKind kind,
                 const FitWeights& weights,
                 double* plainWeight,
                 double* stageWeight) {
  for (int i = 0; i <= obs.LastIndex; ++i) {
    plainWeight[i] = 1 / weights.Sigma[i];
    stageWeight[i] = StageWeight(kind, obs.OrigY[i], weights.Sigma[i]);
  }
}

// The stage's objective: the sum of squares of its model less its target, each weighted by w
// when w is not null.
double StageObjective(const ObservationSet& obs,
                      ModelKind kind,
                      const double* stageModel,
                      const double* w) {
  double objective = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    double r = stageModel[i] - StageTarget(kind, obs.OrigY[i]);
    if (w) r *= w[i];
    objective += r * r;
  }
  return objective;
}

// The searched harmonic k's B, C and period from the covariance in (omega, phi).
void SetSearchedHarmonic(ModelFit& fit,
                         int k,
                         const JacobianInputs& in,
                         const Square& covariance,
                         const bool* determined,
                         double quantile) {
  const HarmonicModel& h = fit.Coefficients;
  const double scale = in.Scaling.Scale;
  const double shift = in.Scaling.Centre / scale;  // dC/domega = -Centre/Scale
  const int w = in.Columns.Omega[k], p = in.Columns.Phi[k];
  const double varB = covariance(w, w) / (scale * scale);
  fit.B[k] = MakeEstimate(h.B[k], varB, determined[w], quantile);
  const double varC =
      covariance(p, p) - 2 * shift * covariance(w, p) + shift * shift * covariance(w, w);
  fit.C[k] = MakeEstimate(h.C[k], varC, determined[p] && (shift == 0 || determined[w]), quantile);
  if (h.B[k] > 0) {
    const double period = kTwoPi / h.B[k];
    const double slope = period / h.B[k];  // |dP/dB| = 2pi / B^2
    fit.Period[k] = PeriodEstimate(
        fit.B[k], MakeEstimate(period, slope * slope * varB, determined[w], quantile));
  }
}

// The estimates with their intervals from the covariance in the scaled parameters.
void SetEstimates(ModelFit& fit,
                  const JacobianInputs& in,
                  const Square& covariance,
                  const bool* determined,
                  double quantile) {
  const HarmonicModel& h = fit.Coefficients;
  const ParameterColumns& col = in.Columns;
  const double shift = in.Scaling.Centre / in.Scaling.Scale;
  for (int k = 0; k < h.Count; ++k) {
    const int a = col.A[k];
    fit.A[k] = MakeEstimate(h.A[k], covariance(a, a), determined[a], quantile);
    if (col.Omega[k] < 0) {  // known frequency: the phase is C + B * Centre less an exact shift
      const int p = col.Phi[k];
      fit.C[k] = MakeEstimate(h.C[k], covariance(p, p), determined[p], quantile);
      continue;
    }
    SetSearchedHarmonic(fit, k, in, covariance, determined, quantile);
  }
  const int it = col.Trend, ic = col.Constant;
  if (it >= 0) {  // c0 = c_u - t_u * Centre / Scale, c1 = t_u / Scale
    const double varT = covariance(it, it) / (in.Scaling.Scale * in.Scaling.Scale);
    fit.Trend = MakeEstimate(fit.Trend.Value, varT, determined[it], quantile);
  }
  if (ic >= 0) {
    double varC0 = covariance(ic, ic);
    bool known = determined[ic];
    if (it >= 0) {
      varC0 += -2 * shift * covariance(ic, it) + shift * shift * covariance(it, it);
      known = known && (shift == 0 || determined[it]);
    }
    fit.Constant = MakeEstimate(fit.Constant.Value, varC0, known, quantile);
  }
}

// The fitted parameters: three per searched harmonic, two per known one, c0 and the trend.
int ParameterCount(const ModelFit& fit, int fixed) {
  const int n = fit.Coefficients.Count;
  return 3 * n - fixed + (fit.HasConstant ? 1 : 0) + (fit.HasTrend ? 1 : 0);
}

// Whether the residuals can say how large the errors are: degrees of freedom left, something
// fitted, a finite objective.
bool ErrorsMeasurable(int dof, int parameters, double objective, const ModelFit& fit) {
  if (dof <= 0 || parameters == 0 || !std::isfinite(objective)) return false;
  // The square's stage fits sqrt(y) with y <= 0 taken as 0: an exact stage fit of data the
  // square misses (all y <= 0) says nothing of the errors; zero-width intervals would.
  return !(objective == 0 && fit.Statistics.Sse > 0);
}

void EvaluateEstimates(const ObservationSet& obs,
                       ModelKind kind,
                       ModelFit& fit,
                       const FitWeights& weights) {
  const int count = obs.LastIndex + 1;
  const int n = fit.Coefficients.Count;
  const int fixed = std::clamp(fit.FixedCount, 0, n);
  const int parameters = ParameterCount(fit, fixed);
  ResetEstimates(fit, fixed);
  if (count <= 0) {
    fit.Objective = 0;
    fit.Statistics = fit.StageStatistics = ModelStatistics{};
    return;
  }

  const bool weighted = HasWeights(obs, weights);
  RowArray plainWeight(count), stageWeight(count), stageModel(count);
  if (weighted) FillWeights(obs, kind, weights, plainWeight, stageWeight);
  StageModel(obs, fit, stageModel);
  const double objective =
      StageObjective(obs, kind, stageModel, weighted ? stageWeight.data() : nullptr);
  fit.Objective = std::isfinite(objective) ? objective : std::numeric_limits<double>::infinity();
  fit.Statistics =
      Statistics(obs, kind, stageModel, parameters, false, weighted ? plainWeight.data() : nullptr);
  fit.StageStatistics =
      Statistics(obs, kind, stageModel, parameters, true, weighted ? stageWeight.data() : nullptr);
  const int dof = count - parameters;
  if (!ErrorsMeasurable(dof, parameters, objective, fit)) return;

  const AbscissaScaling scaling = ScalingOf(obs);
  const ParameterColumns columns = ParameterColumnsOf(fit, fixed);
  // Relative weights (and none) leave the scale of the errors to the residuals; absolute ones
  // give it.
  const double variance = weighted && weights.Absolute ? 1.0 : objective / dof;
  const JacobianInputs in{obs,
                          fit.Coefficients,
                          scaling,
                          columns,
                          weighted ? stageWeight.data() : nullptr,
                          parameters,
                          variance};
  Square covariance = Square::Zero(parameters, parameters);
  bool determined[kMaxParameters];
  if (!DecomposeAnySize(in, covariance, determined)) return;
  fit.Covariance.assign(covariance.data(), covariance.data() + parameters * parameters);
  fit.CovarianceCentre = scaling.Centre;
  fit.CovarianceScale = scaling.Scale;
  fit.NoiseVariance = variance;
  SetEstimates(fit, in, covariance, determined, StudentQuantile95(dof));
}

}  // namespace

void EvaluateModelFit(const ObservationSet& obs,
                      ModelKind kind,
                      ModelFit& fit,
                      const FitWeights& weights) {
  EvaluateEstimates(obs, kind, fit, weights);
  MarkUnboundedHarmonics(obs, kind, fit);
}

double StageWeight(ModelKind kind, double y, double sigma) {
  if (kind == ModelKind::Sum) return 1 / sigma;
  return 2 * std::sqrt(std::max(y, sigma)) / sigma;
}
