#include <gtest/gtest.h>

#include <cmath>

#include "fit/trial_fit.h"
#include "fit_test_support.h"

namespace {

constexpr double kA = -2.5, kB = 1.3, kC = 0.4;
// The closed-form amplitude is a ratio of two rounded sums: on exact data it is kA to within a
// few units in the last place, and the residual is the square of that rounding.
constexpr double kAmplitudeRoundoff = 1e-12, kExactResidualRoundoff = 1e-20;
// Relative agreement of FitAmplitude's residual with Residual's: the same sum, taken differently.
constexpr double kResidualAgreement = 1e-12;

double SumOfSquaredTargets(const ObservationSet& obs) {
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) sum += obs.WorkY[i] * obs.WorkY[i];
  return sum;
}

TEST(Residual, OfTheZeroTrialIsTheSumOfSquaredTargets) {
  const ObservationSet obs = MakeSineSample(kA, kB, kC, 20);
  EXPECT_EQ(Residual(obs, TrialHarmonic{}, SinArray), SumOfSquaredTargets(obs));
}

TEST(Residual, IgnoresStaleEntriesAboveLastIndex) {
  ObservationSet obs = MakeSineSample(kA, kB, kC, 20);
  const TrialHarmonic trial{1, 0.7, 0.2};
  const double before = Residual(obs, trial, SinArray);
  obs.X[20] = 3;
  obs.WorkY[20] = 1e300;
  obs.WorkY[99] = -1e300;
  EXPECT_EQ(Residual(obs, trial, SinArray), before);
}

TEST(FitAmplitude, RecoversTheAmplitudeOfExactData) {
  const ObservationSet obs = MakeSineSample(kA, kB, kC, 20);
  TrialHarmonic trial{7, kB, kC};
  const double residual = FitAmplitude(obs, trial, SinArray);
  EXPECT_NEAR(trial.A, kA, kAmplitudeRoundoff);
  EXPECT_NEAR(residual, 0, kExactResidualRoundoff);
  EXPECT_EQ(trial.B, kB);
  EXPECT_EQ(trial.C, kC);
}

TEST(FitAmplitude, GivesTheLeastSquaresAmplitudeAndItsResidual) {
  ObservationSet obs = MakeSineSample(kA, kB, kC, 25);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.WorkY[i] += 0.3 * std::cos(3.1 * i);
  TrialHarmonic trial{0, 1.1, 2.0};  // deliberately off the generating frequency and phase
  const double residual = FitAmplitude(obs, trial, SinArray);
  EXPECT_NEAR(residual, Residual(obs, trial, SinArray), kResidualAgreement * residual);
  for (double delta : {-1e-3, 1e-3}) {
    SCOPED_TRACE(delta);
    EXPECT_GT(Residual(obs, TrialHarmonic{trial.A + delta, trial.B, trial.C}, SinArray), residual);
  }
}

TEST(FitAmplitude, VanishingSinesGiveNoAmplitudeAndKeepAWhateverTheScale) {
  for (double scale : {1.0, 1e6, 1e120}) {
    SCOPED_TRACE(scale);
    ObservationSet obs = MakeSineSample(kA, kB, kC, 20);
    ScaleY(obs, scale);
    TrialHarmonic trial{3.25, 0, 0};  // sin(0*x + 0) = 0 at every x
    const double residual = FitAmplitude(obs, trial, SinArray);
    EXPECT_EQ(residual, kNoAmplitudeResidual);
    EXPECT_GT(residual, SumOfSquaredTargets(obs));
    EXPECT_EQ(trial.A, 3.25);
  }
}

}  // namespace
