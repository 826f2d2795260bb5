#pragma once

#include "data/observation_set.h"
#include "model/harmonic_model.h"
#include "sine/sine_kernel.h"

// The first step of every direction search; a search ends at the first failure made with a step
// of this magnitude.
inline constexpr double kRefineStep = 0.001;

// The fields of the state the refinement reads and writes, and no others: the working target,
// the trial and its residual against it, and the two step sizes the last direction searches
// left (the search keeps them in the state between trials); and the fit's sine.
struct RefineFields {
  const ObservationSet& Observations;
  TrialHarmonic& Trial;
  double& TrialResidual;
  double& PhaseStep;
  double& FreqStep;
  SineFunction Sines;
};

// What the refinement has reached so far: its best residual and the last accepted parameters.
struct RefineProgress {
  double Best = 0;
  TrialHarmonic Accepted;
};

// Steps one parameter of fields.Trial (&TrialHarmonic::C or &TrialHarmonic::B) from h0 (-0.001
// or +0.001), doubling `step` after each strict improvement and halving it after each failure,
// and ends at the first failure with |step| = 0.001. The amplitude stays fixed. On return the
// parameter is its last accepted value and fields.TrialResidual equals progress.Best. Returns
// whether any step was accepted.
bool DirectionSearch(const RefineFields& fields,
                     double TrialHarmonic::*param,
                     double& step,
                     double h0,
                     RefineProgress& progress);

// A direction search downwards and, only if that accepted nothing, one upwards. Returns whether
// either accepted a step.
bool SearchBothWays(const RefineFields& fields,
                    double TrialHarmonic::*param,
                    double& step,
                    RefineProgress& progress);

// Improves fields.Trial locally, one parameter at a time (phase, frequency, closed-form
// amplitude), until none of the three lowers the residual. fields.TrialResidual must hold the
// residual of the trial against the working target on entry; on exit it holds the residual of
// the returned trial, never larger than on entry.
void RefineHarmonic(const RefineFields& fields);
