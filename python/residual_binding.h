#pragma once

#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
#include <vector>

#include "analysis/residual_autocorrelation.h"
#include "engine/fit_many.h"

// The residuals' serial correlation of the refined models for Python, and the Newey-West errors
// that errors="hac" asks for.

// One series' observations as its fit used them: x ascending, y, sigma (empty: unweighted).
struct SeriesData {
  std::vector<double> X, Y, Sigma;
};

// Each row of y (series rows of x.size() values) as FitMany fits it: the pairs with finite x, y
// and sigma (a row of `sigma` laid out as y, or null with every sigma `sigmaValue`, 0: none), in
// x's order, ties in the order given.
std::vector<SeriesData> SeriesDataOf(const std::vector<double>& x,
                                     const double* y,
                                     const double* sigma,
                                     double sigmaValue,
                                     std::size_t series);

using SeriesCorrelation = std::array<ResidualCorrelation, 2>;  // [ModelKind]

// The refined models' residual correlation per series; with hac their covariance and intervals
// become the Newey-West ones. Call before the fits are read out.
std::vector<SeriesCorrelation> CorrelateResiduals(std::vector<SeriesFit>& fits,
                                                  const std::vector<SeriesData>& data,
                                                  bool hac);

// Adds lag1_autocorrelation and durbin_watson per series to the refined models' dicts
// (refined["model1"], refined["model2"]), and with hac hac_lags and errors "hac".
void AddResidualCorrelation(pybind11::dict& refined,
                            const std::vector<SeriesFit>& fits,
                            const std::vector<SeriesCorrelation>& correlations,
                            bool hac);
