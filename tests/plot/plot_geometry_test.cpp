#include "plot/plot_geometry.h"

#include <gtest/gtest.h>

#include "base/run_time_fault.h"
#include "data/observation_set.h"

namespace {

ObservationSet MakeSet(double xMin, double xMax, double yAbsMax) {
  ObservationSet obs;
  obs.LastIndex = 1;
  obs.X[0] = xMin;
  obs.X[1] = xMax;
  obs.WorkY[0] = -yAbsMax;
  obs.WorkY[1] = yAbsMax / 2;
  PrepareData(obs);
  return obs;
}

PlotGeometry Layout(int clientWidth, int clientHeight, int panelMode, int xScaleMode) {
  PlotGeometry g;
  g.PanelMode = static_cast<std::uint8_t>(panelMode);
  g.XScaleMode = static_cast<std::uint8_t>(xScaleMode);
  UpdateLayout(g, clientWidth, clientHeight);
  return g;
}

TEST(UpdateLayout, ThePanelTakesSeventyPixelsAndTheHeightStays) {
  const PlotGeometry shown = Layout(600, 560, 1, 1);
  const PlotGeometry hidden = Layout(600, 560, 2, 1);
  EXPECT_EQ(shown.PlotWidth, 530);
  EXPECT_EQ(hidden.PlotWidth, 600);
  EXPECT_EQ(shown.PlotHeight, 560);
  EXPECT_EQ(hidden.PlotHeight, 560);
}

TEST(UpdateScales, DataFillTheWidthLessTenPixelMarginsInModeOne) {
  for (int width : {600, 601, 777, 1024}) {
    PlotGeometry g = Layout(width, 561, 1, 1);
    const ObservationSet obs = MakeSet(-3.25, 17.5, 4);
    UpdateScales(g, obs);
    EXPECT_EQ(ScreenX(g, obs.XMin), 10);
    EXPECT_EQ(ScreenX(g, obs.XMax), g.PlotWidth - 10);
    EXPECT_EQ(ScreenY(g, 4), 10);
    EXPECT_EQ(ScreenY(g, -4), g.PlotHeight - 10);
  }
}

TEST(UpdateScales, DataFillTheMiddleHalfInModeTwo) {
  PlotGeometry g = Layout(600, 560, 2, 2);  // W - 20 = 580, a quarter is 145
  const ObservationSet obs = MakeSet(0, 10, 1);
  UpdateScales(g, obs);
  EXPECT_EQ(ScreenX(g, 0), 155);
  EXPECT_EQ(ScreenX(g, 10), 445);
}

TEST(ScreenY, ZeroLandsOnTheMiddleRowRoundedToEven) {
  const ObservationSet obs = MakeSet(0, 1, 2);
  PlotGeometry even = Layout(600, 560, 1, 1);
  UpdateScales(even, obs);
  EXPECT_EQ(ScreenY(even, 0), 280);
  PlotGeometry odd = Layout(600, 561, 1, 1);  // H / 2 = 280.5 rounds to 280
  UpdateScales(odd, obs);
  EXPECT_EQ(ScreenY(odd, 0), 280);
  PlotGeometry odd2 = Layout(600, 563, 1, 1);  // 281.5 rounds to 282
  UpdateScales(odd2, obs);
  EXPECT_EQ(ScreenY(odd2, 0), 282);
}

TEST(ValueX, InvertsTheXMap) {
  PlotGeometry g = Layout(600, 560, 1, 1);
  UpdateScales(g, MakeSet(2, 12, 1));
  EXPECT_DOUBLE_EQ(ValueX(g, 10), 2);
  EXPECT_DOUBLE_EQ(ValueX(g, g.PlotWidth - 10), 12);
}

TEST(UpdateScales, AZeroXRangeFailsBeforeAnyScaleChanges) {
  PlotGeometry g = Layout(600, 560, 1, 1);
  UpdateScales(g, MakeSet(0, 10, 1));
  const PlotGeometry before = g;
  ObservationSet flat = MakeSet(5, 5, 1);
  EXPECT_THROW(UpdateScales(g, flat), RunTimeFault);
  EXPECT_EQ(g.KX, before.KX);
  EXPECT_EQ(g.X0, before.X0);
  EXPECT_EQ(g.KY, before.KY);
  EXPECT_EQ(g.Y0, before.Y0);
}

TEST(UpdateScales, AllZeroYFailsAfterTheXScaleIsStored) {
  PlotGeometry g = Layout(600, 560, 1, 1);
  UpdateScales(g, MakeSet(0, 10, 1));
  const PlotGeometry before = g;
  try {
    UpdateScales(g, MakeSet(0, 20, 0));
    FAIL() << "no fault";
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::DivisionByZero);
  }
  EXPECT_NE(g.KX, before.KX);
  EXPECT_EQ(g.KY, before.KY);
  EXPECT_EQ(g.Y0, before.Y0);
}

TEST(ScreenX, ValuesBeyondThePixelRangeFaultInsteadOfWrapping) {
  PlotGeometry g = Layout(600, 560, 1, 1);
  UpdateScales(g, MakeSet(0, 1, 1));
  EXPECT_THROW(ScreenX(g, 1e300), RunTimeFault);
  EXPECT_THROW(ScreenY(g, std::numeric_limits<double>::quiet_NaN()), RunTimeFault);
}

}  // namespace
