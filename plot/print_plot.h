#pragma once

#include <string>

struct AppState;
struct HarmonicModel;
class Surface;

// How a plot for print looks beside what the window's plot draws. Sizes are the picture's
// pixels; the text's size is the surface's font, which the surface measures.
struct PrintStyle {
  int Width = 1890;          // 160 mm at 300 dpi
  int Height = 1181;         // 100 mm
  int LineWidth = 3;         // the curves' pen
  int MarkerSize = 9;        // a marker's side
  std::string XTitle = "x";  // empty: none
  std::string YTitle = "y";
  std::string DataName = "данные";
  std::string Model1Name = "модель 1: Σ A·sin(Bx + C)";
  std::string Model2Name = "модель 2: (Σ A·sin(Bx + C))²";
  char DecimalMark = '.';  // of the axis labels
};

// Draws the plot of `state` for a paper on `surface`, whatever the window's size and scales: a
// white field, a black frame with ticks at round values and a light grid, the axis titles (the y
// title above the y labels, the x title under the x labels), model 1 in black and model 2 in
// dark blue with the style's pen, the observations as dark open squares (a series too long for
// that drawn by its lowest and highest observation in each pixel column), and a legend naming
// the data and both models. The axes span the data and the curves; every label lies inside the
// picture. Curves are drawn once a fit is complete (FitStage 2), `models` ([ModelKind]) when
// given, else the coefficient table's. The state is not changed.
void DrawPrintPlot(const AppState& state,
                   const HarmonicModel* models,
                   const PrintStyle& style,
                   Surface& surface);
