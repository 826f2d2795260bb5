#include "fit/harmonic_model.h"

#include "base/run_time_fault.h"
#include "fit/fit_sines.h"

namespace {

thread_local std::uint64_t gResidualEvaluations = 0;  // per thread: fits may run side by side

// sines[i] = sin(B*X[i] + C) for i = 0..LastIndex, in one call of the fit's sine.
void TrialSines(const ObservationSet& obs, const TrialHarmonic& trial, double* sines) {
  for (int i = 0; i <= obs.LastIndex; ++i) sines[i] = trial.B * obs.X[i] + trial.C;
  FitSines(sines, sines, obs.LastIndex + 1);
}

}  // namespace

double Residual(const ObservationSet& obs, const TrialHarmonic& trial) {
  ++gResidualEvaluations;
  RowArray rows(obs.LastIndex + 1);
  double* const sines = rows.data();
  TrialSines(obs, trial, sines);
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double d = trial.A * sines[i] - obs.WorkY[i];
    sum += d * d;
  }
  return sum;
}

double FitAmplitude(const ObservationSet& obs, TrialHarmonic& trial) {
  RowArray rows(obs.LastIndex + 1);
  double* const sines = rows.data();
  TrialSines(obs, trial, sines);
  double sy = 0;
  double ss = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double s = sines[i];
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
