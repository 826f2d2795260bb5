#include "plot/redraw_plot.h"

#include <cmath>
#include <vector>

#include "base/run_time_fault.h"
#include "model/model_values.h"
#include "plot/float_text.h"
#include "plot/surface.h"
#include "plot/thinned_points.h"
#include "sine/sine_kernel.h"
#include "state/app_state.h"

namespace {

// Curve points far outside the window are clamped, so no painter ever gets a coordinate it
// cannot represent; the visible part of such a segment is a near-vertical line either way.
constexpr double kCurveCoordinateLimit = 1 << 20;

int TruncatePixel(double v) {
  if (!(v > -kCurveCoordinateLimit)) return static_cast<int>(-kCurveCoordinateLimit);
  if (v > kCurveCoordinateLimit) return static_cast<int>(kCurveCoordinateLimit);
  return static_cast<int>(v);  // toward zero
}

void DrawVerticalLines(AppState& state, Surface& surface) {
  const PlotGeometry& g = state.Geometry;
  const ViewSettings& view = state.View;
  const double xs = ValueX(g, kPlotMargin);
  const double xe = ValueX(g, g.PlotWidth - kPlotMargin);
  const double step = (xe - xs) / (view.Lx - 1);
  // Labels hang 5 pixels below the x axis, centred on their lines.
  const int labelRow = ScreenY(g, 0) + 5;
  surface.SetPenStyle(PenStyle::Dotted);
  double x = xs;
  for (int line = 0; line < view.Lx; ++line) {
    const int column = ScreenX(g, x);
    surface.MoveTo(column, 0);
    surface.LineTo(column, g.PlotHeight);
    const std::string text = FloatText(view.Dx, x);
    const int width = surface.TextWidth(text) % 256;
    if (x != xs) surface.TextOut(column - width / 2, labelRow, text);
    x += step;
  }
  surface.SetPenStyle(PenStyle::Solid);
}

void DrawHorizontalLines(AppState& state, Surface& surface) {
  const PlotGeometry& g = state.Geometry;
  const ViewSettings& view = state.View;
  const double ys = (g.Y0 - kPlotMargin) / g.KY;
  const double ye = (g.Y0 - (g.PlotHeight - kPlotMargin)) / g.KY;
  const double step = (ye - ys) / (view.Ly - 1);
  surface.SetPenStyle(PenStyle::Dotted);
  double y = ys;
  for (int line = 0; line < view.Ly; ++line) {
    RequireYRange(state.Observations);  // the spinner's redraw reaches here without the scales
    if (std::fabs(CheckedDivide(y, state.Observations.YAbsMax)) <= 0.001) {
      y = std::fabs(y);  // the zero line: the solid axis is there, and its label is unsigned
    } else {
      surface.MoveTo(0, ScreenY(g, y));
      surface.LineTo(g.PlotWidth, ScreenY(g, y));
    }
    const std::string text = FloatText(view.Dy, y);
    const int height = surface.TextHeight(text) % 256;
    surface.TextOut(15, ScreenY(g, y) - height / 2, text);
    y += step;
  }
  surface.SetPenStyle(PenStyle::Solid);
}

// The x of every point of a curve walk: one pixel column at a time from the margin's column
// while x <= ValueX(W - margin), the first point always. Far from the origin a column's width can
// vanish in x + d; then the walk steps from x1 by multiples of d, and it never takes more steps
// than four times the plot's columns.
void CurveXs(const PlotGeometry& g, std::vector<double>& xs) {
  const double d = 1 / g.KX;
  const double x1 = ValueX(g, kPlotMargin);
  const double xLast = ValueX(g, g.PlotWidth - kPlotMargin);
  const int maxSteps = 4 * (g.PlotWidth + 1);
  xs.clear();
  double x = x1;
  for (int step = 0; step < maxSteps; ++step) {
    xs.push_back(x);
    const double next = x + d;
    x = next > x ? next : x1 + (step + 1) * d;
    if (!(x <= xLast)) break;
  }
}

// Joins the points of the model, its sum S taken by the vector sine (each point's sum still
// formed in order of k from 0) and squared here for model 2.
void DrawCurve(AppState& state, Surface& surface, CurveBuffers& buffers, const HarmonicModel& m) {
  if (state.Observations.LastIndex + 1 > kObservationCapacity) {
    DrawCurveEnvelope(state, surface, m, buffers.Xs, buffers.Sums);
    return;
  }
  const PlotGeometry& g = state.Geometry;
  std::vector<double>& xs = buffers.Xs;
  std::vector<double>& sums = buffers.Sums;
  CurveXs(g, xs);
  const int points = static_cast<int>(xs.size());
  sums.resize(points);
  SumValues(m, xs.data(), points, sums.data(), SinArray);
  const bool squared = m.Kind == ModelKind::SquaredSum;
  for (int j = 0; j < points; ++j) {
    const double s = sums[j];
    const int column = TruncatePixel(g.KX * xs[j] + g.X0);
    const int row = TruncatePixel(g.KY * (squared ? s * s : s) + g.Y0);
    if (j == 0) {
      surface.MoveTo(column, row);
    } else {
      surface.LineTo(column, row);
    }
  }
}

}  // namespace

void RedrawPlot(AppState& state, Surface& surface, CurveBuffers& buffers) {
  ClearPlot(state, surface);
  DrawGrid(state, surface);
  if (state.FitStage >= 1) DrawSquaredCurve(state, surface, buffers);
  if (state.FitStage == 2) DrawSumCurve(state, surface, buffers);
  DrawPoints(state, surface);
}

void RedrawPlot(AppState& state,
                Surface& surface,
                CurveBuffers& buffers,
                const HarmonicModel models[2]) {
  ClearPlot(state, surface);
  DrawGrid(state, surface);
  if (state.FitStage >= 1) {
    surface.SetPenColor(kBlue);
    HarmonicModel m = models[1];
    m.Kind = ModelKind::SquaredSum;
    DrawCurve(state, surface, buffers, m);
  }
  if (state.FitStage == 2) {
    surface.SetPenColor(kWhite);
    HarmonicModel m = models[0];
    m.Kind = ModelKind::Sum;
    DrawCurve(state, surface, buffers, m);
  }
  DrawPoints(state, surface);
}

void ClearPlot(AppState& state, Surface& surface) {
  surface.SetPenColor(kWhite);
  surface.SetBrushColor(kBlack);
  surface.Rectangle(0, 0, state.Geometry.PlotWidth, state.Geometry.PlotHeight);
}

void DrawGrid(AppState& state, Surface& surface) {
  surface.SetFontColor(kSilver);
  surface.SetPenColor(kSilver);
  state.View.Lx = static_cast<std::uint8_t>(state.Controls.UpDown2);
  state.View.Ly = state.HorzLines;
  state.View.Dx = static_cast<std::uint8_t>(state.Controls.UpDown3);
  state.View.Dy = static_cast<std::uint8_t>(state.Controls.UpDown5);

  const PlotGeometry& g = state.Geometry;
  surface.SetPenStyle(PenStyle::Solid);
  surface.MoveTo(0, ScreenY(g, 0));
  surface.LineTo(g.PlotWidth, ScreenY(g, 0));
  DrawVerticalLines(state, surface);
  DrawHorizontalLines(state, surface);
}

void DrawSquaredCurve(AppState& state, Surface& surface, CurveBuffers& buffers) {
  surface.SetPenColor(kBlue);
  // During stage 1 set 1 holds model 2 as it is being fitted.
  HarmonicModel m =
      ModelOf(state.Coefficients, state.FitStage == 1 ? ModelKind::Sum : ModelKind::SquaredSum);
  m.Kind = ModelKind::SquaredSum;
  DrawCurve(state, surface, buffers, m);
}

void DrawSumCurve(AppState& state, Surface& surface, CurveBuffers& buffers) {
  surface.SetPenColor(kWhite);
  DrawCurve(state, surface, buffers, ModelOf(state.Coefficients, ModelKind::Sum));
}

void DrawPoints(AppState& state, Surface& surface) {
  const ObservationSet& obs = state.Observations;
  if (obs.LastIndex + 1 > kObservationCapacity) {
    DrawThinnedPoints(state, surface);
    return;
  }
  surface.SetBrushColor(kBlack);
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const int px = ScreenX(state.Geometry, obs.PlotX[i]);
    const int py = ScreenY(state.Geometry, obs.OrigY[i]);
    surface.SetPenColor(kBlack);
    surface.Rectangle(px - 3, py - 3, px + 3, py + 3);
    surface.SetPenColor(kWhite);
    surface.Rectangle(px - 2, py - 2, px + 2, py + 2);
  }
}
