#pragma once

#include <string>

struct HarmonicModel;

// How harmora-fit's plot file looks beside what the window's plot draws.
enum class PlotTheme {
  Dark,   // the window's: a black field, silver grid, model 1 white, model 2 blue
  Light,  // for print: a white field, grey grid, model 1 black, model 2 blue
};

// The plot file's kind, from its name's ending.
enum class PlotFormat { Svg, Png, Pdf };

inline constexpr int kDefaultPlotWidth = 800;
inline constexpr int kDefaultPlotHeight = 500;
// Sides below the minimum leave no room for the grid labels and titles; above the maximum an
// image grows past what a viewer opens (4000 x 4000 pixels are 64 MB).
inline constexpr int kMinPlotSide = 100;
inline constexpr int kMaxPlotSide = 4000;

struct PlotLook {
  int Width = kDefaultPlotWidth;  // pixels (points in a PDF)
  int Height = kDefaultPlotHeight;
  PlotTheme Theme = PlotTheme::Dark;
  std::string XTitle;  // empty: none, and no band for it
  std::string YTitle;
  // The models to draw, [ModelKind], when the fit has a constant or a trend; null: the state's.
  const HarmonicModel* Models = nullptr;
};
