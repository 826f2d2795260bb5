#include "plot/print_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/harmonic_model.h"
#include "state/app_state.h"
#include "tests/plot/recording_surface.h"

namespace {

// count points of a*sin(x) + offset on x in [x0, x0 + span], fitted as that sine.
AppState SineState(int count, double x0, double span, double a, double offset) {
  AppState state;
  ObservationSet& obs = state.Observations;
  ReserveObservations(obs, count);
  obs.LastIndex = count - 1;
  for (int i = 0; i < count; ++i) {
    obs.X[i] = x0 + span * i / (count - 1);
    obs.WorkY[i] = a * std::sin(obs.X[i]) + offset;
  }
  PrepareData(obs);
  state.FitStage = 2;
  state.Coefficients.HarmonicCount = 1;
  state.Coefficients.A[0] = state.Coefficients.A2[0] = a;
  state.Coefficients.B[0] = state.Coefficients.B2[0] = 1;
  return state;
}

TEST(DrawPrintPlot, EveryLabelLiesInsideThePicture) {
  const struct {
    int Count;
    double X0, Span, A, Offset;
    int Width, Height;
  } cases[] = {
      {10, 0, 10, 1, 0, 800, 500},
      {50, -12345.6, 0.002, 1e6, -3e6, 400, 260},  // long labels on a small picture
      {7000, 1990, 35, 0.01, 0, 1890, 1181},       // a long series, thinned
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Width);
    AppState state = SineState(c.Count, c.X0, c.Span, c.A, c.Offset);
    PrintStyle style;
    style.Width = c.Width;
    style.Height = c.Height;
    style.XTitle = "время, сут";
    style.YTitle = "температура, °C";
    RecordingSurface surface;
    DrawPrintPlot(state, nullptr, style, surface);
    int texts = 0;
    for (const DrawOp& op : surface.Ops) {
      if (op.What != DrawOp::Text) continue;
      ++texts;
      SCOPED_TRACE(op.Label);
      EXPECT_GE(op.X1, 0);
      EXPECT_LE(op.X1 + surface.TextWidth(op.Label), c.Width);
      EXPECT_GE(op.Y1, 0);
      EXPECT_LE(op.Y1 + surface.TextHeight(op.Label), c.Height);
    }
    EXPECT_GE(texts, 8);  // ticks of both axes, both titles, the legend
  }
}

TEST(DrawPrintPlot, AWhiteFieldDarkCurvesAndALegendNamingBothModels) {
  AppState state = SineState(40, 0, 12, 2, 3);
  PrintStyle style;
  style.LineWidth = 4;
  RecordingSurface surface;
  DrawPrintPlot(state, nullptr, style, surface);
  const DrawOp& first = surface.Ops.front();
  EXPECT_EQ(first.What, DrawOp::Rect);
  EXPECT_EQ(first.With.BrushColor, (Rgb{255, 255, 255}));
  EXPECT_EQ(first.X2, style.Width);
  EXPECT_EQ(first.Y2, style.Height);
  int wideInk = 0, wideBlue = 0;
  bool named[2] = {false, false};
  for (const DrawOp& op : surface.Ops) {
    if (op.What == DrawOp::Line && op.With.PenWidth == 4) {
      const Rgb pen = op.With.PenColor;
      wideInk += pen == Rgb{0, 0, 0};
      wideBlue += pen.B > 150 && pen.R < 60;
    }
    if (op.What == DrawOp::Text) {
      named[0] = named[0] || op.Label == style.Model1Name;
      named[1] = named[1] || op.Label == style.Model2Name;
      EXPECT_EQ(op.With.FontColor, (Rgb{0, 0, 0}));
    }
  }
  EXPECT_GT(wideInk, 100);  // model 1 across the picture, and its legend sample
  EXPECT_GT(wideBlue, 100);
  EXPECT_TRUE(named[0] && named[1]);
}

}  // namespace
