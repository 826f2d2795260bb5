#include "plot/thinned_points.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <vector>

#include "model/model_values.h"
#include "plot/plot_geometry.h"
#include "plot/surface.h"
#include "sine/sine_kernel.h"
#include "state/app_state.h"

namespace {

constexpr int kMarkerHalf = 3;           // a marker's black border reaches 3 pixels from its centre
constexpr double kSamplesPerCycle = 16;  // each cycle's top and bottom within 2 % of its swing
constexpr double kRowLimit = 1 << 20;    // as the window's curves clamp far rows

// ScreenX's and ScreenY's rounding (to nearest, ties to even) for |v| below 2^51, without a
// call: adding and taking away 1.5 * 2^52 leaves v rounded in the default rounding mode. A
// million observations are placed in a few milliseconds.
int NearestPixel(double v) {
  constexpr double kShift = 6755399441055744.0;    // 1.5 * 2^52
  return static_cast<int>((v + kShift) - kShift);  // no fast-math: never folded away
}

int ClampedRow(double v) {
  if (!(v > -kRowLimit)) return static_cast<int>(-kRowLimit);
  return static_cast<int>(std::min(v, kRowLimit));  // toward zero, as the window's curves
}

// Samples per pixel column that follow the model's highest frequency.
int SamplesPerColumn(const HarmonicModel& m, double columnWidth) {
  double highest = 0;
  for (int k = 0; k < m.Count; ++k) highest = std::max(highest, std::fabs(m.B[k]));
  if (m.Kind == ModelKind::SquaredSum) highest *= 2;  // a square doubles its frequencies
  const double cycles = highest * columnWidth / (2 * std::numbers::pi);
  const double samples = std::ceil(cycles * kSamplesPerCycle);
  return samples >= kMaxCurveSamples ? kMaxCurveSamples : std::max(1, static_cast<int>(samples));
}

void DrawMarker(Surface& surface, int px, int py) {
  surface.SetPenColor(kBlack);
  surface.Rectangle(px - 3, py - 3, px + 3, py + 3);
  surface.SetPenColor(kWhite);
  surface.Rectangle(px - 2, py - 2, px + 2, py + 2);
}

}  // namespace

void DrawThinnedPoints(AppState& state, Surface& surface) {
  const PlotGeometry& g = state.Geometry;
  const ObservationSet& obs = state.Observations;
  // A marker whose centre is just off the plot still shows its edge.
  const int first = -kMarkerHalf, columns = g.PlotWidth + 2 * kMarkerHalf + 1;
  std::vector<int> low(columns, INT_MAX), high(columns, INT_MIN);
  const double *xs = obs.PlotX.data(), *ys = obs.OrigY.data();
  const double lowest = first - 0.5, beyond = first + columns - 0.5;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double column = g.KX * xs[i] + g.X0;
    if (!(column >= lowest && column < beyond)) continue;
    const int c = NearestPixel(column) - first;
    const int row = NearestPixel(std::clamp(g.KY * ys[i] + g.Y0, -kRowLimit, kRowLimit));
    low[c] = std::min(low[c], row);
    high[c] = std::max(high[c], row);
  }
  // The markers first, then the spans over them: a marker's black border never cuts the
  // white of the next column's span.
  surface.SetBrushColor(kBlack);
  for (int c = 0; c < columns; ++c) {
    if (low[c] > high[c]) continue;
    DrawMarker(surface, c + first, low[c]);
    if (high[c] != low[c]) DrawMarker(surface, c + first, high[c]);
  }
  surface.SetPenColor(kWhite);
  for (int c = 0; c < columns; ++c) {
    if (low[c] >= high[c]) continue;
    surface.MoveTo(c + first, low[c]);
    surface.LineTo(c + first, high[c] + 1);  // LineTo leaves out its end pixel
  }
}

void DrawCurveEnvelope(AppState& state,
                       Surface& surface,
                       const HarmonicModel& model,
                       std::vector<double>& xs,
                       std::vector<double>& values) {
  const PlotGeometry& g = state.Geometry;
  const int left = kPlotMargin, right = g.PlotWidth - kPlotMargin;
  if (right < left || !(g.KX != 0)) return;
  const int per = SamplesPerColumn(model, std::fabs(1 / g.KX));
  xs.clear();
  for (int c = left; c <= right; ++c) {
    for (int j = 0; j < per; ++j) xs.push_back((c - 0.5 + (j + 0.5) / per - g.X0) / g.KX);
  }
  values.resize(xs.size());
  SumValues(model, xs.data(), static_cast<int>(xs.size()), values.data(), SinArray);
  const bool squared = model.Kind == ModelKind::SquaredSum;
  int lastRow = 0;
  for (int c = left; c <= right; ++c) {
    int low = INT_MAX, high = INT_MIN, first = 0;
    for (int j = 0; j < per; ++j) {
      const double v = values[static_cast<std::size_t>((c - left) * per + j)];
      const int row = ClampedRow(g.KY * (squared ? v * v : v) + g.Y0);
      if (j == 0) first = row;
      low = std::min(low, row);
      high = std::max(high, row);
    }
    if (c > left) {  // joined to the column before
      surface.MoveTo(c - 1, lastRow);
      surface.LineTo(c, first);
    }
    surface.MoveTo(c, low);
    surface.LineTo(c, high + 1);
    const double v = values[static_cast<std::size_t>((c - left) * per + per - 1)];
    lastRow = ClampedRow(g.KY * (squared ? v * v : v) + g.Y0);
  }
}
