#pragma once

#include <cstdint>
#include <string>

struct ObservationSet;

inline constexpr int kPanelWidth = 70;  // fixed, not read from the panel

// The data, the curves and the outermost grid lines keep this many pixels clear of each edge
// of the plot, so no marker or label is cut by the window's border.
inline constexpr int kPlotMargin = 10;

// The plot area and the two linear maps column = KX*x + X0, row = KY*y + Y0.
struct PlotGeometry {
  std::uint16_t PlotWidth = 0;   // W
  std::uint16_t PlotHeight = 0;  // H
  double KX = 0, X0 = 0;
  double KY = 0, Y0 = 0;
  std::uint8_t PanelMode = 1;   // 1: panel shown, plot 70 px narrower; 2: panel hidden
  std::uint8_t XScaleMode = 1;  // 1: data fill W less the margins; 2: the middle half of that
};

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
