#include "analysis/residual_autocorrelation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/model_band.h"
#include "analysis/model_estimates.h"
#include "analysis/model_terms.h"
#include "model/model_values.h"

namespace {

// Andrews' constant for Bartlett weights: the lags that minimise the covariance's mean squared
// error under an AR(1) are 1.1447 (alpha n)^(1/3).
constexpr double kBartlettPlugIn = 1.1447;
// Nearer 1 the AR(1) is a random walk and alpha unbounded; the cap on the lags takes over.
constexpr double kMostLag1 = 0.97;
// Residuals below this share of the targets' sum of squares are a double's rounding (1e-16 of
// each value, squared), not noise.
constexpr double kRoundingShare = 1e-24;

int ParameterCount(const ModelFit& fit) {
  return 3 * fit.Coefficients.Count - fit.FixedCount + (fit.HasConstant ? 1 : 0) +
         (fit.HasTrend ? 1 : 0);
}

// The stage's model at x: c0 + c1 x + sum A sin(B x + C).
double StageValue(const ModelFit& fit, double x) {
  const HarmonicModel& h = fit.Coefficients;
  double value =
      (fit.HasConstant ? fit.Constant.Value : 0) + (fit.HasTrend ? fit.Trend.Value : 0) * x;
  for (int k = 0; k < h.Count; ++k) value += h.A[k] * std::sin(h.B[k] * x + h.C[k]);
  return value;
}

// d(stage value) / d(parameter) at x in the covariance's scaled parameters (A, omega, phi per
// harmonic, omega only for a searched one, then c0 and the trend in u), times `factor`.
void Score(const ModelFit& fit, double x, double factor, double* g) {
  const HarmonicModel& h = fit.Coefficients;
  const double u = (x - fit.CovarianceCentre) / fit.CovarianceScale;
  int next = 0;
  for (int k = 0; k < h.Count; ++k) {
    const double arg = h.B[k] * x + h.C[k];
    const double c = h.A[k] * std::cos(arg);
    g[next++] = factor * std::sin(arg);
    if (k >= fit.FixedCount) g[next++] = factor * u * c;
    g[next++] = factor * c;
  }
  if (fit.HasConstant) g[next++] = factor;
  if (fit.HasTrend) g[next++] = factor * u;
}

// The Bartlett-weighted sum of the scores' autocovariances, sum_l k_l (G_l + G_l^T) with G_0
// counted once; p x p row-major.
std::vector<double> Meat(const std::vector<double>& scores, int count, int p, int lags) {
  std::vector<double> meat(static_cast<std::size_t>(p) * p, 0.0);
  for (int l = 0; l <= lags; ++l) {
    const double weight = 1.0 - l / (lags + 1.0);
    for (int t = l; t < count; ++t) {
      const double* a = &scores[static_cast<std::size_t>(t) * p];
      const double* b = &scores[static_cast<std::size_t>(t - l) * p];
      for (int i = 0; i < p; ++i) {
        for (int j = 0; j < p; ++j) {
          const double both = l == 0 ? a[i] * b[j] : a[i] * b[j] + b[i] * a[j];
          meat[i * p + j] += weight * both;
        }
      }
    }
  }
  return meat;
}

// a b, p x p row-major.
std::vector<double> Product(const std::vector<double>& a, const std::vector<double>& b, int p) {
  std::vector<double> out(static_cast<std::size_t>(p) * p, 0.0);
  for (int i = 0; i < p; ++i) {
    for (int k = 0; k < p; ++k) {
      for (int j = 0; j < p; ++j) out[i * p + j] += a[i * p + k] * b[k * p + j];
    }
  }
  return out;
}

// e's standard error and interval from `variance`; undetermined where it is not finite.
void Reestimate(Estimate& e, double variance, double quantile) {
  const double se = std::sqrt(variance);
  if (!e.Determined) return;
  if (!std::isfinite(se)) {
    e = Estimate{e.Value, 0, e.Value, e.Value, false};
    return;
  }
  e.StdError = se;
  e.Lower = e.Value - quantile * se;
  e.Upper = e.Value + quantile * se;
}

// The period's interval is the frequency's mapped through 2 pi / B (reaching 0: undetermined).
void ReestimatePeriod(Estimate& period, const Estimate& frequency) {
  if (!period.Determined) return;
  if (!frequency.Determined || !(frequency.Lower > 0) || !(frequency.Value > 0)) {
    period = Estimate{period.Value, 0, period.Value, period.Value, false};
    return;
  }
  period.StdError = period.Value / frequency.Value * frequency.StdError;  // |dP/dB| = P / B
  period.Lower = 2 * std::numbers::pi / frequency.Upper;
  period.Upper = 2 * std::numbers::pi / frequency.Lower;
}

}  // namespace

bool LargeLag1(double lag1, int count) {
  return count > 0 && std::abs(lag1) > std::max(kLargeLag1, 3 / std::sqrt(double(count)));
}

int NeweyWestLags(int count, double lag1) {
  const double r = std::min(std::isfinite(lag1) ? std::abs(lag1) : 0.0, kMostLag1);
  const double alpha = 4 * r * r / ((1 - r * r) * (1 - r * r));
  const double lags = std::ceil(kBartlettPlugIn * std::cbrt(alpha * count));
  return std::clamp(static_cast<int>(lags), 0, std::max(count / 4, 0));
}

ResidualCorrelation ResidualCorrelationOf(const ModelFit& fit,
                                          ModelKind kind,
                                          const double* x,
                                          const double* y,
                                          const double* sigma,
                                          int count,
                                          bool hac) {
  ResidualCorrelation out;
  std::vector<double> weight(count, 1.0), e(count);
  for (int t = 0; t < count; ++t) {
    if (sigma) weight[t] = StageWeight(kind, y[t], sigma[t]);
    e[t] = weight[t] * (StageTarget(kind, y[t]) - StageValue(fit, x[t]));
  }
  double squares = 0, products = 0, steps = 0, targets = 0;
  for (int t = 0; t < count; ++t) {
    squares += e[t] * e[t];
    targets += weight[t] * weight[t] * StageTarget(kind, y[t]) * StageTarget(kind, y[t]);
    if (t > 0) {
      products += e[t] * e[t - 1];
      steps += (e[t] - e[t - 1]) * (e[t] - e[t - 1]);
    }
  }
  // Residuals of rounding alone (a model through the data) have no correlation to speak of.
  if (!(squares > kRoundingShare * targets) || !std::isfinite(squares) || count < 3) return out;
  out.Lag1 = products / squares;
  out.DurbinWatson = steps / squares;
  out.Large = LargeLag1(out.Lag1, count);
  const int p = ParameterCount(fit);
  const std::size_t size = static_cast<std::size_t>(p) * p;
  if (!hac || fit.Covariance.size() != size || !(fit.NoiseVariance > 0) || count <= p) return out;
  out.Lags = NeweyWestLags(count, out.Lag1);
  std::vector<double> scores(static_cast<std::size_t>(count) * p);
  for (int t = 0; t < count; ++t) {
    Score(fit, x[t], weight[t] * e[t], &scores[static_cast<std::size_t>(t) * p]);
  }
  std::vector<double> bread = fit.Covariance;  // (J^T W J)^-1, the residual variance taken out
  for (double& v : bread) v /= fit.NoiseVariance;
  out.HacCovariance = Product(Product(bread, Meat(scores, count, p, out.Lags), p), bread, p);
  const double correction = static_cast<double>(count) / (count - p);  // as HC1's
  for (double& v : out.HacCovariance) v *= correction;
  return out;
}

void UseHacCovariance(ModelFit& fit, ModelKind kind, const ResidualCorrelation& r) {
  if (r.HacCovariance.empty()) return;
  fit.Covariance = r.HacCovariance;
  const std::vector<double> inX = ParameterCovariance(CurveModelOf(fit, kind));
  const int p = ParameterCount(fit);
  if (inX.size() != static_cast<std::size_t>(p) * p) return;
  const double quantile = StudentQuantile95(std::max(fit.Statistics.DegreesOfFreedom, 1));
  int next = 0;
  const auto redo = [&](Estimate& e) {
    Reestimate(e, inX[static_cast<std::size_t>(next) * p + next], quantile);
    ++next;
  };
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    redo(fit.A[k]);
    if (k >= fit.FixedCount) {
      redo(fit.B[k]);
      ReestimatePeriod(fit.Period[k], fit.B[k]);
    }
    redo(fit.C[k]);
  }
  if (fit.HasConstant) redo(fit.Constant);
  if (fit.HasTrend) redo(fit.Trend);
}
