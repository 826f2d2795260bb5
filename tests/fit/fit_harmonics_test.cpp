#include "fit/fit_harmonics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "base/run_time_fault.h"
#include "fit/trial_fit.h"
#include "fit_test_support.h"
#include "model/model_values.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

// The phase distance of c from the expected one, modulo 2pi.
double PhaseGap(double c, double expected) {
  return std::fabs(std::remainder(c - expected, kTwoPi));
}

void ExpectNormalised(const double* a, const double* b, const double* c, int n) {
  for (int k = 0; k < n; ++k) {
    SCOPED_TRACE(k);
    EXPECT_GE(a[k], 0);
    EXPECT_GE(b[k], 0);
    EXPECT_GE(c[k], 0);
    EXPECT_LT(c[k], kTwoPi);
  }
}

TEST(NormaliseHarmonic, MakesAAndBNonNegativeAndCAPhaseWithTheSameValues) {
  struct Row {
    double a, b, c, wantA, wantB, wantC;
  };
  const Row rows[] = {
      {-2, 1, 0.5, 2, 1, kPi + 0.5},
      {2, -1, 0.5, 2, 1, kPi - 0.5},
      {-2, -1, 0.5, 2, 1, kTwoPi - 0.5},
      {1.5, 0.7, 7, 1.5, 0.7, 7 - kTwoPi},
      {1.5, 0.7, -7, 1.5, 0.7, 2 * kTwoPi - 7},
      {1.5, 0.7, kTwoPi, 1.5, 0.7, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.a << ", " << row.b << ", " << row.c);
    double a = row.a, b = row.b, c = row.c;
    NormaliseHarmonic(a, b, c);
    EXPECT_EQ(a, row.wantA);
    EXPECT_EQ(b, row.wantB);
    EXPECT_NEAR(c, row.wantC, 1e-14);
    EXPECT_GE(c, 0);
    EXPECT_LT(c, kTwoPi);
    for (double x : {-3.7, 0.0, 0.25, 1.0, 6.5}) {
      EXPECT_NEAR(a * std::sin(b * x + c), row.a * std::sin(row.b * x + row.c), 1e-12);
    }
  }
}

class FitHarmonicsTest : public FixedSeedTest {};

// All y zero: every trial fits amplitude 0 with residual 0, tying the best, so every one of the
// 2 * TrialCount trials is refined, adopted and drawn; the deviation then divides 0 by 0.
TEST_F(FitHarmonicsTest, TiesAreAdoptedInDrawOrderAndAllZeroDataFailAtTheDeviation) {
  AppState state = MakeState(MakeSineSample(0, 1, 0, 20), 1, 3);
  state.FitStage = 2;
  int redraws = 0;
  state.Hooks.Redraw = [&redraws] { ++redraws; };

  try {
    FitHarmonics(state, state.Controls.ComboBox1);
    ADD_FAILURE() << "all-zero data must fail at the deviation";
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::InvalidOperation);
  }

  EXPECT_EQ(redraws, 1 + 2 * 3 + 1);  // search pass, every trial, after normalising
  RandomGenerator replay{kFixedSeed};
  double draws[12];
  for (double& d : draws) d = NextRandom(replay);
  EXPECT_EQ(state.Coefficients.A[0], 0);
  EXPECT_EQ(state.Coefficients.B[0], draws[10] * (kTwoPi / state.Observations.MinPeriod));
  EXPECT_EQ(state.Coefficients.C[0], draws[11] * kTwoPi);
}

TEST_F(FitHarmonicsTest, ZeroDepthLeavesTheZeroModelWithFullDeviation) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 20), 1, 0);
  state.FitStage = 2;
  state.TrialCount = 55;
  int redraws = 0;
  state.Hooks.Redraw = [&redraws] { ++redraws; };

  FitHarmonics(state, state.Controls.ComboBox1);

  EXPECT_EQ(state.TrialCount, 0);
  EXPECT_EQ(redraws, 2);
  EXPECT_EQ(state.Coefficients.A[0], 0);
  EXPECT_EQ(state.Coefficients.B[0], 0);
  EXPECT_EQ(state.Coefficients.C[0], 0);
  EXPECT_EQ(state.RelDeviation, 100);
}

TEST_F(FitHarmonicsTest, RedrawsFollowEveryKeptTrialWithAFallingBestResidual) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 20), 1, 500);
  state.FitStage = 2;
  std::vector<double> bestAtRedraw;
  bestAtRedraw.reserve(1000);
  state.Hooks.Redraw = [&] { bestAtRedraw.push_back(state.BestResidual); };

  FitHarmonics(state, state.Controls.ComboBox1);

  ASSERT_GE(bestAtRedraw.size(), 4u);
  EXPECT_EQ(bestAtRedraw.front(),
            Residual(MakeSineSample(3, 1.3, 0.4, 20), TrialHarmonic{}, SinArray));
  for (std::size_t i = 1; i < bestAtRedraw.size(); ++i) {
    EXPECT_LE(bestAtRedraw[i], bestAtRedraw[i - 1]) << "redraw " << i;
  }
  EXPECT_LT(bestAtRedraw.back(), bestAtRedraw.front() / 100);
}

// Stage 1 fits sqrt(y) where y > 0, so its zero model misses by the sum of the positive y.
TEST_F(FitHarmonicsTest, StageOneStartsFromTheZeroModelOfItsOwnTarget) {
  const ObservationSet obs = MakeSineSample(0.1, 1.3, 0.4, 20);
  double positiveSum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) positiveSum += std::fmax(obs.OrigY[i], 0);
  AppState state = MakeState(obs, 1, 10);
  state.FitStage = 1;
  double startBest = -1;
  state.Hooks.Redraw = [&] {
    if (startBest < 0) startBest = state.BestResidual;
  };

  FitHarmonics(state, state.Controls.ComboBox1);

  EXPECT_NEAR(startBest, positiveSum, 1e-12 * positiveSum);
}

TEST_F(FitHarmonicsTest, TheFirstHarmonicOfTwoIsSearchedAgainstTheDataAlone) {
  ObservationSet obs = MakeSineSample(3, 1.3, 0.4, 30, 0, 0.35);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += std::sin(0.3 * obs.X[i] + 1);
  AppState state = MakeState(obs, 2, 50);
  state.FitStage = 2;
  int redraws = 0;
  state.Hooks.Redraw = [&] {
    if (++redraws != 2) return;  // the first kept trial of harmonic 0
    const ObservationSet& o = state.Observations;
    for (int i = 0; i <= o.LastIndex; ++i) EXPECT_EQ(o.WorkY[i], o.OrigY[i]) << i;
    EXPECT_EQ(state.Coefficients.A[1], 0);
    EXPECT_EQ(state.Coefficients.B[1], 0);
    EXPECT_EQ(state.Coefficients.C[1], 0);
  };

  FitHarmonics(state, state.Controls.ComboBox1);

  EXPECT_GE(redraws, 3);
  EXPECT_NE(state.Coefficients.A[1], 0);
}

TEST_F(FitHarmonicsTest, HalvingTheMinimumPeriodDoublesTheTopTrialFrequency) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 20), 1, 5);
  state.FitStage = 2;
  FitHarmonics(state, state.Controls.ComboBox1);
  const double top = state.FreqScale[1];
  EXPECT_EQ(top, kTwoPi / state.Observations.MinPeriod);

  state.Observations.MinPeriod /= 2;
  FitHarmonics(state, state.Controls.ComboBox1);
  EXPECT_EQ(state.FreqScale[1], 2 * top);
}

TEST(PolishHarmonics, AtAnExactOptimumMakesOnePassAndChangesNothing) {
  AppState state;
  state.Observations = MakeSineSample(2, 1.3, 0.4, 20);
  state.FitStage = 2;
  state.Coefficients.HarmonicCount = 1;
  state.Coefficients.A[0] = 2;
  state.Coefficients.B[0] = 1.3;
  state.Coefficients.C[0] = 0.4;
  state.BestResidual = 0;
  int redraws = 0;
  state.Hooks.Redraw = [&redraws] { ++redraws; };
  const std::uint64_t before = gSineCalls;

  PolishHarmonics(state, CountedSines);

  // One pass: the harmonic's own residual, its four neighbour steps and the amplitude refit.
  EXPECT_EQ(gSineCalls - before, 1u + 4u + 1u);
  EXPECT_EQ(redraws, 0);
  EXPECT_EQ(state.Coefficients.A[0], 2);
  EXPECT_EQ(state.Coefficients.B[0], 1.3);
  EXPECT_EQ(state.Coefficients.C[0], 0.4);
  EXPECT_EQ(state.BestResidual, 0);
}

TEST(PolishHarmonics, FromAPhaseOffsetAdoptsTheRefinedHarmonic) {
  AppState state;
  state.Observations = MakeSineSample(2, 1.3, 0.4, 20);
  state.FitStage = 2;
  state.Coefficients.HarmonicCount = 1;
  state.Coefficients.A[0] = 2;
  state.Coefficients.B[0] = 1.3;
  state.Coefficients.C[0] = 0.5;
  state.Observations.WorkY[0] = 1e9;  // stale target: the polish must rebuild it
  const double start =
      Residual(MakeSineSample(2, 1.3, 0.4, 20), TrialHarmonic{2, 1.3, 0.5}, SinArray);
  state.BestResidual = start;

  PolishHarmonics(state, SinArray);

  const TrialHarmonic end{
      state.Coefficients.A[0], state.Coefficients.B[0], state.Coefficients.C[0]};
  EXPECT_LT(state.BestResidual, start / 100);
  EXPECT_EQ(state.BestResidual, Residual(state.Observations, end, SinArray));
  EXPECT_NEAR(end.C, 0.4, 0.05);
}

class FitBothModelsTest : public FixedSeedTest {};

TEST_F(FitBothModelsTest, RecoversAKnownSinusoid) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 20), 1, 2000);

  FitBothModels(state, state.Controls.ComboBox1);

  const CoefficientTable& t = state.Coefficients;
  EXPECT_EQ(state.FitStage, 2);
  EXPECT_NEAR(t.A[0], 3, 0.05);
  EXPECT_NEAR(t.B[0], 1.3, 0.01);
  EXPECT_LT(PhaseGap(t.C[0], 0.4), 0.05);
  EXPECT_LT(state.RelDeviation, 5);
  EXPECT_GT(state.SavedDeviation, 0);
  EXPECT_LT(state.SavedDeviation, 100);
  ExpectNormalised(t.A, t.B, t.C, 1);
  ExpectNormalised(t.A2, t.B2, t.C2, 1);
}

// Model 2 must beat the zero curve on data that are small and half negative: the bar is the
// zero model's miss of the square-root target (the sum of the positive y), not the sum of y^2.
TEST_F(FitBothModelsTest, SmallDataGetARealSquaredModel) {
  const ObservationSet obs = MakeSineSample(0.1, 1.3, 0.4, 20);
  AppState state = MakeState(obs, 1, 2000);

  FitBothModels(state, state.Controls.ComboBox1);

  ObservationSet rootTarget = obs;
  double positiveSum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    rootTarget.WorkY[i] = obs.OrigY[i] > 0 ? std::sqrt(obs.OrigY[i]) : 0;
    positiveSum += std::fmax(obs.OrigY[i], 0);
  }
  const CoefficientTable& t = state.Coefficients;
  EXPECT_GT(t.A2[0], 0);
  EXPECT_LT(Residual(rootTarget, TrialHarmonic{t.A2[0], t.B2[0], t.C2[0]}, SinArray),
            positiveSum / 2);
  EXPECT_LT(state.SavedDeviation, 100);
  EXPECT_LT(state.RelDeviation, 5);
}

TEST_F(FitBothModelsTest, DataScaledByAMillionFitAsWellAsUnscaled) {
  ObservationSet obs = MakeSineSample(3, 1.3, 0.4, 20);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.8;  // no single sine fits exactly
  AppState plain = MakeState(obs, 1, 2000);
  ScaleY(obs, 1e6);
  AppState scaled = MakeState(obs, 1, 2000);

  FitBothModels(plain, plain.Controls.ComboBox1);
  FitBothModels(scaled, scaled.Controls.ComboBox1);

  EXPECT_GT(plain.RelDeviation, 1);
  EXPECT_NEAR(scaled.RelDeviation, plain.RelDeviation, 0.5);
  EXPECT_NEAR(scaled.SavedDeviation, plain.SavedDeviation, 0.5);
  EXPECT_NEAR(scaled.Coefficients.A[0] / 1e6, plain.Coefficients.A[0], 0.05);
  EXPECT_NEAR(scaled.Coefficients.B[0], plain.Coefficients.B[0], 0.01);
}

// The deviation of either model, given its coefficients, is the one the fit reported for it.
TEST_F(FitBothModelsTest, ModelDeviationGivesEachModelsDeviationBitForBit) {
  ObservationSet obs = MakeSineSample(3, 1.3, 0.4, 20);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.5 * std::cos(7.0 * i);
  AppState state = MakeState(obs, 2, 2000);

  FitBothModels(state, state.Controls.ComboBox1);

  const HarmonicModel one = ModelOf(state.Coefficients, ModelKind::Sum);
  const HarmonicModel two = ModelOf(state.Coefficients, ModelKind::SquaredSum);
  EXPECT_GT(state.RelDeviation, 0);
  EXPECT_EQ(ModelDeviation(one, state.Observations, SinArray), state.RelDeviation);
  EXPECT_EQ(ModelDeviation(two, state.Observations, SinArray), state.SavedDeviation);
  HarmonicModel squaredOne = one, fewer = one;
  squaredOne.Kind = ModelKind::SquaredSum;
  fewer.Count = 1;
  EXPECT_NE(ModelDeviation(squaredOne, state.Observations, SinArray), state.RelDeviation);
  EXPECT_NE(ModelDeviation(fewer, state.Observations, SinArray), state.RelDeviation);
}

// One harmonic with B = 0 and C = pi/2 is the constant A (plus the model's constant term).
double FlatDeviation(
    const ObservationSet& obs, double a, int count, ModelKind kind, double c0 = 0) {
  HarmonicModel m;
  m.Count = count;
  m.A[0] = a;
  m.C[0] = kPi / 2;
  m.Kind = kind;
  m.Constant = c0;
  return ModelDeviation(m, obs, SinArray);
}

TEST(ModelDeviation, IsTheSummedMissOverTheSummedSizeInPercent) {
  ObservationSet obs;
  obs.LastIndex = 1;
  obs.PlotX[0] = 0;
  obs.PlotX[1] = 1;
  obs.OrigY[0] = 2;
  obs.OrigY[1] = 6;
  // The misses are |A - 2| and |A - 6| out of 8.
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 0, 1, ModelKind::Sum), 100);
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 1, 1, ModelKind::Sum), 75);
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 2, 1, ModelKind::Sum), 50);
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 2, 0, ModelKind::Sum), 100);  // no harmonic
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 3, 1, ModelKind::Sum), 50);
  // Squared, A = 3 gives 9: misses 7 and 3; the constant term joins the sum before the square.
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 3, 1, ModelKind::SquaredSum), 125);
  EXPECT_DOUBLE_EQ(FlatDeviation(obs, 2, 1, ModelKind::SquaredSum, 1), 125);
}

}  // namespace
