#include "fit/trial_fit.h"

#include "base/run_time_fault.h"

namespace {

// values[i] = sin(B*X[i] + C) for i = 0..LastIndex, in one call of the fit's sine.
void TrialSines(const ObservationSet& obs,
                const TrialHarmonic& trial,
                SineFunction sines,
                double* values) {
  for (int i = 0; i <= obs.LastIndex; ++i) values[i] = trial.B * obs.X[i] + trial.C;
  sines(values, values, obs.LastIndex + 1);
}

}  // namespace

double Residual(const ObservationSet& obs, const TrialHarmonic& trial, SineFunction sines) {
  RowArray rows(obs.LastIndex + 1);
  double* const values = rows.data();
  TrialSines(obs, trial, sines, values);
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double d = trial.A * values[i] - obs.WorkY[i];
    sum += d * d;
  }
  return sum;
}

double FitAmplitude(const ObservationSet& obs, TrialHarmonic& trial, SineFunction sines) {
  RowArray rows(obs.LastIndex + 1);
  double* const values = rows.data();
  TrialSines(obs, trial, sines, values);
  double sy = 0;
  double ss = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double s = values[i];
    sy += obs.WorkY[i] * s;
    ss += s * s;
  }
  if (!(ss > kFlatSineFloor)) return kNoAmplitudeResidual;
  // ss > 0.001 keeps the quotient finite for any target whose squares sum to a double; the check
  // guards the rest, so no infinity reaches a coefficient.
  trial.A = CheckedDivide(sy, ss);
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double d = obs.WorkY[i] - trial.A * values[i];
    sum += d * d;
  }
  return sum;
}
