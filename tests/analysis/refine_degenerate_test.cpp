#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/refinement_notes.h"
#include "analysis_test_support.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

bool SameBits(const double& a, const double& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectSameBits(const ModelFit& a, const ModelFit& b) {
  EXPECT_EQ(a.Starts, b.Starts);
  EXPECT_EQ(a.Hits, b.Hits);
  EXPECT_TRUE(SameBits(a.Objective, b.Objective));
  for (int k = 0; k < kMaxHarmonics; ++k) {
    EXPECT_TRUE(SameBits(a.Coefficients.A[k], b.Coefficients.A[k]));
    EXPECT_TRUE(SameBits(a.Coefficients.B[k], b.Coefficients.B[k]));
    EXPECT_TRUE(SameBits(a.Coefficients.C[k], b.Coefficients.C[k]));
    EXPECT_TRUE(SameBits(a.B[k].StdError, b.B[k].StdError));
  }
  EXPECT_TRUE(SameBits(a.Constant.Value, b.Constant.Value));
  EXPECT_TRUE(SameBits(a.Statistics.Aic, b.Statistics.Aic));
}

void ExpectNeverAboveTheSearch(const RefinementResult& result) {
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_LE(result.Refined[kind].Objective, result.Search[kind].Objective);
  }
}

TEST_F(RefinementTest, TheSameInputsGiveTheSameBits) {
  ObservationSet obs =
      MakeWaveSample(IrregularX(70, 3, 40), {{1.0, 0.6, 0.2}, {0.8, 1.9, 2.0}, {0.5, 3.3, 5.0}});
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.3 * std::sin(5.5 * i * i);
  const AppState state = Searched(obs, 3);
  const RefinementResult first = Refine(state, true);
  const RefinementResult second = Refine(state, true);
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind);
    ExpectSameBits(first.Refined[kind], second.Refined[kind]);
    ExpectSameBits(first.WithConstant[kind], second.WithConstant[kind]);
  }
}

TEST_F(RefinementTest, FourObservationsWithTwoHarmonicsLeaveNothingDetermined) {
  const ObservationSet obs = MakeWaveSample({0, 1, 2.5, 3}, {{1, 1, 0.5}, {0.5, 2, 1}});
  const RefinementResult result = Refine(Searched(obs, 2, 100), true);
  ExpectAllFinite(result);
  ExpectNeverAboveTheSearch(result);
  for (int kind = 0; kind < 2; ++kind) {
    const ModelFit& fit = result.Refined[kind];
    EXPECT_LE(fit.Statistics.DegreesOfFreedom, 0);
    EXPECT_FALSE(IsDetermined(fit.Statistics.AdjustedR2));
    EXPECT_FALSE(IsDetermined(fit.Statistics.Aic));
    EXPECT_FALSE(IsDetermined(fit.Statistics.Bic));
    for (int k = 0; k < 2; ++k) {
      EXPECT_FALSE(fit.A[k].Determined);
      EXPECT_FALSE(fit.B[k].Determined);
      EXPECT_FALSE(fit.C[k].Determined);
      EXPECT_FALSE(fit.Period[k].Determined);
      EXPECT_EQ(fit.A[k].Value, fit.Coefficients.A[k]);
      EXPECT_EQ(fit.A[k].Lower, fit.A[k].Value);
    }
  }
}

TEST_F(RefinementTest, DuplicateXAndAllEqualYStayFinite) {
  struct Case {
    const char* Name;
    std::vector<double> Xs, Ys;
  };
  const Case cases[] = {
      {"duplicate x", {0, 1, 1, 1, 2, 3, 3, 4, 5, 6}, {0, 1, 2, 1.5, 0, -1, -0.5, 0, 1, 0.3}},
      {"all equal y", {0, 1, 2, 3, 4, 5, 6, 7}, {2, 2, 2, 2, 2, 2, 2, 2}},
      {"negative y", {0, 1, 2, 3, 4, 5, 6, 7}, {-1, -2, -1, -3, -2, -1, -2, -3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ObservationSet obs;
    obs.LastIndex = static_cast<int>(c.Xs.size()) - 1;
    for (std::size_t i = 0; i < c.Xs.size(); ++i) {
      obs.X[i] = c.Xs[i];
      obs.WorkY[i] = c.Ys[i];
    }
    PrepareData(obs);
    for (int n = 1; n <= 3; ++n) {
      SCOPED_TRACE(n);
      const RefinementResult result = Refine(Searched(obs, n, 200), true, 0.1);
      ExpectAllFinite(result);
      ExpectNeverAboveTheSearch(result);
    }
  }
}

TEST_F(RefinementTest, AZeroFrequencyOrAmplitudeInTheTableIsUndeterminedNotNaN) {
  const ObservationSet obs = MakeWaveSample(UniformX(30, 0, 0.5), {{2, 1.1, 0.3}});
  AppState state = Searched(obs, 2, 100);
  // Harmonic 1 as a constant (B = 0), harmonic 2 with no amplitude.
  CoefficientTable& t = state.Coefficients;
  t.A[1] = 0;
  t.B[1] = 1.7;
  t.A2[1] = 0.5;
  t.B2[1] = 0;
  const RefinementResult result = Refine(state);
  ExpectAllFinite(result);
  ExpectNeverAboveTheSearch(result);
  const ModelFit& one = result.Search[0];
  EXPECT_FALSE(one.B[1].Determined);  // A = 0: the frequency does nothing
  EXPECT_FALSE(one.C[1].Determined);
  EXPECT_TRUE(one.A[0].Determined);
  const ModelFit& two = result.Search[1];
  EXPECT_FALSE(two.Period[1].Determined);  // B = 0: no period
  EXPECT_EQ(two.Period[1].Value, 0);
}

TEST_F(RefinementTest, ATinyAmplitudeIsRefinedWithoutNaN) {
  ObservationSet obs = MakeWaveSample(UniformX(40, 0, 0.5), {{1e-9, 1.3, 0.4}});
  const RefinementResult result = Refine(Searched(obs, 1));
  ExpectAllFinite(result);
  ExpectNeverAboveTheSearch(result);
  EXPECT_NEAR(result.Refined[0].Coefficients.B[0], 1.3, 1e-8);
  // Exact data: the residual variance is rounding noise, the errors tiny but finite.
  EXPECT_LT(result.Refined[0].A[0].StdError, 1e-15);
}

TEST_F(RefinementTest, NonFiniteInputsGiveFiniteResults) {
  ObservationSet obs = MakeWaveSample(UniformX(20, 0, 0.5), {{1, 1, 1}});
  AppState state = Searched(obs, 1, 100);
  state.Observations.OrigY[3] = NAN;
  RefinementResult result = Refine(state);
  ExpectAllFinite(result);
  state = Searched(obs, 1, 100);
  state.Coefficients.B[0] = INFINITY;
  result = RefineBothModels(state.Observations, state.Coefficients, 0, RefineOptions{});
  ExpectAllFinite(result);
}

// Any minimum period the window can reach, by halving or doubling: every float-to-integer
// conversion on the way is in range (the sanitizer build checks), and the answer stays finite.
TEST_F(RefinementTest, EveryMinimumPeriodGivesAValidResult) {
  const ObservationSet uniform = MakeWaveSample(UniformX(25, 0, 0.5), {{1, 1.3, 0.4}});
  const ObservationSet irregular = MakeWaveSample(IrregularX(25, 0, 12), {{1, 1.3, 0.4}});
  for (const ObservationSet* obs : {&uniform, &irregular}) {
    const AppState state = Searched(*obs, 2, 100);
    for (const double minPeriod : {1e-12, 1e-9, 1e-6, 1e-3, 1.0, 1e3, 1e6}) {
      SCOPED_TRACE(minPeriod);
      RefineOptions options;
      options.StartBudget = 0.02;
      const RefinementResult result =
          RefineBothModels(state.Observations, state.Coefficients, minPeriod, options);
      ExpectAllFinite(result);
      ExpectNeverAboveTheSearch(result);
    }
  }
}

// y so large that the sums of squares overflow: the figures are not determined, not 0.
TEST_F(RefinementTest, StatisticsThatOverflowAreNotDetermined) {
  AppState state = Searched(MakeWaveSample(UniformX(20, 0, 0.5), {{1, 1.3, 0.4}}), 1, 100);
  for (int i = 0; i <= state.Observations.LastIndex; ++i) state.Observations.OrigY[i] *= 1e160;
  const ModelFit& fit = Refine(state, false, 0.02).Search[0];
  const ModelStatistics& s = fit.Statistics;
  for (double v : {s.Sse, s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic}) EXPECT_FALSE(IsDetermined(v));
  EXPECT_TRUE(IsDetermined(s.RelDeviation));
  EXPECT_GT(s.DegreesOfFreedom, 0);
}

TEST_F(RefinementTest, ACancelStopsBothModelsWithAValidResult) {
  ObservationSet obs = MakeWaveSample(
      IrregularX(100, 0, 50),
      {{1.0, 0.6, 0.2}, {0.8, 1.9, 2.0}, {0.5, 3.3, 5.0}, {0.4, 4.1, 1.0}, {0.3, 5.3, 3.0}});
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.5 * std::sin(5.5 * i * i);
  const AppState state = Searched(obs, 5);
  int calls = 0;
  RefineOptions options;
  options.Progress = [&](double f) {
    EXPECT_GE(f, 0);
    EXPECT_LE(f, 1);
    ++calls;
    return false;
  };
  const RefinementResult result = RefineBothModels(
      state.Observations, state.Coefficients, state.Observations.MinPeriod, options);
  EXPECT_TRUE(result.Cancelled);
  EXPECT_EQ(calls, 1);  // nothing after the cancel
  for (const ModelFit& fit : result.Refined) EXPECT_EQ(fit.Ended, Termination::Cancelled);
  ExpectAllFinite(result);
  ExpectNeverAboveTheSearch(result);
  // Cut short: far fewer starts than an uncancelled run takes.
  const RefinementResult full = Refine(state);
  EXPECT_FALSE(full.Cancelled);
  EXPECT_LT(result.Refined[0].Starts, full.Refined[0].Starts);
  // A budget of a few starts ends each model at its cap.
  for (const ModelFit& fit : Refine(state, false, 0.002).Refined) {
    EXPECT_EQ(fit.Ended, Termination::StartCap);
  }
}

// Starts that run out leave the best unconfirmed; the note says so only where optima crowd,
// below two observations per parameter.
TEST_F(RefinementTest, AnUnconfirmedBestIsNotedOnlyWhereOptimaCrowd) {
  for (const int count : {16, 70}) {
    SCOPED_TRACE(count);
    const AppState state =
        Searched(MakeWaveSample(IrregularX(count, 3, 40),
                                {{1.0, 0.6, 0.2}, {0.8, 1.9, 2.0}, {0.5, 3.3, 5.0}}),
                 3);
    const RefinementResult result = Refine(state, false, 0.002);
    ASSERT_EQ(result.Refined[0].Ended, Termination::StartCap);
    int noted = 0;
    for (const std::string& note : RefinementNotes(result, ModelKind::Sum)) {
      noted +=
          note.rfind("Not certain to be the least-squares optimum (refined): with 16 ", 0) == 0;
    }
    EXPECT_EQ(noted, count == 16 ? 1 : 0);
  }
}

TEST_F(RefinementTest, ProgressIsReportedUpToTheEnd) {
  const ObservationSet obs = MakeWaveSample(UniformX(30, 0, 0.5), {{2, 1.1, 0.3}});
  const AppState state = Searched(obs, 1);
  std::vector<double> fractions;
  RefineOptions options;
  options.Progress = [&](double f) {
    fractions.push_back(f);
    return true;
  };
  const RefinementResult result = RefineBothModels(
      state.Observations, state.Coefficients, state.Observations.MinPeriod, options);
  EXPECT_FALSE(result.Cancelled);
  for (const ModelFit& fit : result.Refined) EXPECT_EQ(fit.Ended, Termination::EnoughHits);
  ASSERT_FALSE(fractions.empty());
  for (std::size_t i = 1; i < fractions.size(); ++i) EXPECT_GE(fractions[i], fractions[i - 1]);
  EXPECT_EQ(fractions.back(), 1);
}

TEST_F(RefinementTest, TheRefinedPhaseIsNormalisedAndTheOrderFollowsTheSearch) {
  const ObservationSet obs =
      MakeWaveSample(UniformX(80, 0, 0.25), {{1.0, 4.0, 6.0}, {2.0, 1.0, 0.1}});
  const AppState state = Searched(obs, 2);
  const RefinementResult result = Refine(state);
  for (int kind = 0; kind < 2; ++kind) {
    const ModelFit& fit = result.Refined[kind];
    for (int k = 0; k < 2; ++k) {
      EXPECT_GE(fit.Coefficients.A[k], 0);
      EXPECT_GE(fit.Coefficients.B[k], 0);
      EXPECT_GE(fit.Coefficients.C[k], 0);
      EXPECT_LT(fit.Coefficients.C[k], kTwoPi);
    }
  }
  // Harmonic k of the refined model 1 is the one nearest the search's harmonic k.
  const ModelFit& fit = result.Refined[0];
  const bool searchFirstIsLower = state.Coefficients.B[0] < state.Coefficients.B[1];
  EXPECT_EQ(fit.Coefficients.B[0] < fit.Coefficients.B[1], searchFirstIsLower);
}

}  // namespace
