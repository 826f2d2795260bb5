#include "engine/term_search.h"

#include <algorithm>
#include <numbers>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/model_estimates.h"
#include "base/run_time_fault.h"
#include "data/random_generator.h"
#include "fit/fit_harmonics.h"
#include "fit/fit_sines.h"
#include "model/model_values.h"

namespace {

// Puts the user's y back into the data however the search ends.
class KeepData {
 public:
  explicit KeepData(ObservationSet& obs)
      : obs_(obs), y_(obs.OrigY.data(), obs.OrigY + obs.LastIndex + 1) {}
  ~KeepData() { Restore(); }
  void Restore() {
    std::copy(y_.begin(), y_.end(), obs_.OrigY.data());
    std::copy(y_.begin(), y_.end(), obs_.WorkY.data());
  }
  double Y(int i) const { return y_[i]; }

 private:
  ObservationSet& obs_;
  std::vector<double> y_;
};

// The terms' estimate for one stage, as a model of the known harmonics with the constant and
// trend; the data's OrigY are the user's y.
HarmonicModel EstimateTerms(const ObservationSet& obs,
                            ModelKind kind,
                            const ModelTerms& terms,
                            const FitWeights& weights) {
  ModelFit fit;
  fit.Coefficients.Count = terms.FixedCount;
  for (int k = 0; k < terms.FixedCount; ++k) fit.Coefficients.B[k] = terms.FixedB[k];
  SolveTerms(obs, kind, terms, weights, fit);
  HarmonicModel model = fit.Coefficients;
  model.Kind = kind;
  model.Constant = terms.Constant ? fit.Constant.Value : 0.0;
  model.Trend = terms.Trend ? fit.Trend.Value : 0.0;
  return model;
}

}  // namespace

void SearchWithTerms(AppState& state,
                     int depth,
                     int harmonics,
                     const ModelTerms& terms,
                     const FitWeights& weights,
                     const EngineChoice& engine,
                     const bool wanted[2],
                     HarmonicModel models[2]) {
  const SineFunction sines = FitSinesOf(Runnable(engine));
  ObservationSet& obs = state.Observations;
  CoefficientTable& table = state.Coefficients;
  const int count = obs.LastIndex + 1;
  const int fixed = terms.FixedCount;
  const int searched = harmonics - fixed;
  state.LastFit = {harmonics, depth, obs.MinPeriod};
  KeepData data(obs);
  if (searched <= 0) state.StageSeeds[0] = state.StageSeeds[1] = 0;  // nothing drawn
  RowArray v(count);
  // Stage 1 (model 2) first, as the search draws its seeds.
  for (const ModelKind kind : {ModelKind::SquaredSum, ModelKind::Sum}) {
    data.Restore();
    HarmonicModel& model = models[static_cast<int>(kind)];
    model = EstimateTerms(obs, kind, terms, weights);
    SumValues(model, obs.PlotX, count, v, sines);
    // The stage's target less the terms, searched as the second stage searches y: as it is.
    for (int i = 0; i < count; ++i) {
      obs.OrigY[i] = obs.WorkY[i] = StageTarget(kind, data.Y(i)) - v[i];
    }
    model.Count = harmonics;
    // Nothing left to search (the square's target of y <= 0 is 0, or the terms fit exactly),
    // where the search's relative deviation would be 0 / 0.
    const bool nothingLeft =
        std::all_of(obs.OrigY.data(), obs.OrigY + count, [](double t) { return t == 0; });
    if (searched <= 0) continue;
    table.HarmonicCount = static_cast<std::uint8_t>(searched);
    state.FitStage = 2;
    if (nothingLeft || !wanted[static_cast<int>(kind)]) {
      // The stage still takes its seed, so that the other stage's is the one asked for; its
      // harmonics are put at the band's top frequency, where the report can give a period.
      Reseed(state.Random);
      state.StageSeeds[1] = state.Random.Seed;
      for (int k = 0; k < searched; ++k) {
        table.A[k] = table.C[k] = 0;
        table.B[k] = CheckedDivide(2 * std::numbers::pi, obs.MinPeriod);
      }
    } else {
      FitHarmonics(state, depth, engine);
    }
    if (kind == ModelKind::SquaredSum) state.StageSeeds[0] = state.StageSeeds[1];
    for (int k = 0; k < searched; ++k) {
      model.A[fixed + k] = table.A[k];
      model.B[fixed + k] = table.B[k];
      model.C[fixed + k] = table.C[k];
    }
  }
  data.Restore();
  table.HarmonicCount = static_cast<std::uint8_t>(harmonics);
  for (int k = 0; k < harmonics; ++k) {
    const HarmonicModel& one = models[static_cast<int>(ModelKind::Sum)];
    const HarmonicModel& two = models[static_cast<int>(ModelKind::SquaredSum)];
    table.A[k] = one.A[k];
    table.B[k] = one.B[k];
    table.C[k] = one.C[k];
    table.A2[k] = two.A[k];
    table.B2[k] = two.B[k];
    table.C2[k] = two.C[k];
  }
  state.FitStage = 2;
  state.RelDeviation = ModelDeviation(models[0], obs, sines);
  state.SavedDeviation = ModelDeviation(models[1], obs, sines);
}
