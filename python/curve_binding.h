#pragma once

#include <pybind11/pybind11.h>

#include <vector>

#include "engine/fit_many.h"

// The refined models' covariance for Python, and the model's values and bands at new x.

// Adds to a refined model's dict: covariance (series, P, P) in x's parameters, parameters (their
// names), and the scaled covariance the bands are computed from (keys starting with "_").
void AddCovariance(pybind11::dict& model, const std::vector<SeriesFit>& fits, int m);

// Registers curve_bands(model, kind, x, level, new_sigma) on the module.
void BindCurves(pybind11::module_& module);
