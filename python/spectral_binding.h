#pragma once

#include <pybind11/pybind11.h>

// Registers periodogram(x, y, weights, step, size, probabilities): the engine's generalised
// periodogram with its false-alarm probabilities.
void BindSpectral(pybind11::module_& module);
