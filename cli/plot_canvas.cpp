#include "cli/plot_canvas.h"

#include <cstdint>

#include "plot/plot_geometry.h"
#include "plot/redraw_plot.h"
#include "state/app_state.h"

namespace {

constexpr Rgb kGrey{128, 128, 128};  // the grid and its labels on white: faint, yet readable
constexpr int kTitleGap = 2;         // pixels between a title and the edges of its band
constexpr int kTitleInset = 15;      // the window's y labels start 15 pixels in; titles align

}  // namespace

Rgb PlotCanvas::Paint(Rgb color) const {
  if (Theme == PlotTheme::Dark) return color;
  if (color == kBlack) return kWhite;
  if (color == kWhite) return kBlack;
  if (color == kSilver) return kGrey;
  return color;
}

void DrawTitledPlot(const AppState& state, const PlotLook& look, PlotCanvas& canvas) {
  const int top = look.YTitle.empty() ? 0 : canvas.TextHeight(look.YTitle) + 2 * kTitleGap;
  const int bottom = look.XTitle.empty() ? 0 : canvas.TextHeight(look.XTitle) + 2 * kTitleGap;
  canvas.Theme = look.Theme;
  if (top + bottom > 0) {
    canvas.SetPenColor(kBlack);
    canvas.SetBrushColor(kBlack);
    canvas.Rectangle(0, 0, look.Width, look.Height);
  }

  AppState copy = state;  // the redraw refreshes the grid settings and the scales
  copy.Geometry.PlotWidth = static_cast<std::uint16_t>(look.Width);
  copy.Geometry.PlotHeight = static_cast<std::uint16_t>(look.Height - top - bottom);
  UpdateScales(copy.Geometry, copy.Observations);
  canvas.OriginY = top;
  CurveBuffers buffers;
  if (look.Models) {
    RedrawPlot(copy, canvas, buffers, look.Models);
  } else {
    RedrawPlot(copy, canvas, buffers);
  }
  canvas.OriginY = 0;

  canvas.SetBrushColor(kBlack);
  canvas.SetFontColor(kSilver);
  if (top > 0) canvas.TextOut(kTitleInset, kTitleGap, look.YTitle);
  if (bottom > 0) {
    const int width = canvas.TextWidth(look.XTitle);
    canvas.TextOut(look.Width - kTitleInset - width, look.Height - bottom + kTitleGap, look.XTitle);
  }
}
