#include "engine/count_comparison.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The objective of a model without harmonics: the stage's target about 0, or about its mean
// with a constant term.
double NullObjective(const ObservationSet& obs, ModelKind kind, bool constant) {
  const int count = obs.LastIndex + 1;
  std::vector<double> target(count);
  for (int i = 0; i < count; ++i) {
    const double y = obs.OrigY[i];
    target[i] = kind == ModelKind::Sum ? y : std::sqrt(std::max(y, 0.0));
  }
  double mean = 0;
  if (constant) {
    for (double t : target) mean += t / count;
  }
  double sum = 0;
  for (double t : target) sum += (t - mean) * (t - mean);
  return sum;
}

}  // namespace

CountComparison CompareHarmonicCounts(const Engine& engine,
                                      const FitRequest& request,
                                      const RefineOptions& options) {
  Engine trial = engine;
  const ObservationSet& obs = engine.State().Observations;
  const int count = obs.LastIndex + 1;
  const int extra = options.WithConstant ? 1 : 0;
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
        fits[m], NullObjective(obs, kind, options.WithConstant), obs.PlotX, count, band);
  }
  return out;
}
