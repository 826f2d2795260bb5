// Frequencies on a uniform grid of x: above the grid's Nyquist frequency pi / spacing the data
// hold nothing new, so the refinement must answer below it; irregular x keep the full range.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>

#include "analysis/model_estimates.h"
#include "analysis/scaled_fit.h"
#include "tests/analysis/analysis_test_support.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * kPi;

void ExpectBelowNyquist(const ModelFit& fit, double spacing) {
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    SCOPED_TRACE(k);
    EXPECT_GE(fit.Coefficients.B[k], 0);
    EXPECT_LE(fit.Coefficients.B[k], kPi / spacing * (1 + 1e-9));
  }
}

// A constant the model has no term for, on a grid away from 0: one harmonic takes the offset,
// as a frequency near 0 or, just as well on the grid, near 2 pi / spacing.
TEST_F(RefinementTest, UniformXWithAnOffsetStayBelowTheNyquistFrequency) {
  struct Case {
    double X0, Dx, Offset;
    int N;
  };
  for (const Case c : {Case{2000, 1.0 / 12, 3, 2},
                       Case{10, 0.5, -2, 2},
                       Case{1, 1, 4, 1},
                       Case{1995.5, 0.25, 1.5, 3}}) {
    SCOPED_TRACE(c.X0);
    const std::vector<double> xs = UniformX(40, c.X0, c.Dx);
    const double b = 0.9 * kPi / c.Dx / 3;
    const ObservationSet obs = MakeWaveSample(xs, {{2, b, 1}, {0.7, 2.3 * b, 4}}, c.Offset);
    const AppState state = Searched(obs, c.N, 1000);
    const RefinementResult result = Refine(state, true, 0.3);
    for (int kind = 0; kind < 2; ++kind) {
      SCOPED_TRACE(kind);
      ExpectBelowNyquist(result.Refined[kind], c.Dx);
      ExpectBelowNyquist(result.WithConstant[kind], c.Dx);
      EXPECT_LE(result.Refined[kind].Objective, result.Search[kind].Objective);
    }
  }
}

// A harmonic above the grid's Nyquist frequency comes back as its alias below it, with the same
// fit.
TEST_F(RefinementTest, ExactDataAboveTheNyquistFrequencyComeBackAsTheirAlias) {
  const double dx = 0.5;
  const std::vector<double> xs = UniformX(30, 3, dx);
  const double b = 2 * kPi / dx - 1.1;  // alias of 1.1
  const ObservationSet obs = MakeWaveSample(xs, {{1.5, b, 0.4}});
  const RefinementResult result = Refine(Searched(obs, 1, 1000));
  const ModelFit& fit = result.Refined[0];
  ExpectBelowNyquist(fit, dx);
  EXPECT_NEAR(fit.Coefficients.B[0], 1.1, 1e-9);
  EXPECT_LT(fit.Statistics.RelDeviation, 1e-6);
}

// Off the grid the frequencies above the mean Nyquist frequency are real: a line at up to four
// times it is found from the search's answer below it, and said to lie beyond the search's band.
TEST_F(RefinementTest, IrregularXFindLinesAboveTheMeanNyquistFrequency) {
  const double nyquist = kPi / 0.5;  // mean spacing 0.5
  for (const double multiple : {0.7, 1.4, 2.0, 4.0}) {
    SCOPED_TRACE(multiple);
    ObservationSet obs = MakeWaveSample(IrregularX(50, 0, 25), {{1, multiple * nyquist, 0.3}});
    for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.07 * std::sin(7.77 * i * i + 0.3);
    const RefinementResult result = Refine(Searched(obs, 1, 1000), false, 0.3);
    const ModelFit& fit = result.Refined[0];
    EXPECT_NEAR(fit.Coefficients.B[0], multiple * nyquist, 1e-3 * nyquist);
    EXPECT_EQ(BeyondSearchBand(result, fit), multiple > 1);
    EXPECT_TRUE(Detected(result, ModelKind::Sum));
  }
}

// Calendar months (days since the first of 28 to 31 days each, a month missing) are as good as
// a grid: a half-year cycle and noise come back below the months' Nyquist frequency, not as an
// alias across the 30.4-day window peak that fits about as well. Nightly observations spread
// over hours keep the band above the mean-spacing Nyquist frequency.
TEST_F(RefinementTest, SamplingNearAGridIsFoldedLikeAGrid) {
  const auto days = [](int months) {
    std::vector<double> xs;
    const std::chrono::sys_days first = std::chrono::year(2010) / 1 / 1;
    for (int m = 0; m < months; ++m) {
      if (m == 17) continue;  // a month left out, as a row with NA is
      const std::chrono::sys_days day = std::chrono::year(2010 + m / 12) / (m % 12 + 1) / 1;
      xs.push_back(static_cast<double>((day - first).count()));
    }
    return xs;
  };
  std::vector<double> nights;
  for (int i = 0; i < 60; ++i) nights.push_back(i + 0.2 + 0.4 * std::fmod(0.618034 * i, 1.0));
  struct Case {
    const char* Name;
    std::vector<double> Xs;
    double MeanNyquist;
    bool Folded;
  };
  const Case cases[] = {{"months", days(80), kPi / 30.4369, true},
                        {"nights", nights, kPi / (59.0 / 59), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ObservationSet obs =
        MakeWaveSample(c.Xs, {{2, kTwoPi / 365.25, 1}, {0.5, kTwoPi / 182.625, 0}});
    for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.3 * std::sin(7.77 * i * i + 0.3);
    const RefinementResult result = Refine(Searched(obs, 2, 1000), true, 0.3);
    if (!c.Folded) {
      EXPECT_GT(result.RefinementBand, 4 * c.MeanNyquist);
      continue;
    }
    EXPECT_NEAR(result.RefinementBand, c.MeanNyquist, 0.01 * c.MeanNyquist);
    for (int kind = 0; kind < 2; ++kind) {
      SCOPED_TRACE(kind);
      for (const ModelFit* fit : {&result.Refined[kind], &result.WithConstant[kind]}) {
        for (int k = 0; k < fit->Coefficients.Count; ++k) {
          EXPECT_LE(fit->Coefficients.B[k], result.RefinementBand * (1 + 1e-6));
        }
      }
    }
  }
}

TEST(FoldFrequency, MapsEveryAliasOntoTheBaseBand) {
  ScaledProblem grid;
  grid.AliasPeriod = 10;
  EXPECT_DOUBLE_EQ(FoldFrequency(grid, 3), 3);
  EXPECT_DOUBLE_EQ(FoldFrequency(grid, 7), 3);
  EXPECT_DOUBLE_EQ(FoldFrequency(grid, 13), 3);
  EXPECT_DOUBLE_EQ(FoldFrequency(grid, -3), 3);
  EXPECT_DOUBLE_EQ(FoldFrequency(grid, 5), 5);
  ScaledProblem irregular;
  EXPECT_DOUBLE_EQ(FoldFrequency(irregular, 13), 13);
  EXPECT_DOUBLE_EQ(FoldFrequency(irregular, -13), 13);
}

TEST(FillScaledProblem, SetsTheAliasPeriodOnlyForAGrid) {
  ScaledProblem problem;
  const ObservationSet grid = MakeWaveSample(UniformX(20, 2000, 1.0 / 12), {{1, 1, 0}});
  const AbscissaScaling scaling = FillScaledProblem(grid, ModelKind::Sum, false, problem);
  EXPECT_NEAR(problem.AliasPeriod, 2 * kPi * 12 * scaling.Scale, 1e-9 * problem.AliasPeriod);

  // Four decimals of monthly x are still the grid.
  std::vector<double> rounded = UniformX(20, 2000, 1.0 / 12);
  for (double& x : rounded) x = std::round(x * 1e4) / 1e4;
  FillScaledProblem(MakeWaveSample(rounded, {{1, 1, 0}}), ModelKind::Sum, false, problem);
  EXPECT_GT(problem.AliasPeriod, 0);

  FillScaledProblem(
      MakeWaveSample(IrregularX(20, 0, 5), {{1, 1, 0}}), ModelKind::Sum, false, problem);
  EXPECT_EQ(problem.AliasPeriod, 0);

  // A grid with gaps aliases as the full one; irregular x written with two decimals do not.
  const struct {
    std::vector<double> X;
    double Spacing;  // 0: no grid
  } cases[] = {
      {{0, 0.5, 1, 1.5, 2.5, 3, 3.5, 4, 5.5, 6, 6.5, 7}, 0.5},
      {{2000, 2000.25, 2000.75, 2001, 2001.25, 2001.5, 2002.25, 2002.5}, 0.25},
      {{0, 0.37, 1.12, 1.5, 2.01, 2.66, 3.3, 4.07, 4.4, 5.93}, 0},
      {{0, 1, 2, 40, 41, 42}, 0},  // most of the grid missing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.X[1]);
    const AbscissaScaling scaled =
        FillScaledProblem(MakeWaveSample(c.X, {{1, 1, 0}}), ModelKind::Sum, false, problem);
    if (c.Spacing == 0) {
      EXPECT_EQ(problem.AliasPeriod, 0);
    } else {
      EXPECT_NEAR(
          problem.AliasPeriod, kTwoPi / c.Spacing * scaled.Scale, 1e-9 * problem.AliasPeriod);
    }
  }
}

}  // namespace
