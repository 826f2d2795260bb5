#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "analysis/model_band.h"
#include "cli/file_fit.h"
#include "cli/fit_options.h"

// harmora-fit --predict: each model asked for evaluated at the points, with the band of the mean
// curve and of a new observation at --band's level.

struct ModelPrediction {
  bool Wanted = false;
  bool Refined = false;  // the refined model, else the search's
  CurveBands Bands;      // NaN where a band cannot be given
  std::string Note;      // why a band is empty; empty where both are given
};

struct Prediction {
  std::vector<double> X;  // the points as the fit's x (dates as days since its origin)
  ModelPrediction Models[2];
  std::string Error;  // the points cannot be taken as this fit's x (dates against numbers)
};

// The refined model where the run refined, else the search's, at the options' points. A weighted
// fit's new observation has --sigma's sigma (none with a sigma column: that band is empty).
Prediction PredictFit(const FileFit& fit, const FitOptions& options);

// The header of the predicted rows, written once before the first file's.
std::string PredictCsvHeader(const FitOptions& options);

// One row per point: the file (and series) as the other csv names them, x, and per model its
// value and bands; empty fields for a model not asked for and for a band not given.
void WritePredictCsv(const FileFit& fit,
                     const Prediction& prediction,
                     const FitOptions& options,
                     std::ostream& out);

// {"level", "x", "model1": {"source", "value", "mean_ci_lower", "mean_ci_upper",
// "obs_ci_lower", "obs_ci_upper", "note"}, ...}: null for a band not given; {"error"} instead
// where the points cannot be taken.
std::string PredictJson(const Prediction& prediction, const FitOptions& options);
