#include "fit/harmonic_model.h"

#include <cmath>

#include "core/run_time_fault.h"

namespace {

std::uint64_t gResidualEvaluations = 0;

}  // namespace

double Residual(const ObservationSet& obs, const TrialHarmonic& trial) {
  ++gResidualEvaluations;
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double d = trial.A * std::sin(trial.B * obs.X[i] + trial.C) - obs.WorkY[i];
    sum += d * d;
  }
  return sum;
}

double FitAmplitude(const ObservationSet& obs, TrialHarmonic& trial) {
  double sines[kObservationCapacity];
  double sy = 0;
  double ss = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double s = std::sin(trial.B * obs.X[i] + trial.C);
    sines[i] = s;
    sy += obs.WorkY[i] * s;
    ss += s * s;
  }
  if (!(ss > kFlatSineFloor)) return kNoAmplitudeResidual;
  // ss > 0.001 keeps the quotient finite for any target whose squares sum to a double; the check
  // guards the rest, so no infinity reaches a coefficient.
  trial.A = CheckedDivide(sy, ss);
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double d = obs.WorkY[i] - trial.A * sines[i];
    sum += d * d;
  }
  return sum;
}

std::uint64_t ResidualEvaluationCount() { return gResidualEvaluations; }
