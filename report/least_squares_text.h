#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/least_squares.h"

// The text of the least-squares window, Qt-free so it is tested with the core. Numbers and
// labels are English like the report; a value that cannot be given shows as "—" (UTF-8), never as
// NaN or infinity.

// The number as the report writes it (9 decimals), or "—" when it is not finite.
std::string CoefficientText(double v);

// The number with 6 significant digits, locale-independent, or "—" when it is not finite.
std::string CompactText(double v);

// The lines of the window: for model 1 and model 2, the search's result and the refined result
// side by side (and the constant-term fit beside them when withConstant and the result has it):
// per harmonic A, B, C and the period 2*pi/B with standard error and 95 % confidence interval, the
// statistics, the relative deviation as the report writes it, the starts tried and their hits,
// and the two stage seeds of the search ([0] stage 1, model 2; [1] stage 2, model 1).
std::vector<std::string> LeastSquaresLines(const RefinementResult& result,
                                           const std::uint32_t stageSeeds[2],
                                           bool withConstant);

// The same with a third column, the fit with terms (a constant, a trend, known periods) that
// the engine searched and refined on the same data: a line above the models names its terms.
std::vector<std::string> LeastSquaresLines(const RefinementResult& result,
                                           const std::uint32_t stageSeeds[2],
                                           const RefinementResult& withTerms);

// y - F(x) at observations 0..LastIndex (PlotX, OrigY) for the model as shown: c0 + c1*x + S(x)
// for model 1 and its square for model 2, c0 and c1 being 0 without those terms.
std::vector<double> ModelResiduals(const ObservationSet& obs, const ModelFit& fit, ModelKind kind);

// Reorders fit's harmonics (coefficients and estimates) so that harmonic k is the one whose
// frequency lies nearest the search's harmonic k, the total distance being least: rows of the
// same index then show the same harmonic before and after the refinement. The model is
// unchanged. Sets of different counts are left as they are.
void PairWithSearch(const HarmonicModel& search, ModelFit& fit);
