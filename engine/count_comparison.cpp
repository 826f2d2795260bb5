#include "engine/count_comparison.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

// The objective of the model without harmonics: the terms alone (a constant, a trend), fitted
// by weighted least squares to the stage's target, or the target itself without terms.
double NullObjective(const ObservationSet& obs,
                     ModelKind kind,
                     bool constant,
                     bool trend,
                     const FitWeights& weights) {
  const int count = obs.LastIndex + 1;
  // Normal equations of the weighted columns 1 and x (those in use).
  double n11 = 0, n12 = 0, n22 = 0, r1 = 0, r2 = 0;
  std::vector<double> w(count), t(count);
  for (int i = 0; i < count; ++i) {
    const double y = obs.OrigY[i], x = obs.PlotX[i];
    w[i] = weights.Any() ? StageWeight(kind, y, weights.Sigma[i]) : 1.0;
    t[i] = kind == ModelKind::Sum ? y : std::sqrt(std::max(y, 0.0));
    const double ww = w[i] * w[i];
    n11 += ww;
    n12 += ww * x;
    n22 += ww * x * x;
    r1 += ww * t[i];
    r2 += ww * x * t[i];
  }
  double c0 = 0, c1 = 0;
  if (constant && trend) {
    const double det = n11 * n22 - n12 * n12;
    if (det > 0) {
      c0 = (n22 * r1 - n12 * r2) / det;
      c1 = (n11 * r2 - n12 * r1) / det;
    }
  } else if (constant) {
    c0 = n11 > 0 ? r1 / n11 : 0;
  } else if (trend) {
    c1 = n22 > 0 ? r2 / n22 : 0;
  }
  double sum = 0;
  for (int i = 0; i < count; ++i) {
    const double e = w[i] * (t[i] - c0 - c1 * obs.PlotX[i]);
    sum += e * e;
  }
  return sum;
}

}  // namespace

CountComparison CompareHarmonicCounts(const Engine& engine,
                                      const FitRequest& request,
                                      const RefineOptions& options) {
  if (!request.Periods.empty()) {
    throw std::invalid_argument("the harmonic counts are compared without known periods");
  }
  Engine trial = engine;
  const ObservationSet& obs = engine.State().Observations;
  const int count = obs.LastIndex + 1;
  const int extra = (options.WithConstant || request.Constant ? 1 : 0) + (request.Trend ? 1 : 0);
  const int most =
      std::clamp(std::min(request.Harmonics, (count - 1 - extra) / 3), 1, kMaxHarmonics);

  CountComparison out;
  std::vector<ModelFit> fits[2];
  double band = 0;
  for (int n = 1; n <= most && !out.Cancelled; ++n) {
    FitRequest one = request;
    one.Harmonics = n;
    one.OnImprovement = nullptr;
    trial.Fit(one);
    RefineOptions refine = options;
    if (options.Progress) {
      refine.Progress = [&options, n, most](double fraction) {
        return options.Progress((n - 1 + fraction) / most);
      };
    }
    const RefinementResult r = trial.Refine(refine);
    out.Cancelled = r.Cancelled;
    band = std::max(band, r.RefinementBand);
    for (int m = 0; m < 2; ++m) {
      fits[m].push_back(options.WithConstant ? r.WithConstant[m] : r.Refined[m]);
    }
  }
  if (out.Cancelled) return out;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    out.Models[m] = CompareHarmonicCounts(
        fits[m],
        NullObjective(
            obs, kind, options.WithConstant || request.Constant, request.Trend, trial.Weights()),
        obs.PlotX,
        count,
        band);
  }
  return out;
}
