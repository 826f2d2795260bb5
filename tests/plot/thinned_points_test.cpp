#include "plot/thinned_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "plot/redraw_plot.h"
#include "state/app_state.h"
#include "tests/plot/recording_surface.h"

namespace {

// Each pixel column's drawing: the rows of its markers' centres and the span its line covers.
struct ColumnDrawing {
  std::map<int, int> MarkerRows;  // row -> markers there
  int LineTop = 0, LineBottom = -1;
};

std::map<int, ColumnDrawing> ColumnsDrawn(const RecordingSurface& surface) {
  std::map<int, ColumnDrawing> columns;
  for (const DrawOp& op : surface.Ops) {
    if (op.What == DrawOp::Rect && op.With.PenColor == kWhite) {
      ++columns[op.X1 + 2].MarkerRows[op.Y1 + 2];  // the white outline: centre +- 2
    } else if (op.What == DrawOp::Line && op.X1 == op.X2) {
      columns[op.X1].LineTop = std::min(op.Y1, op.Y2);
      columns[op.X1].LineBottom = std::max(op.Y1, op.Y2) - 1;  // the end pixel is left out
    }
  }
  return columns;
}

TEST(DrawThinnedPoints, EveryColumnShowsItsLowestAndHighestObservationAndAllBetween) {
  // Noisy and steep enough that most columns hold many rows, some one.
  const int counts[] = {101, 20'000};
  for (const int count : counts) {
    SCOPED_TRACE(count);
    AppState state;
    ObservationSet& obs = state.Observations;
    ReserveObservations(obs, count);
    obs.LastIndex = count - 1;
    for (int i = 0; i < count; ++i) {
      obs.X[i] = i * 0.01;
      obs.WorkY[i] = std::sin(i * 0.37) * (1 + (i % 7)) + 0.001 * i;
    }
    PrepareData(obs);
    UpdateLayout(state.Geometry, 600, 560);
    UpdateScales(state.Geometry, obs);
    RecordingSurface surface;
    DrawPoints(state, surface);

    std::map<int, std::pair<int, int>> expected;  // column -> lowest and highest row
    for (int i = 0; i < count; ++i) {
      const int c = ScreenX(state.Geometry, obs.PlotX[i]),
                r = ScreenY(state.Geometry, obs.OrigY[i]);
      auto [it, fresh] = expected.try_emplace(c, r, r);
      it->second = {std::min(it->second.first, r), std::max(it->second.second, r)};
    }
    const std::map<int, ColumnDrawing> drawn = ColumnsDrawn(surface);
    ASSERT_EQ(drawn.size(), expected.size());
    for (const auto& [column, rows] : expected) {
      SCOPED_TRACE(column);
      const ColumnDrawing& d = drawn.at(column);
      const auto [low, high] = rows;
      EXPECT_EQ(d.MarkerRows.begin()->first, low);
      EXPECT_EQ(d.MarkerRows.rbegin()->first, high);
      EXPECT_LE(d.MarkerRows.size(), 2u);
      if (high > low) {
        EXPECT_EQ(d.LineTop, low);
        EXPECT_EQ(d.LineBottom, high);
      }
    }
  }
}

}  // namespace

namespace {

TEST(DrawCurveEnvelope, AColumnHoldingManyCyclesShowsTheirWholeSwing) {
  AppState state;
  ObservationSet& obs = state.Observations;
  constexpr int kCount = 1000;
  ReserveObservations(obs, kCount);
  obs.LastIndex = kCount - 1;
  for (int i = 0; i < kCount; ++i) {
    obs.X[i] = i;
    obs.WorkY[i] = (i % 2 ? 1 : -1);
  }
  PrepareData(obs);
  UpdateLayout(state.Geometry, 600, 560);
  UpdateScales(state.Geometry, obs);
  state.FitStage = 2;
  state.Coefficients.HarmonicCount = 1;
  state.Coefficients.A[0] = 1;
  state.Coefficients.B[0] = 23;  // about 3.7 cycles a unit, and a column spans about 2 units
  RecordingSurface surface;
  CurveBuffers buffers;
  DrawSumCurve(state, surface, buffers);
  const int top = static_cast<int>(state.Geometry.KY * 1 + state.Geometry.Y0);
  const int bottom = static_cast<int>(state.Geometry.KY * -1 + state.Geometry.Y0);
  int columns = 0, whole = 0;
  for (const DrawOp& op : surface.Ops) {
    if (op.What != DrawOp::Line || op.X1 != op.X2) continue;
    ++columns;
    whole += std::abs(op.Y2 - op.Y1) - 1 >= 0.95 * std::abs(bottom - top);
  }
  EXPECT_GT(columns, 400);
  EXPECT_GT(whole, columns * 9 / 10);  // an alias would swing less in most columns
}

}  // namespace
