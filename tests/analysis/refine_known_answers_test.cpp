#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/periodogram.h"
#include "analysis_test_support.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kExactTolerance = 1e-10;

// The refined harmonics sorted by frequency, for comparison with the generating ones.
std::vector<Wave> SortedWaves(const HarmonicModel& h) {
  std::vector<Wave> waves;
  for (int k = 0; k < h.Count; ++k) waves.push_back({h.A[k], h.B[k], h.C[k]});
  std::sort(waves.begin(), waves.end(), [](const Wave& a, const Wave& b) { return a.B < b.B; });
  return waves;
}

double PhaseGap(double c, double expected) {
  return std::fabs(std::remainder(c - expected, kTwoPi));
}

struct ExactCase {
  const char* Name;
  std::vector<double> Xs;
  std::vector<Wave> Waves;  // normalised, sorted by B
};

class ExactData : public RefinementTest, public ::testing::WithParamInterface<ExactCase> {};

TEST_P(ExactData, ComeBackToTheGeneratingHarmonicsWithNoDeviation) {
  const ExactCase& c = GetParam();
  ObservationSet obs;
  obs.LastIndex = static_cast<int>(c.Xs.size()) - 1;
  for (std::size_t i = 0; i < c.Xs.size(); ++i) {
    obs.X[i] = c.Xs[i];
    for (const Wave& w : c.Waves) obs.WorkY[i] += w.A * std::sin(w.B * c.Xs[i] + w.C);
  }
  PrepareData(obs);
  const int n = static_cast<int>(c.Waves.size());
  const AppState state = Searched(obs, n);
  const RefinementResult result = Refine(state);

  const ModelFit& fit = result.Refined[static_cast<int>(ModelKind::Sum)];
  EXPECT_LT(fit.Statistics.RelDeviation, 1e-6);
  EXPECT_LE(fit.Objective, result.Search[0].Objective);
  const std::vector<Wave> got = SortedWaves(fit.Coefficients);
  ASSERT_EQ(got.size(), c.Waves.size());
  for (int k = 0; k < n; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(got[k].A, c.Waves[k].A, kExactTolerance * c.Waves[k].A);
    EXPECT_NEAR(got[k].B, c.Waves[k].B, kExactTolerance * c.Waves[k].B);
    // The phase at the data's centre is what the data fix; at x = 0 far from the data (years)
    // it carries the frequency's error times the distance.
    const double centre = (c.Xs.front() + c.Xs.back()) / 2;
    EXPECT_LT(PhaseGap(got[k].C + got[k].B * centre, c.Waves[k].C + c.Waves[k].B * centre),
              kExactTolerance);
    EXPECT_GE(got[k].C, 0);
    EXPECT_LT(got[k].C, kTwoPi);
  }
  EXPECT_GE(fit.Hits, 1);
  EXPECT_GE(fit.Starts, fit.Hits);
}

INSTANTIATE_TEST_SUITE_P(
    Refinement,
    ExactData,
    ::testing::Values(
        ExactCase{"OneUniform", UniformX(40, 0, 0.5), {{1.7, 1.3, 0.4}}},
        ExactCase{"TwoUniform", UniformX(60, 0, 0.4), {{2.0, 0.9, 5.0}, {0.8, 3.1, 1.0}}},
        ExactCase{"ThreeIrregular",
                  IrregularX(80, 0, 30),
                  {{1.0, 0.5, 2.0}, {1.5, 1.7, 0.3}, {0.6, 4.2, 4.4}}},
        ExactCase{"TwoMonthlyAroundTheYear2000",
                  UniformX(96, 1996, 1.0 / 12),
                  {{3.0, kTwoPi, 1.0}, {1.0, 2.5 * kTwoPi, 2.0}}},
        ExactCase{
            "TwoCloseFrequencies", UniformX(100, 0, 0.3), {{1.0, 1.0, 0.5}, {0.9, 1.25, 3.0}}},
        // Two pairs on twenty irregular points, one a resolution apart, the other a fifth of
        // one: each shows as a single peak, or none (a case of the quality benchmark).
        ExactCase{"TwoPairsOnTwentyIrregularPoints",
                  {4.0196703002455285, 4.0205476466426395, 4.1581903354093468, 4.5931505619275441,
                   4.7039419721940527, 4.9014580391949369, 6.5125576406669223, 7.2288189700933669,
                   7.3582016610909449, 8.1064411978345312, 8.2313890251917687, 8.4794003232472424,
                   8.4973597601473188, 11.499189296202909, 11.584393044140757, 11.747523828274709,
                   12.182958525350919, 12.781255175362336, 12.972674065385839, 13.036250343190389},
                  {{0.35436834968560449, 3.5477103518639348, 5.625724355206426},
                   {1.2623386776942069, 4.2258526120717042, 4.1506025438967731},
                   {0.62020849152845892, 8.7672345997426895, 2.366466323147383},
                   {0.47025898733193683, 8.8972212586822792, 3.4929864113849582}}}),
    [](const ::testing::TestParamInfo<ExactCase>& test) { return test.param.Name; });

struct KnownPeriodCase {
  const char* Name;
  std::vector<double> Xs;
  std::vector<Wave> Known;  // at known frequencies, first in the fit
  Wave Searched;
};

class KnownPeriodsFarFromZero : public RefinementTest,
                                public ::testing::WithParamInterface<KnownPeriodCase> {};

// Where B * x reaches 1e7..1e10 the phase at x = 0 lies a long way from the data: the known
// harmonics' phases must still come back to the digits the data hold (y is computed in long
// double; B * x rounded to a double is off by up to 1e-6 there), and neither fit may end above
// the search, nor the fit with a constant above the one without, on exact data whose objective
// is all rounding and with a few short starts.
TEST_P(KnownPeriodsFarFromZero, KeepThePhaseAndNeverEndAboveTheSearch) {
  const KnownPeriodCase& c = GetParam();
  ObservationSet obs;
  obs.LastIndex = static_cast<int>(c.Xs.size()) - 1;
  std::vector<Wave> waves = c.Known;
  waves.push_back(c.Searched);
  for (std::size_t i = 0; i < c.Xs.size(); ++i) {
    long double y = 0;
    for (const Wave& w : waves) y += w.A * std::sin(static_cast<long double>(w.B) * c.Xs[i] + w.C);
    obs.X[i] = c.Xs[i];
    obs.WorkY[i] = static_cast<double>(y);
  }
  PrepareData(obs);
  CoefficientTable table;
  RefineOptions options;
  options.WithConstant = true;
  options.StartBudget = 1e-3;
  options.Terms.FixedCount = static_cast<int>(c.Known.size());
  table.HarmonicCount = static_cast<std::uint8_t>(waves.size());
  for (std::size_t k = 0; k < waves.size(); ++k) {
    table.A[k] = table.A2[k] = waves[k].A;
    table.B[k] = table.B2[k] = waves[k].B;
    table.C[k] = table.C2[k] = waves[k].C;
    if (k < c.Known.size()) options.Terms.FixedB[k] = waves[k].B;
  }
  const RefinementResult result = RefineBothModels(obs, table, obs.MinPeriod, options);
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_LE(result.Refined[kind].Objective, result.Search[kind].Objective);
    EXPECT_LE(result.WithConstant[kind].Objective, result.Refined[kind].Objective);
  }
  const HarmonicModel& got = result.Refined[static_cast<int>(ModelKind::Sum)].Coefficients;
  for (std::size_t k = 0; k < c.Known.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(got.A[k], c.Known[k].A, 1e-7);
    EXPECT_LT(PhaseGap(got.C[k], c.Known[k].C), 1e-8);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refinement,
    KnownPeriodsFarFromZero,
    ::testing::Values(
        KnownPeriodCase{
            "TenMillion", IrregularX(40, 1e7, 200), {{1.0, 1.3, 0.4}}, {0.6, 0.37, 1.1}},
        KnownPeriodCase{
            "AHundredMillion", IrregularX(30, 1e8, 50), {{1.0, 7.1, 0.4}}, {0.6, 0.9, 1.1}},
        KnownPeriodCase{"ShortPeriodNearABillion",
                        IrregularX(20, 5e8, 10),
                        {{1.0, 31.0, 2.5}},
                        {0.6, 1.7, 1.1}},
        KnownPeriodCase{"TwoKnownAtABillion",
                        IrregularX(30, 1e9, 300),
                        {{1.0, 0.8, 0.4}, {0.5, 2.9, 5.0}},
                        {0.6, 0.31, 1.1}}),
    [](const ::testing::TestParamInfo<KnownPeriodCase>& test) { return test.param.Name; });

// Model 2 fits S to sqrt(y); with S positive over the data, y = S^2 is exact for it.
TEST_F(RefinementTest, ExactSquaredDataComeBackExactlyForModelTwo) {
  const std::vector<Wave> waves = {{3.0, 0.05, 1.2}, {0.5, 2.0, 0.7}};
  ObservationSet obs;
  const std::vector<double> xs = UniformX(50, 0, 0.4);
  obs.LastIndex = 49;
  for (int i = 0; i < 50; ++i) {
    double s = 0;
    for (const Wave& w : waves) s += w.A * std::sin(w.B * xs[i] + w.C);
    ASSERT_GT(s, 0);
    obs.X[i] = xs[i];
    obs.WorkY[i] = s * s;
  }
  PrepareData(obs);
  const RefinementResult result = Refine(Searched(obs, 2));
  const ModelFit& fit = result.Refined[static_cast<int>(ModelKind::SquaredSum)];
  EXPECT_LT(fit.Statistics.RelDeviation, 1e-6);
  EXPECT_LT(fit.Objective, 1e-18);
  const std::vector<Wave> got = SortedWaves(fit.Coefficients);
  EXPECT_NEAR(got[1].B, 2.0, 1e-9);
  EXPECT_NEAR(got[1].A, 0.5, 1e-9);
}

// The optimum of one harmonic computed independently: every frequency of a fine grid with the
// amplitude pair from its 2x2 normal equations, then golden-section search around the best.
double GridObjective(const ObservationSet& obs, double b) {
  double ss = 0, sc = 0, cc = 0, sy = 0, cy = 0, yy = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double s = std::sin(b * obs.PlotX[i]), c = std::cos(b * obs.PlotX[i]);
    const double y = obs.OrigY[i];
    ss += s * s, sc += s * c, cc += c * c, sy += s * y, cy += c * y, yy += y * y;
  }
  const double det = ss * cc - sc * sc;
  if (!(det > 1e-12 * (ss + cc) * (ss + cc))) return yy;
  return yy - (cc * sy * sy - 2 * sc * sy * cy + ss * cy * cy) / det;
}

double DenseGridOptimum(const ObservationSet& obs, double bMax, double& bestB) {
  const double step = 1e-4;
  double best = INFINITY;
  for (double b = step; b <= bMax; b += step) {
    const double f = GridObjective(obs, b);
    if (f < best) best = f, bestB = b;
  }
  double lo = bestB - step, hi = bestB + step;
  const double g = (std::sqrt(5.0) - 1) / 2;
  for (int it = 0; it < 200; ++it) {
    const double m1 = hi - g * (hi - lo), m2 = lo + g * (hi - lo);
    if (GridObjective(obs, m1) < GridObjective(obs, m2)) {
      hi = m2;
    } else {
      lo = m1;
    }
  }
  bestB = (lo + hi) / 2;
  return std::min(best, GridObjective(obs, bestB));
}

TEST_F(RefinementTest, NoisyDataWithOneHarmonicReachTheDenseGridOptimum) {
  for (int seed = 0; seed < 3; ++seed) {
    SCOPED_TRACE(seed);
    ObservationSet obs = MakeWaveSample(IrregularX(50, 0, 25), {{1.2, 0.8 + 0.9 * seed, 2.0}});
    // A fixed, irregular disturbance: not a sinusoid of the model.
    for (int i = 0; i <= obs.LastIndex; ++i) {
      obs.OrigY[i] += 0.4 * std::fmod(std::sin(12.9898 * (i + 1) * (seed + 2)) * 43758.5453, 1);
    }
    const AppState state = Searched(obs, 1);
    const RefinementResult result = Refine(state);
    double bestB = 0;
    const double optimum = DenseGridOptimum(obs, 2 * kTwoPi / obs.MinPeriod, bestB);
    const ModelFit& fit = result.Refined[0];
    EXPECT_LE(fit.Objective, optimum * (1 + 1e-9));
    EXPECT_GE(fit.Objective, optimum * (1 - 1e-6));
    EXPECT_NEAR(fit.Coefficients.B[0], bestB, 1e-5 * bestB);
  }
}

// 60 rows take one running sum per term; 1003 rows the interleaved partial sums, with a tail
// and, over 509 grid steps, the rotation restarted twice. Each reported power is the
// periodogram's value at its peak, evaluated afresh.
TEST(PeriodogramPeaks, FindTheStrongestFrequencyOfIrregularDataFirst) {
  for (const int count : {60, 1003}) {
    for (const bool floatingMean : {false, true}) {
      SCOPED_TRACE(testing::Message() << count << " rows, floating mean " << floatingMean);
      const std::vector<double> xs = IrregularX(count, -1, 2);
      std::vector<double> r;
      for (double x : xs) r.push_back(1.2 * std::sin(40 * x + 1) + 2 * std::sin(17 * x + 0.2));
      double peaks[8], powers[8];
      const int found =
          PeriodogramPeaks(xs.data(), r.data(), count, 200, peaks, 8, powers, floatingMean);
      ASSERT_GE(found, 2);
      EXPECT_NEAR(peaks[0], 17, 0.4);
      int nearForty = 0;
      for (int j = 0; j < found; ++j) {
        nearForty += std::fabs(peaks[j] - 40) < 0.4 ? 1 : 0;
        const double power = PeriodogramPower(xs.data(), r.data(), count, peaks[j], floatingMean);
        EXPECT_NEAR(powers[j], power, 1e-9 * power) << j;
      }
      EXPECT_EQ(nearForty, 1);
    }
  }
}

TEST(PeriodogramPeaks, FindNothingInZeroData) {
  const std::vector<double> xs = UniformX(20, -1, 0.1);
  const std::vector<double> r(20, 0.0);
  double peaks[4];
  EXPECT_EQ(PeriodogramPeaks(xs.data(), r.data(), 20, 30, peaks, 4), 0);
  EXPECT_EQ(PeriodogramPeaks(xs.data(), r.data(), 20, NAN, peaks, 4), 0);
}

}  // namespace
