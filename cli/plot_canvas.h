#pragma once

#include "cli/plot_look.h"
#include "plot/surface.h"

struct AppState;

// A surface that draws a plot file: it paints the plot's colours through the theme, and draws
// everything OriginY rows lower, so that the window's plot can sit below a title band.
class PlotCanvas : public Surface {
 public:
  PlotTheme Theme = PlotTheme::Dark;
  int OriginY = 0;

 protected:
  // The colour the theme paints for one of the plot's colours.
  Rgb Paint(Rgb color) const;
};

// Draws the window's plot of the state (RedrawPlot, on a copy whose plot size is the look's less
// the title bands) with the axis titles: the y title in a band above the plot, over the y
// labels, the x title in a band below it at the right. Without titles it is the window's plot
// at the look's size. Raises the run-time fault RedrawPlot raises.
void DrawTitledPlot(const AppState& state, const PlotLook& look, PlotCanvas& canvas);
