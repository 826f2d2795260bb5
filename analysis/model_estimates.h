#pragma once

#include "analysis/least_squares.h"
#include "analysis/scaled_fit.h"
#include "data/observation_set.h"

// The affine map of the observations' x onto u = (x - Centre) / Scale in [-1, 1], in which the
// refinement works.
struct AbscissaScaling {
  double Centre = 0;
  double Scale = 1;
};

// Centre and half-width of PlotX over 0..LastIndex; a zero or non-finite width gives Scale 1.
AbscissaScaling ScalingOf(const ObservationSet& obs);

// The problem one stage fits over observations 0..LastIndex, in the abscissa of ScalingOf(obs),
// with AliasPeriod set when the sorted x lie on a uniform grid (each within a thousandth of the
// spacing of it, as x written with a few decimals do). Returns the scaling used.
AbscissaScaling FillScaledProblem(const ObservationSet& obs,
                                  ModelKind kind,
                                  bool constant,
                                  ScaledProblem& problem);

// Fills fit.Objective, fit.Statistics and every estimate for fit.Coefficients (and
// fit.Constant.Value when fit.HasConstant) against observations 0..LastIndex of obs: the
// covariance is the residual variance times the pseudo-inverse of J^T J, J being the Jacobian of
// the stage's model in the scaled abscissa, carried back to A, B, C. Everything it writes is
// finite; an estimate is Determined only with degrees of freedom left and a Jacobian that fixes
// it. The relative deviation and the objective take their sines by FitSines, as the report does.
void EvaluateModelFit(const ObservationSet& obs, ModelKind kind, ModelFit& fit);

// The two-sided 95 % quantile of Student's t with dof >= 1 degrees of freedom.
double StudentQuantile95(int dof);
