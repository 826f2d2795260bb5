#include "fit/refine_harmonic.h"

#include <gtest/gtest.h>

#include "fit/improvement_steps.h"
#include "fit/trial_fit.h"
#include "fit_test_support.h"

namespace {

constexpr double kA = 2, kB = 1.3, kC = 0.4;
// The doubling steps 0.001 + 0.002 + ... are not exact in binary, so their sum is compared with
// its decimal value to this much.
constexpr double kStepSumTolerance = 1e-12;
// How close a refinement from a nearby start lands on exact data: it stops at the first point
// where no single step of 0.001 helps, not at the optimum itself.
constexpr double kRefinedAmplitudeTolerance = 0.05, kRefinedFrequencyTolerance = 0.01,
                 kRefinedPhaseTolerance = 0.05;

// A state whose working target is exactly kA*sin(kB*x + kC), computed as Residual computes the
// model, so the true parameters have residual 0.
AppState ExactState(const TrialHarmonic& start) {
  AppState state;
  state.Observations = MakeSineSample(kA, kB, kC, 20);
  state.Trial = start;
  state.TrialResidual = Residual(state.Observations, start, SinArray);
  return state;
}

// The phase after `accepted` successive steps of 0.001, 0.002, 0.004, ... in direction sign.
double AfterDoublingSteps(double c, double sign, int accepted) {
  double h = sign * kRefineStep;
  for (int i = 0; i < accepted; ++i, h *= 2) c += h;
  return c;
}

TEST(SearchBothWays, FromAboveTheOptimumDoublesDownThenHalvesAndSkipsTheUpwardSearch) {
  AppState state = ExactState(TrialHarmonic{kA, kB, kC + 0.1});
  RefineProgress progress{state.TrialResidual, state.Trial};
  const std::uint64_t before = gSineCalls;

  const bool improved = SearchBothWays(
      RefineFieldsOf(state, CountedSines), &TrialHarmonic::C, state.PhaseStep, progress);

  // Accepted: -0.001, -0.002, ..., -0.064 (7 steps); rejected: -0.128, -0.064, ..., -0.001 (8).
  // C* - 0.027 + 0.001 would be better still, but an improved search is not followed upwards.
  EXPECT_EQ(gSineCalls - before, 15u);
  EXPECT_TRUE(improved);
  EXPECT_EQ(state.Trial.C, AfterDoublingSteps(kC + 0.1, -1, 7));
  EXPECT_NEAR(state.Trial.C, kC - 0.027, kStepSumTolerance);
  EXPECT_EQ(state.PhaseStep, -0.0005);
  EXPECT_EQ(state.Trial.A, kA);
  EXPECT_EQ(state.Trial.B, kB);
  EXPECT_EQ(state.TrialResidual, progress.Best);
  EXPECT_EQ(progress.Best, Residual(state.Observations, state.Trial, SinArray));
}

TEST(SearchBothWays, FromBelowTheOptimumFailsOnceDownwardsThenMirrorsTheTraceUpwards) {
  AppState state = ExactState(TrialHarmonic{kA, kB, kC - 0.1});
  RefineProgress progress{state.TrialResidual, state.Trial};
  const std::uint64_t before = gSineCalls;

  const bool improved = SearchBothWays(
      RefineFieldsOf(state, CountedSines), &TrialHarmonic::C, state.PhaseStep, progress);

  EXPECT_EQ(gSineCalls - before, 1u + 15u);
  EXPECT_TRUE(improved);
  EXPECT_EQ(state.Trial.C, AfterDoublingSteps(kC - 0.1, +1, 7));
  EXPECT_NEAR(state.Trial.C, kC + 0.027, kStepSumTolerance);
  EXPECT_EQ(state.PhaseStep, 0.0005);
  EXPECT_EQ(progress.Accepted.C, state.Trial.C);
}

TEST(RefineHarmonic, AtAnExactOptimumTriesEachNeighbourOnceAndReturnsTheStart) {
  AppState state = ExactState(TrialHarmonic{kA, kB, kC});
  ASSERT_EQ(state.TrialResidual, 0);
  const std::uint64_t before = gSineCalls;

  RefineHarmonic(RefineFieldsOf(state, CountedSines));

  // The residuals at C - 0.001, C + 0.001, B - 0.001, B + 0.001, then the amplitude refit.
  EXPECT_EQ(gSineCalls - before, 4u + 1u);
  EXPECT_EQ(state.Trial.A, kA);
  EXPECT_EQ(state.Trial.B, kB);
  EXPECT_EQ(state.Trial.C, kC);
  EXPECT_EQ(state.TrialResidual, 0);
}

TEST(RefineHarmonic, FromAPhaseOffsetEndsWhereNoSingleFrequencyStepHelps) {
  AppState state = ExactState(TrialHarmonic{kA, kB, kC + 0.1});
  const double entry = state.TrialResidual;

  RefineHarmonic(RefineFieldsOf(state, SinArray));

  const ObservationSet& obs = state.Observations;
  const TrialHarmonic end = state.Trial;
  EXPECT_LT(state.TrialResidual, entry / 100);
  EXPECT_EQ(state.TrialResidual, Residual(obs, end, SinArray));
  EXPECT_GE(Residual(obs, TrialHarmonic{end.A, end.B - 0.001, end.C}, SinArray),
            state.TrialResidual);
  EXPECT_GE(Residual(obs, TrialHarmonic{end.A, end.B + 0.001, end.C}, SinArray),
            state.TrialResidual);
  EXPECT_NEAR(end.A, kA, kRefinedAmplitudeTolerance);
  EXPECT_NEAR(end.B, kB, kRefinedFrequencyTolerance);
  EXPECT_NEAR(end.C, kC, kRefinedPhaseTolerance);
}

// With A = 0 no phase or frequency step changes the residual and the refit at B = C = 0 has no
// amplitude; its residual must not be taken even when the data's squares sum past any fixed
// stand-in number.
TEST(RefineHarmonic, LeavesTheZeroHarmonicUnchangedWhateverTheScale) {
  for (double scale : {1.0, 1e6}) {
    SCOPED_TRACE(scale);
    AppState state;
    state.Observations = MakeSineSample(kA, kB, kC, 20);
    ScaleY(state.Observations, scale);
    const double entry = Residual(state.Observations, TrialHarmonic{}, SinArray);
    state.TrialResidual = entry;

    RefineHarmonic(RefineFieldsOf(state, SinArray));

    EXPECT_EQ(state.Trial.A, 0);
    EXPECT_EQ(state.Trial.B, 0);
    EXPECT_EQ(state.Trial.C, 0);
    EXPECT_EQ(state.TrialResidual, entry);
  }
}

}  // namespace
