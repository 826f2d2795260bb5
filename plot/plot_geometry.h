#pragma once

#include <cstdint>
#include <string>

#include "state/plot_area.h"

struct ObservationSet;

// Sets W and H from PanelMode and the client size; the caller shows or hides the panel
// according to PanelMode.
void UpdateLayout(PlotGeometry& geometry, int clientWidth, int clientHeight);

// Sets KX, X0, KY, Y0. Raises a division fault, before the value is stored, for a zero x range
// (nothing changes) or a zero YAbsMax (KX and X0 already updated).
void UpdateScales(PlotGeometry& geometry, const ObservationSet& obs);

// Value to pixel, rounded to nearest with ties to even. A value beyond the pixel range raises
// an invalid operation fault.
int ScreenX(const PlotGeometry& geometry, double x);
int ScreenY(const PlotGeometry& geometry, double y);

// Pixel column to value: (column - X0) / KX.
double ValueX(const PlotGeometry& geometry, int column);
