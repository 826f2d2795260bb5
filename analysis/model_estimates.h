#pragma once

#include "analysis/least_squares.h"
#include "analysis/model_terms.h"
#include "analysis/scaled_fit.h"
#include "data/observation_set.h"

// The affine map of the observations' x onto u = (x - Centre) / Scale in [-1, 1], in which the
// refinement works.
struct AbscissaScaling {
  double Centre = 0;
  double Scale = 1;
};

// Whether weights give a sigma for every observation 0..LastIndex.
bool HasWeights(const ObservationSet& obs, const FitWeights& weights);

// Centre and half-width of PlotX over 0..LastIndex; a zero or non-finite width gives Scale 1.
AbscissaScaling ScalingOf(const ObservationSet& obs);

// The problem one stage fits over observations 0..LastIndex, in the abscissa of ScalingOf(obs),
// with AliasPeriod set when the sorted x lie on a uniform grid (each within a thousandth of the
// spacing of it, as x written with a few decimals do), also one with missing points (at least
// half of its points there). The terms' columns come in the order the
// ScaledModel's Linear holds them: sine and cosine of each known frequency, the constant, the
// trend (u). Weighted when the weights hold a sigma for every observation. Returns the scaling.
AbscissaScaling FillScaledProblem(const ObservationSet& obs,
                                  ModelKind kind,
                                  const ModelTerms& terms,
                                  const FitWeights& weights,
                                  ScaledProblem& problem);
// The same unweighted, with at most a constant term.
AbscissaScaling FillScaledProblem(const ObservationSet& obs,
                                  ModelKind kind,
                                  bool constant,
                                  ScaledProblem& problem);

// remainder(phi - b * centre, 2 pi): the phase at x = 0 of a harmonic of frequency b whose phase
// at x = centre is phi. The product and the turns of 2 pi taken from it are carried beyond a
// double's digits: at b * centre near 1e9 a plain product and reduction are off by 1e-7.
double PhaseAtZero(double phi, double b, double centre);

// The terms of a scaled model in x: the known harmonics (normalised) into the first
// terms.FixedCount harmonics of fit.Coefficients, and fit.Constant.Value, fit.Trend.Value.
void TermsToOriginal(const ScaledModel& model,
                     const ModelTerms& terms,
                     const AbscissaScaling& scaling,
                     ModelFit& fit);

// The least-squares values of the terms (known harmonics, constant, trend) for the data less
// fit.Coefficients' other harmonics as they are, written into fit as TermsToOriginal does.
void SolveTerms(const ObservationSet& obs,
                ModelKind kind,
                const ModelTerms& terms,
                const FitWeights& weights,
                ModelFit& fit);

// Fills fit.Objective, fit.Statistics and every estimate for fit.Coefficients (and the constant
// and trend values when fit has them; its first FixedCount harmonics at known frequencies)
// against observations 0..LastIndex of obs: the covariance is the residual variance (1 with
// absolute weights) times the pseudo-inverse of J^T W J, J being the Jacobian of the stage's
// model in the scaled abscissa, carried back to A, B, C. Everything it writes is finite; an
// estimate is Determined only with degrees of freedom left and a Jacobian that fixes it. The
// relative deviation and the objective take their sines from SinArray, the shipped fit's sine,
// whatever engine choice made the fit: a refinement's result depends on its inputs alone.
void EvaluateModelFit(const ObservationSet& obs,
                      ModelKind kind,
                      ModelFit& fit,
                      const FitWeights& weights = {});

// The two-sided 95 % quantile of Student's t with dof >= 1 degrees of freedom.
double StudentQuantile95(int dof);
