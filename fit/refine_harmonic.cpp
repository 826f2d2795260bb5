#include "fit/refine_harmonic.h"

#include "fit/trial_fit.h"

bool DirectionSearch(const RefineFields& fields,
                     double TrialHarmonic::*param,
                     double& step,
                     double h0,
                     RefineProgress& progress) {
  TrialHarmonic& trial = fields.Trial;
  bool improved = false;
  step = h0;
  do {
    trial.*param = trial.*param + step;
    const double r = Residual(fields.Observations, trial, fields.Sines);
    fields.TrialResidual = r;
    if (r < progress.Best) {
      progress.Best = r;
      progress.Accepted.*param = trial.*param;
      step = 2 * step;
      improved = true;
    } else {
      trial.*param = progress.Accepted.*param;
      fields.TrialResidual = progress.Best;
      step = step / 2;
    }
  } while (h0 < 0 ? step <= -kRefineStep : step >= kRefineStep);
  return improved;
}

bool SearchBothWays(const RefineFields& fields,
                    double TrialHarmonic::*param,
                    double& step,
                    RefineProgress& progress) {
  if (DirectionSearch(fields, param, step, -kRefineStep, progress)) return true;
  return DirectionSearch(fields, param, step, kRefineStep, progress);
}

void RefineHarmonic(const RefineFields& fields) {
  RefineProgress progress{fields.TrialResidual, fields.Trial};
  for (;;) {
    SearchBothWays(fields, &TrialHarmonic::C, fields.PhaseStep, progress);
    if (SearchBothWays(fields, &TrialHarmonic::B, fields.FreqStep, progress)) continue;
    fields.TrialResidual = FitAmplitude(fields.Observations, fields.Trial, fields.Sines);
    if (fields.TrialResidual < progress.Best) {
      progress.Best = fields.TrialResidual;
      progress.Accepted.A = fields.Trial.A;
      continue;
    }
    fields.Trial.A = progress.Accepted.A;
    fields.TrialResidual = progress.Best;
    return;
  }
}
