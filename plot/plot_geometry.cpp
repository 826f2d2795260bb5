#include "plot/plot_geometry.h"

#include <cmath>

#include "base/run_time_fault.h"
#include "data/observation_set.h"

namespace {

constexpr double kLargestPixel = 2147483647.0;  // a column or row must fit a 32-bit integer

int RoundToPixel(double v) {
  const double rounded = std::nearbyint(v);  // the default mode rounds ties to even
  if (!(std::fabs(rounded) <= kLargestPixel)) RaiseFault(RunTimeFault::Kind::InvalidOperation);
  return static_cast<int>(rounded);
}

}  // namespace

void UpdateLayout(PlotGeometry& geometry, int clientWidth, int clientHeight) {
  const int width = geometry.PanelMode == 1 ? clientWidth - kPanelWidth : clientWidth;
  geometry.PlotWidth = static_cast<std::uint16_t>(width);
  geometry.PlotHeight = static_cast<std::uint16_t>(clientHeight);
}

void RequireYRange(const ObservationSet& obs) {
  if (obs.YAbsMax == 0) throw UnplottableDataFault(kNoYRangeText);
}

void UpdateScales(PlotGeometry& geometry, const ObservationSet& obs) {
  const int innerWidth = geometry.PlotWidth - 2 * kPlotMargin;
  const double range = obs.XMax - obs.XMin;
  if (range == 0) throw UnplottableDataFault(kNoXRangeText);
  if (geometry.XScaleMode == 1) {
    const double kx = CheckedDivide(innerWidth, range);
    geometry.X0 = CheckedValue(kPlotMargin - kx * obs.XMin);
    geometry.KX = kx;
  } else {
    const double kx = CheckedDivide(innerWidth, range) / 2;
    geometry.X0 = CheckedValue(innerWidth / 4.0 + kPlotMargin - kx * obs.XMin);
    geometry.KX = kx;
  }
  const int innerHeight = 2 * kPlotMargin - geometry.PlotHeight;
  RequireYRange(obs);
  geometry.KY = CheckedDivide(innerHeight / 2.0, obs.YAbsMax);
  geometry.Y0 = geometry.PlotHeight / 2.0;
}

int ScreenX(const PlotGeometry& geometry, double x) {
  return RoundToPixel(geometry.KX * x + geometry.X0);
}

int ScreenY(const PlotGeometry& geometry, double y) {
  return RoundToPixel(geometry.KY * y + geometry.Y0);
}

double ValueX(const PlotGeometry& geometry, int column) {
  return CheckedDivide(column - geometry.X0, geometry.KX);
}
