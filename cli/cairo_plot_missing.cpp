// harmora-fit --plot where Cairo is not built in (the aarch64 cross build): SVG only.
#include "cli/cairo_plot.h"

bool CairoPlotBuilt() { return false; }

std::string CairoPlotBytes(const AppState&, const PlotLook&, PlotFormat) { return {}; }
