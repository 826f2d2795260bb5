#pragma once

#include <string>

#include "cli/plot_look.h"

struct AppState;

// The plot the window draws, with the look's size, theme and titles, as an SVG document: the
// same drawing code (RedrawPlot) through a Qt-free surface that writes SVG elements. Text is
// measured as a 12 px monospace font, so labels stand about where the window's stand. The state
// is not changed. Raises the run-time fault RedrawPlot raises (data that cannot be scaled onto a
// plot).
std::string PlotSvgText(const AppState& state, const PlotLook& look);
