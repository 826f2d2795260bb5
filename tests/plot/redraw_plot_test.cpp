#include "plot/redraw_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/run_time_fault.h"
#include "state/app_state.h"
#include "tests/plot/recording_surface.h"

namespace {

// A prepared five-point set on x in [0, 8], y in [-2, 2], laid out on a 600 x 560 window.
AppState MakeState(int fitStage = 0) {
  AppState state;
  ObservationSet& obs = state.Observations;
  obs.LastIndex = 4;
  const double xs[] = {0, 2, 4, 6, 8};
  const double ys[] = {1, -2, 0.5, 2, -1};
  for (int i = 0; i <= 4; ++i) {
    obs.X[i] = xs[i];
    obs.WorkY[i] = ys[i];
  }
  PrepareData(obs);
  UpdateLayout(state.Geometry, 600, 560);
  UpdateScales(state.Geometry, obs);
  state.FitStage = fitStage;
  state.Coefficients.HarmonicCount = 1;
  state.Coefficients.A[0] = 1;
  state.Coefficients.B[0] = 1;
  state.Coefficients.A2[0] = 1.2;
  state.Coefficients.B2[0] = 0.5;
  return state;
}

// The designed window's plot: the client area less the panel.
constexpr int kPlotWidth = 600 - kPanelWidth;
constexpr int kPlotHeight = 560;
constexpr int kPoints = 5;               // the observations MakeState lays out
constexpr int kRectsPerMarker = 2;       // a black border, then a white outline
constexpr int kLabelCellHeight = 13;     // RecordingSurface's text height
constexpr int kLabelCharacterWidth = 6;  // RecordingSurface's text width per character

std::vector<DrawOp> Draw(AppState& state) {
  RecordingSurface surface;
  CurveBuffers buffers;
  RedrawPlot(state, surface, buffers);
  return surface.Ops;
}

std::vector<DrawOp> OfKind(const std::vector<DrawOp>& ops, DrawOp::Kind kind) {
  std::vector<DrawOp> result;
  std::copy_if(ops.begin(), ops.end(), std::back_inserter(result), [kind](const DrawOp& op) {
    return op.What == kind;
  });
  return result;
}

size_t CountLines(const std::vector<DrawOp>& ops, Rgb color) {
  return std::count_if(ops.begin(), ops.end(), [color](const DrawOp& op) {
    return op.What == DrawOp::Line && op.With.PenColor == color;
  });
}

TEST(RedrawPlot, StartsWithTheFramedBlackField) {
  AppState state = MakeState();
  const std::vector<DrawOp> ops = Draw(state);
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(ops[0].What, DrawOp::Rect);
  EXPECT_EQ(ops[0].X1, 0);
  EXPECT_EQ(ops[0].Y1, 0);
  EXPECT_EQ(ops[0].X2, kPlotWidth);
  EXPECT_EQ(ops[0].Y2, kPlotHeight);
  EXPECT_EQ(ops[0].With.PenColor, kWhite);
  EXPECT_EQ(ops[0].With.BrushColor, kBlack);
}

TEST(RedrawPlot, DrawsCurvesOnlyForTheirFitStage) {
  for (int stage : {0, 1, 2}) {
    SCOPED_TRACE(stage);
    AppState state = MakeState(stage);
    const std::vector<DrawOp> ops = Draw(state);
    EXPECT_EQ(CountLines(ops, kBlue) > 0, stage >= 1);
    EXPECT_EQ(CountLines(ops, kWhite) > 0, stage == 2);
  }
}

TEST(RedrawPlot, DrawsTheMarkersLastOverTheWhiteCurveOverTheBlueOne) {
  AppState state = MakeState(2);
  const std::vector<DrawOp> ops = Draw(state);
  const auto lastBlue = std::find_if(ops.rbegin(), ops.rend(), [](const DrawOp& op) {
    return op.What == DrawOp::Line && op.With.PenColor == kBlue;
  });
  const auto firstWhite = std::find_if(ops.begin(), ops.end(), [](const DrawOp& op) {
    return op.What == DrawOp::Line && op.With.PenColor == kWhite;
  });
  EXPECT_LT(std::distance(ops.begin(), lastBlue.base()), std::distance(ops.begin(), firstWhite));
  // Two rectangles per observation close the picture: black border, then white outline.
  constexpr size_t kMarkerOps = kPoints * kRectsPerMarker;
  ASSERT_GE(ops.size(), kMarkerOps);
  const size_t firstMarker = ops.size() - kMarkerOps;
  for (int i = 0; i < kPoints; ++i) {
    const DrawOp& border = ops[firstMarker + kRectsPerMarker * i];
    const DrawOp& outline = ops[firstMarker + kRectsPerMarker * i + 1];
    EXPECT_EQ(border.What, DrawOp::Rect);
    EXPECT_EQ(border.With.PenColor, kBlack);
    EXPECT_EQ(outline.With.PenColor, kWhite);
    EXPECT_EQ(outline.X2 - outline.X1, 4);
    EXPECT_EQ(border.X2 - border.X1, 6);
  }
  const DrawOp& first = ops[firstMarker];
  EXPECT_EQ(first.X1 + 3, kPlotMargin);  // x = 0 at the margin's column
  EXPECT_EQ(first.Y1 + 3, ScreenY(state.Geometry, 1));
}

TEST(DrawGrid, TheAxisIsSolidAndTheGridDotted) {
  AppState state = MakeState();
  const std::vector<DrawOp> lines = OfKind(Draw(state), DrawOp::Line);
  ASSERT_FALSE(lines.empty());
  const int axisRow = ScreenY(state.Geometry, 0);
  EXPECT_EQ(lines[0].With.Style, PenStyle::Solid);
  EXPECT_EQ(lines[0].Y1, axisRow);
  EXPECT_EQ(lines[0].X2, kPlotWidth);
  // 9 vertical and 4 horizontal dotted lines: the zero line is left to the axis.
  int dotted = 0;
  for (const DrawOp& op : lines) {
    if (op.With.Style == PenStyle::Dotted) {
      ++dotted;
      EXPECT_FALSE(op.Y1 == axisRow && op.Y2 == axisRow) << "zero line overdrawn";
    }
  }
  EXPECT_EQ(dotted, 9 + 4);
}

TEST(DrawGrid, LabelsEveryLineButTheLeftmostVerticalOne) {
  AppState state = MakeState();
  const std::vector<DrawOp> texts = OfKind(Draw(state), DrawOp::Text);
  ASSERT_EQ(texts.size(), 8u + 5u);
  const int labelRow = ScreenY(state.Geometry, 0) + 5;
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(texts[i].Y1, labelRow);
    EXPECT_NE(texts[i].Label, "0.000");  // x = 0 sits on the unlabelled leftmost line
  }
  EXPECT_EQ(texts[7].Label, "8.000");
  // Centred on column W - margin.
  EXPECT_EQ(texts[7].X1, kPlotWidth - kPlotMargin - kLabelCharacterWidth * 5 / 2);
  // Horizontal labels: column 15, centred on their rows, from -M up to +M; zero unsigned.
  const char* expected[] = {"-2.000", "-1.000", "0.000", "1.000", "2.000"};
  for (int i = 0; i < 5; ++i) {
    const DrawOp& label = texts[8 + i];
    EXPECT_EQ(label.X1, 15);
    EXPECT_EQ(label.Label, expected[i]);
    EXPECT_EQ(label.With.FontColor, kSilver);
    EXPECT_EQ(label.With.BrushColor, kBlack);
  }
  EXPECT_EQ(texts[8].Y1, kPlotHeight - kPlotMargin - kLabelCellHeight / 2);
}

TEST(DrawGrid, ReadsTheControlsAtEveryDraw) {
  AppState state = MakeState();
  state.Controls.UpDown2 = 3;
  state.Controls.UpDown3 = 0;
  state.Controls.UpDown5 = 1;
  state.HorzLines = 7;
  const std::vector<DrawOp> texts = OfKind(Draw(state), DrawOp::Text);
  EXPECT_EQ(state.View.Lx, 3);
  EXPECT_EQ(state.View.Ly, 7);
  ASSERT_EQ(texts.size(), 2u + 7u);
  EXPECT_EQ(texts[0].Label, "4");
  EXPECT_EQ(texts[1].Label, "8");
  EXPECT_EQ(texts[2].Label, "-2.0");
}

TEST(DrawSumCurve, WalksOneColumnAtATimeFromTenToWidthLessTen) {
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    AppState state = MakeState(2);
    state.Geometry.XScaleMode = static_cast<std::uint8_t>(mode);
    UpdateScales(state.Geometry, state.Observations);
    RecordingSurface surface;
    CurveBuffers buffers;
    DrawSumCurve(state, surface, buffers);
    ASSERT_GE(surface.Ops.size(), 2u);
    EXPECT_EQ(surface.Ops[0].What, DrawOp::Move);
    EXPECT_EQ(surface.Ops[0].X1, kPlotMargin);
    const DrawOp& last = surface.Ops.back();
    EXPECT_GE(last.X2, 518);
    EXPECT_LE(last.X2, 520);
    // Rows are truncated toward zero from KY*s + Y0.
    const double x = ValueX(state.Geometry, 10);
    EXPECT_EQ(surface.Ops[0].Y1, static_cast<int>(state.Geometry.KY * std::sin(x) + 280));
  }
}

TEST(DrawSquaredCurve, UsesSetOneDuringStageOneAndSetTwoAfter) {
  AppState state = MakeState(1);
  CurveBuffers buffers;
  RecordingSurface during;
  DrawSquaredCurve(state, during, buffers);
  state.FitStage = 2;
  RecordingSurface after;
  DrawSquaredCurve(state, after, buffers);
  const double x = ValueX(state.Geometry, 10);
  const double s1 = std::sin(x), s2 = 1.2 * std::sin(0.5 * x);
  EXPECT_EQ(during.Ops[0].Y1, static_cast<int>(state.Geometry.KY * s1 * s1 + 280));
  EXPECT_EQ(after.Ops[0].Y1, static_cast<int>(state.Geometry.KY * s2 * s2 + 280));
}

TEST(DrawGrid, AllZeroYFailsAtTheFirstHorizontalLineAfterTheVerticalOnes) {
  AppState state = MakeState();
  state.Observations.YAbsMax = 0;
  RecordingSurface surface;
  CurveBuffers buffers;
  EXPECT_THROW(RedrawPlot(state, surface, buffers), RunTimeFault);
  EXPECT_EQ(OfKind(surface.Ops, DrawOp::Text).size(), 8u);
  EXPECT_EQ(CountLines(surface.Ops, kSilver), 1u + 9u);
}

TEST(DrawSumCurve, EndsFarFromTheOriginWhereAColumnIsBelowTheDoublesSpacing) {
  AppState state = MakeState(2);
  ObservationSet& obs = state.Observations;
  for (int i = 0; i <= 4; ++i) obs.X[i] = 1e17 + 16 * i;  // one column is below 1e17's ulp
  PrepareData(obs);
  UpdateScales(state.Geometry, obs);
  RecordingSurface surface;
  CurveBuffers buffers;
  DrawSumCurve(state, surface, buffers);  // must return
  EXPECT_LE(surface.Ops.size(), 4u * 531u);
}

TEST(DrawSumCurve, ClampsRowsOfHugeValues) {
  AppState state = MakeState(2);
  state.Coefficients.A[0] = 1e300;
  state.Coefficients.C[0] = 1;
  RecordingSurface surface;
  CurveBuffers buffers;
  DrawSumCurve(state, surface, buffers);
  for (const DrawOp& op : surface.Ops) {
    EXPECT_LE(std::abs(op.Y2), 1 << 20);
  }
}

TEST(RedrawPlot, DrawsTheSamePictureWithBuffersLeftFromAnotherPlot) {
  AppState wide = MakeState(2);
  AppState narrow = MakeState(2);
  narrow.Geometry.XScaleMode = 2;
  UpdateScales(narrow.Geometry, narrow.Observations);
  const std::vector<DrawOp> fresh = Draw(narrow);
  CurveBuffers buffers;
  RecordingSurface first, second;
  RedrawPlot(wide, first, buffers);  // leaves more points in the buffers than narrow needs
  RedrawPlot(narrow, second, buffers);
  ASSERT_EQ(second.Ops.size(), fresh.size());
  for (size_t i = 0; i < fresh.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(second.Ops[i].What, fresh[i].What);
    EXPECT_EQ(second.Ops[i].X1, fresh[i].X1);
    EXPECT_EQ(second.Ops[i].Y1, fresh[i].Y1);
    EXPECT_EQ(second.Ops[i].X2, fresh[i].X2);
    EXPECT_EQ(second.Ops[i].Y2, fresh[i].Y2);
  }
}

}  // namespace
