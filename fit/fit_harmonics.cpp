#include "fit/fit_harmonics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/run_time_fault.h"
#include "fit/fit_sines.h"
#include "fit/improvement_steps.h"
#include "fit/refine_harmonic.h"
#include "fit/search_harmonic_fast.h"
#include "fit/search_harmonic_plain.h"
#include "fit/trial_fit.h"
#include "model/model_values.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
// The polish stops once a whole pass keeps more than this share of the residual.
constexpr double kPolishKeptShare = 0.999;
constexpr double kFarPhase = 1e6;  // many turns: normalise by remainder first

// The table holds five harmonics; a larger count must not reach past them.
int HarmonicsInUse(const CoefficientTable& table) {
  return std::min<int>(table.HarmonicCount, kMaxHarmonics);
}

bool IsModelTwoStage(const AppState& state) { return state.FitStage == 1; }

ModelKind StageKind(const AppState& state) {
  return IsModelTwoStage(state) ? ModelKind::SquaredSum : ModelKind::Sum;
}

// The upper bound of the low trial frequencies: one half period per zero-crossing interval of
// the target.
double ZeroCrossingScale(const ObservationSet& obs) {
  int crossings = 0;
  for (int i = 1; i <= obs.LastIndex; ++i) {
    if (obs.WorkY[i] * obs.WorkY[i - 1] < 0) ++crossings;
  }
  const double halfPeriod = CheckedDivide(obs.XMax - obs.XMin, crossings + 1);
  return CheckedDivide(kTwoPi, halfPeriod * 2);
}

// values[i] = sin(b*x[i] + c) for i = 0..last, in one call of the fit's sine.
void HarmonicSines(
    const double* x, int last, double b, double c, SineFunction sines, double* values) {
  for (int i = 0; i <= last; ++i) values[i] = b * x[i] + c;
  sines(values, values, last + 1);
}

// The deviation of the model of the current stage, set 1 holding its coefficients.
double RelativeDeviation(const AppState& state, SineFunction sines) {
  HarmonicModel model = ModelOf(state.Coefficients, ModelKind::Sum);
  model.Kind = StageKind(state);
  return ModelDeviation(model, state.Observations, sines);
}

void SearchPass(AppState& state, const EngineChoice& engine, SineFunction sines) {
  RequestRedraw(state);
  for (int k = 0; k < HarmonicsInUse(state.Coefficients); ++k) {
    BuildWorkingTarget(state, k, sines);
    state.FreqScale[0] = ZeroCrossingScale(state.Observations);
    if (engine.Search == SearchMethod::Fast) {
      SearchHarmonicFast(state, k, engine);
    } else {
      SearchHarmonicPlain(state, k, sines);
    }
  }
}

}  // namespace

void BuildWorkingTarget(AppState& state, int k, SineFunction sines) {
  ObservationSet& obs = state.Observations;
  const CoefficientTable& t = state.Coefficients;
  for (int i = 0; i <= obs.LastIndex; ++i)
    obs.WorkY[i] = StageTarget(StageKind(state), obs.OrigY[i]);
  // The search's own order: each other harmonic is taken off the target in turn over X, which is
  // not the model's sum subtracted once; its bits are the search's, so it stays here.
  RowArray rows(obs.LastIndex + 1);
  double* const values = rows.data();
  for (int j = 0; j < HarmonicsInUse(t); ++j) {
    if (j == k) continue;
    HarmonicSines(obs.X, obs.LastIndex, t.B[j], t.C[j], sines, values);
    for (int i = 0; i <= obs.LastIndex; ++i) obs.WorkY[i] = obs.WorkY[i] - t.A[j] * values[i];
  }
}

void PolishHarmonics(AppState& state, SineFunction sines) {
  const CoefficientTable& t = state.Coefficients;
  double previous = 0;
  do {
    previous = state.BestResidual;
    StopIfCancelled(state);
    for (int k = 0; k < HarmonicsInUse(t); ++k) {
      BuildWorkingTarget(state, k, sines);
      state.Trial = TrialHarmonic{t.A[k], t.B[k], t.C[k]};
      state.TrialResidual = Residual(state.Observations, state.Trial, sines);
      RefineHarmonic(RefineFieldsOf(state, sines));
      if (state.TrialResidual < state.BestResidual) {
        state.BestResidual = state.TrialResidual;
        AdoptTrial(state, k);
        RequestRedraw(state);
      }
    }
  } while (!(previous * kPolishKeptShare <= state.BestResidual));
}

void NormaliseHarmonic(double& a, double& b, double& c) {
  if (a < 0) {  // -a*sin(u) = a*sin(u + pi)
    a = -a;
    c = c + kPi;
  }
  if (b < 0) {  // a*sin(-b*x + c) = a*sin(b*x + pi - c)
    b = -b;
    c = kPi - c;
  }
  // A phase far outside one turn would take forever by whole turns (or never get there, where a
  // turn is below its spacing); reduce it first. Phases a refinement reaches never need this.
  if (!(std::fabs(c) < kFarPhase)) c = std::isfinite(c) ? std::fmod(c, kTwoPi) : 0.0;
  while (c < 0) c = c + kTwoPi;
  while (c >= kTwoPi) c = c - kTwoPi;
}

void FitHarmonics(AppState& state, int depth, const EngineChoice& engine) {
  const EngineChoice runs = Runnable(engine);
  const SineFunction sines = FitSinesOf(runs);
  Reseed(state.Random);
  if (state.FitStage == 1 || state.FitStage == 2)
    state.StageSeeds[state.FitStage - 1] = state.Random.Seed;
  state.FreqScale[1] = CheckedDivide(kTwoPi, state.Observations.MinPeriod);
  state.TrialCount = depth;
  CoefficientTable& t = state.Coefficients;
  const int n = HarmonicsInUse(t);
  for (int k = 0; k < n; ++k) t.A[k] = t.B[k] = t.C[k] = 0;

  // Each stage starts from the zero model's residual against its own target, so that in
  // stage 1 a trial must beat the sum of the positive y, not the sum of y^2. Data whose squares
  // sum past the doubles fail here, before any infinity can reach a coefficient.
  BuildWorkingTarget(state, -1, sines);
  state.Trial = TrialHarmonic{};
  state.BestResidual = CheckedValue(Residual(state.Observations, state.Trial, sines));

  SearchPass(state, runs, sines);
  PolishHarmonics(state, sines);
  for (int k = 0; k < n; ++k) NormaliseHarmonic(t.A[k], t.B[k], t.C[k]);
  RequestRedraw(state);
  state.RelDeviation = RelativeDeviation(state, sines);
}

void FitBothModels(AppState& state, int depth, const EngineChoice& engine) {
  CoefficientTable& t = state.Coefficients;
  state.LastFit = {t.HarmonicCount, depth, state.Observations.MinPeriod};
  state.FitStage = 1;
  FitHarmonics(state, depth, engine);
  for (int k = 0; k < HarmonicsInUse(t); ++k) {
    t.A2[k] = t.A[k];
    t.B2[k] = t.B[k];
    t.C2[k] = t.C[k];
  }
  state.SavedDeviation = state.RelDeviation;
  state.FitStage = 2;
  FitHarmonics(state, depth, engine);
}
