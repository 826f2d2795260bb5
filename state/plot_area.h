#pragma once

#include <cstdint>

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
