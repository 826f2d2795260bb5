#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/run_time_fault.h"
#include "fit/fit_harmonics.h"
#include "fit_test_support.h"

namespace {

template <typename Action>
RunTimeFault::Kind FaultOf(Action action) {
  try {
    action();
  } catch (const RunTimeFault& fault) {
    return fault.FaultKind;
  }
  ADD_FAILURE() << "no run-time fault";
  return RunTimeFault::Kind::InputOutput;
}

void FillSetOne(CoefficientTable& t) {
  for (int k = 0; k < kMaxHarmonics; ++k) {
    t.A[k] = 1 + k;
    t.B[k] = 0.5 + k;
    t.C[k] = 0.25 + k;
  }
}

void ExpectFinite(const double* values, int n) {
  for (int k = 0; k < n; ++k) EXPECT_TRUE(std::isfinite(values[k])) << k;
}

class FitFaultTest : public FixedSeedTest {};

TEST_F(FitFaultTest, ZeroMinimumPeriodFailsBeforeSetOneIsTouched) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 20), 3, 7);
  state.Observations.MinPeriod = 0;
  FillSetOne(state.Coefficients);

  EXPECT_EQ(FaultOf([&] { FitBothModels(state, state.Controls.ComboBox1); }),
            RunTimeFault::Kind::DivisionByZero);

  EXPECT_EQ(state.FitStage, 1);
  EXPECT_EQ(state.TrialCount, 0);
  CoefficientTable untouched;
  FillSetOne(untouched);
  for (int k = 0; k < kMaxHarmonics; ++k) {
    EXPECT_EQ(state.Coefficients.A[k], untouched.A[k]);
    EXPECT_EQ(state.Coefficients.B[k], untouched.B[k]);
    EXPECT_EQ(state.Coefficients.C[k], untouched.C[k]);
    EXPECT_EQ(state.Coefficients.A2[k], 0);
  }
}

TEST_F(FitFaultTest, ZeroXRangeFailsAtTheZeroCrossingScaleAfterClearingTheUsedHarmonics) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 20), 2, 7);
  ObservationSet& obs = state.Observations;
  for (int i = 0; i <= obs.LastIndex; ++i) obs.X[i] = obs.PlotX[i] = 2;
  obs.XMin = obs.XMax = 2;
  obs.MinPeriod = 1;
  FillSetOne(state.Coefficients);
  state.FitStage = 2;

  EXPECT_EQ(FaultOf([&] { FitHarmonics(state, state.Controls.ComboBox1); }),
            RunTimeFault::Kind::DivisionByZero);

  EXPECT_EQ(state.FreqScale[1], 2 * std::numbers::pi);
  EXPECT_EQ(state.TrialCount, 7);
  for (int k = 0; k < 2; ++k) EXPECT_EQ(state.Coefficients.A[k], 0);
  EXPECT_EQ(state.Coefficients.A[2], 3);  // beyond N: left alone
}

// y near 1e200 keep a finite stage 1 (its target is sqrt(y)), but their squares leave the
// doubles at stage 2's starting residual.
TEST_F(FitFaultTest, DataWhoseSquaresOverflowFailAtStageTwoWithFiniteModelTwo) {
  ObservationSet obs = MakeSineSample(3, 1.3, 0.4, 20);
  ScaleY(obs, 1e200);
  AppState state = MakeState(obs, 2, 50);

  EXPECT_EQ(FaultOf([&] { FitBothModels(state, state.Controls.ComboBox1); }),
            RunTimeFault::Kind::Overflow);

  const CoefficientTable& t = state.Coefficients;
  EXPECT_EQ(state.FitStage, 2);
  EXPECT_TRUE(std::isfinite(state.SavedDeviation));
  EXPECT_GT(t.A2[0], 0);
  ExpectFinite(t.A2, 2);
  ExpectFinite(t.B2, 2);
  ExpectFinite(t.C2, 2);
  for (int k = 0; k < 2; ++k) EXPECT_EQ(t.A[k], 0);
}

}  // namespace
