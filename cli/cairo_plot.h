#pragma once

#include <string>

#include "cli/plot_look.h"

struct AppState;

// Whether this build draws PNG and PDF plots (Cairo was found when it was configured).
bool CairoPlotBuilt();

// The plot as PlotSvgText draws it, as the bytes of a PNG image of the look's size in pixels or
// of a PDF page of that size in points, drawn through Cairo. Empty when Cairo fails, and in a
// build without it. Raises the run-time fault RedrawPlot raises.
std::string CairoPlotBytes(const AppState& state, const PlotLook& look, PlotFormat format);
