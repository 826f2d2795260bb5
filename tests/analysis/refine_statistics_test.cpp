#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/fit_trust.h"
#include "analysis/least_squares.h"
#include "analysis/model_estimates.h"
#include "analysis/spectral_band.h"
#include "analysis_test_support.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A noisy two-harmonic set near x = 0: well conditioned, so a finite-difference covariance is
// accurate to many digits.
ObservationSet NoisyTwoHarmonics(double offset = 0) {
  ObservationSet obs =
      MakeWaveSample(IrregularX(45, 0, 20), {{1.5, 0.7, 1.0}, {0.7, 2.1, 4.0}}, offset);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.2 * std::sin(7.77 * i * i + 0.3);
  return obs;
}

// Parameters in the order A0, B0, C0, A1, ..., then c0.
std::vector<double> Parameters(const ModelFit& fit) {
  std::vector<double> p;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    p.push_back(fit.Coefficients.A[k]);
    p.push_back(fit.Coefficients.B[k]);
    p.push_back(fit.Coefficients.C[k]);
  }
  if (fit.HasConstant) p.push_back(fit.Constant.Value);
  return p;
}

double StageValue(const std::vector<double>& p, int harmonics, bool constant, double x) {
  double v = constant ? p[3 * harmonics] : 0.0;
  for (int k = 0; k < harmonics; ++k) v += p[3 * k] * std::sin(p[3 * k + 1] * x + p[3 * k + 2]);
  return v;
}

// Standard errors from a central-difference Jacobian of the model in x itself.
std::vector<double> FiniteDifferenceErrors(const ObservationSet& obs, const ModelFit& fit) {
  const std::vector<double> p = Parameters(fit);
  const int n = fit.Coefficients.Count, count = obs.LastIndex + 1, m = static_cast<int>(p.size());
  Eigen::MatrixXd jacobian(count, m);
  for (int j = 0; j < m; ++j) {
    const double h = 1e-6 * std::max(1.0, std::fabs(p[j]));
    std::vector<double> up = p, down = p;
    up[j] += h;
    down[j] -= h;
    for (int i = 0; i < count; ++i) {
      jacobian(i, j) = (StageValue(up, n, fit.HasConstant, obs.PlotX[i]) -
                        StageValue(down, n, fit.HasConstant, obs.PlotX[i])) /
                       (2 * h);
    }
  }
  const double variance = fit.Objective / (count - m);
  const Eigen::MatrixXd covariance = variance * (jacobian.transpose() * jacobian).inverse();
  std::vector<double> errors;
  for (int j = 0; j < m; ++j) errors.push_back(std::sqrt(covariance(j, j)));
  return errors;
}

// The period's interval is the frequency's mapped through 2pi/B; where that reaches B = 0 no
// period bounds it.
void ExpectPeriodIntervalFromFrequency(const Estimate& b, const Estimate& period) {
  if (!(b.Determined && b.Lower > 0)) {
    EXPECT_FALSE(period.Determined);
    return;
  }
  EXPECT_TRUE(period.Determined);
  EXPECT_NEAR(period.Lower, kTwoPi / b.Upper, 1e-12 * period.Value);
  EXPECT_NEAR(period.Upper, kTwoPi / b.Lower, 1e-12 * period.Value);
  EXPECT_TRUE(period.Lower < period.Value && period.Value < period.Upper);
}

void ExpectErrorsMatchFiniteDifferences(const ObservationSet& obs, const ModelFit& fit) {
  const std::vector<double> want = FiniteDifferenceErrors(obs, fit);
  const double t = StudentQuantile95(fit.Statistics.DegreesOfFreedom);
  auto check = [&](const Estimate& e, double se, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(e.Determined);
    EXPECT_NEAR(e.StdError, se, 1e-5 * se);
    EXPECT_NEAR(e.Lower, e.Value - t * e.StdError, 1e-12 * (1 + std::fabs(e.Value)));
    EXPECT_NEAR(e.Upper, e.Value + t * e.StdError, 1e-12 * (1 + std::fabs(e.Value)));
  };
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    SCOPED_TRACE(k);
    check(fit.A[k], want[3 * k], "A");
    check(fit.B[k], want[3 * k + 1], "B");
    check(fit.C[k], want[3 * k + 2], "C");
    const double b = fit.Coefficients.B[k];
    const Estimate& period = fit.Period[k];
    EXPECT_NEAR(period.Value, kTwoPi / b, 1e-14 * kTwoPi / b);
    ExpectPeriodIntervalFromFrequency(fit.B[k], period);
    if (period.Determined) {
      EXPECT_NEAR(period.StdError, kTwoPi / (b * b) * want[3 * k + 1], 1e-5 * period.StdError);
    }
  }
  if (fit.HasConstant) check(fit.Constant, want.back(), "c0");
}

TEST_F(RefinementTest, StandardErrorsMatchAFiniteDifferenceJacobian) {
  const ObservationSet obs = NoisyTwoHarmonics();
  const RefinementResult result = Refine(Searched(obs, 2));
  ExpectErrorsMatchFiniteDifferences(obs, result.Refined[0]);
  // Away from the optimum (the search's own result) the same formula holds.
  ExpectErrorsMatchFiniteDifferences(obs, result.Search[0]);
}

// A level fitted without a constant: one harmonic goes to a frequency near 0 whose interval
// reaches 0, so its period has no finite bound (the linearised interval reached below 0).
TEST_F(RefinementTest, APeriodWhoseFrequencyMayBeZeroIsNotDetermined) {
  ObservationSet obs = MakeWaveSample(IrregularX(40, 0, 20), {{2, 1.3, 0.4}}, 10);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.3 * std::sin(7.77 * i * i + 0.3);
  const ModelFit fit = Refine(Searched(obs, 2)).Refined[0];
  int unbounded = 0;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    ExpectPeriodIntervalFromFrequency(fit.B[k], fit.Period[k]);
    if (!fit.Period[k].Determined) ++unbounded;
  }
  EXPECT_EQ(unbounded, 1);
}

TEST_F(RefinementTest, StandardErrorsOfModelTwoFollowItsSquareRootTarget) {
  ObservationSet obs = NoisyTwoHarmonics(4);
  const RefinementResult result = Refine(Searched(obs, 2));
  const ModelFit& fit = result.Refined[1];
  // The finite differences against sqrt(y): the same Jacobian, its own residual variance.
  ExpectErrorsMatchFiniteDifferences(obs, fit);
  double objective = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double r = StageValue(Parameters(fit), 2, false, obs.PlotX[i]) -
                     std::sqrt(std::max(obs.OrigY[i], 0.0));
    objective += r * r;
  }
  EXPECT_NEAR(fit.Objective, objective, 1e-12 * objective);
}

TEST_F(RefinementTest, AConstantTermGetsItsOwnStandardError) {
  const ObservationSet obs = NoisyTwoHarmonics(2.5);
  const RefinementResult result = Refine(Searched(obs, 2), true);
  const ModelFit& fit = result.WithConstant[0];
  EXPECT_TRUE(fit.HasConstant);
  EXPECT_EQ(fit.Statistics.Parameters, 7);
  EXPECT_NEAR(fit.Constant.Value, 2.5, 0.2);
  ExpectErrorsMatchFiniteDifferences(obs, fit);
  // The offset is real: the criteria prefer the model that has it.
  EXPECT_LT(fit.Statistics.Aic, result.Refined[0].Statistics.Aic);
  EXPECT_LT(fit.Statistics.Bic, result.Refined[0].Statistics.Bic);
}

// The peak's false-alarm probability bounds the truth on pure noise: Baluev's approximation is an
// upper bound, so at most about a tenth of the draws fall below 0.1 (on near-grid x, whose high
// frequencies partly repeat the low ones, about half that). It is tiny for a line as strong as
// the noise, and a refinement of noise is flagged as not detected.
TEST_F(RefinementTest, ThePeakFalseAlarmProbabilityIsCalibratedOnNoise) {
  std::mt19937_64 rng(20261209);
  std::normal_distribution<double> noise(0, 1);
  const std::vector<double> xs = IrregularX(40, 0, 20);
  int below = 0;
  constexpr int kDraws = 400;
  ObservationSet obs;
  for (int draw = 0; draw < kDraws; ++draw) {
    obs = MakeWaveSample(xs, {});
    for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] = noise(rng);
    ScaledProblem problem;
    FillScaledProblem(obs, ModelKind::Sum, false, problem);
    below += DetectPeak(problem, RefinementBand(problem, 0)).FalseAlarm <= 0.1;
  }
  EXPECT_GT(below, 0.02 * kDraws);
  EXPECT_LT(below, 0.14 * kDraws);

  const RefinementResult none = Refine(Searched(obs, 1, 100), false, 0.02);
  EXPECT_FALSE(Detected(none, ModelKind::Sum));
  EXPECT_GT(none.PeakFalseAlarm[0], kTrustFalseAlarm);

  ObservationSet line = MakeWaveSample(xs, {{std::sqrt(2.0), 1.3, 0.4}});  // SNR 0 dB
  for (int i = 0; i <= line.LastIndex; ++i) line.OrigY[i] += noise(rng);
  ScaledProblem problem;
  FillScaledProblem(line, ModelKind::Sum, false, problem);
  EXPECT_LT(DetectPeak(problem, RefinementBand(problem, 0)).FalseAlarm, 1e-3);

  // The window's start-up sample, ten exact points of one sinusoid at random x: never noise,
  // though its points do not average to zero and its peak may fall between grid points.
  int flagged = 0;
  for (std::uint32_t seed = 1; seed <= 50; ++seed) {
    RandomGenerator random(0, SeedSequence(seed, seed));
    MakeRandomSample(obs, random);
    FillScaledProblem(obs, ModelKind::Sum, false, problem);
    const double alarm = DetectPeak(problem, RefinementBand(problem, 0)).FalseAlarm;
    flagged += !(alarm <= kTrustFalseAlarm);
  }
  EXPECT_EQ(flagged, 0);
}

// On a grid (and near one) the band is folded at the Nyquist frequency; there the probability
// must be uniform on noise over its whole range, not only in its tail: Baluev's upcrossings alone
// put 30 grid points at a Kolmogorov-Smirnov distance of 0.14.
TEST_F(RefinementTest, OnAGridTheFalseAlarmProbabilityIsUniformOnNoise) {
  std::mt19937_64 rng(20261210);
  std::normal_distribution<double> noise(0, 1);
  constexpr int kDraws = 400;
  for (const double jitter : {0.0, 0.02}) {
    std::vector<double> xs = UniformX(30, 0, 1);
    for (int i = 0; i < 30; ++i) xs[static_cast<std::size_t>(i)] += jitter * std::sin(3.7 * i * i);
    std::vector<double> alarms;
    for (int draw = 0; draw < kDraws; ++draw) {
      ObservationSet obs = MakeWaveSample(xs, {});
      for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] = noise(rng);
      ScaledProblem problem;
      FillScaledProblem(obs, ModelKind::Sum, false, problem);
      alarms.push_back(DetectPeak(problem, RefinementBand(problem, 0)).FalseAlarm);
    }
    std::sort(alarms.begin(), alarms.end());
    double distance = 0;
    for (int i = 0; i < kDraws; ++i) {
      distance =
          std::max({distance, (i + 1.0) / kDraws - alarms[i], alarms[i] - i / double(kDraws)});
    }
    EXPECT_LT(distance, 1.36 / std::sqrt(double(kDraws))) << "jitter " << jitter;
  }
}

// Intervals describe the neighbourhood of the best optimum; a fit says when that is not enough:
// a harmonic more than the data hold fits noise (and could sit elsewhere as well), and two equal
// lines fitted with one harmonic leave the other as a rival that fits almost as well.
TEST_F(RefinementTest, AFitSaysWhenItsIntervalsDoNotHold) {
  const std::vector<double> xs = IrregularX(60, 0, 30);
  const struct {
    const char* Name;
    int Harmonics;
    std::initializer_list<Wave> Waves;
    bool NoiseHarmonic, Rival;
  } cases[] = {
      {"two clear lines", 2, {{1.5, 0.7, 1.0}, {0.9, 2.1, 4.0}}, false, false},
      {"one harmonic too many", 3, {{1.5, 0.7, 1.0}, {0.9, 2.1, 4.0}}, true, true},
      {"two equal lines, one harmonic", 1, {{1.0, 0.7, 1.0}, {1.0, 2.1, 4.0}}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ObservationSet obs = MakeWaveSample(xs, c.Waves);
    for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] += 0.3 * std::sin(7.77 * i * i + 0.3);
    const ModelFit& fit = Refine(Searched(obs, c.Harmonics)).Refined[0];
    int noisy = 0;
    for (int k = 0; k < c.Harmonics; ++k) {
      ASSERT_TRUE(IsDetermined(fit.HarmonicFalseAlarm[k])) << k;
      noisy += fit.HarmonicFalseAlarm[k] > kTrustFalseAlarm;
    }
    EXPECT_EQ(noisy, c.NoiseHarmonic ? 1 : 0);
    EXPECT_EQ(std::isfinite(fit.RivalRatio), c.Rival) << fit.RivalRatio;
    if (c.Rival) {
      EXPECT_LE(fit.RivalRatio, ProfileRatio(fit.Statistics.DegreesOfFreedom));
    }
  }
  EXPECT_NEAR(ProfileRatio(17), 1 + 2.1098 * 2.1098 / 17, 1e-4);
}

TEST(StudentQuantile95, MatchesTheTablesAndTendsToTheNormal) {
  EXPECT_NEAR(StudentQuantile95(1), 12.7062047, 1e-6);
  EXPECT_NEAR(StudentQuantile95(10), 2.2281389, 1e-6);
  EXPECT_NEAR(StudentQuantile95(100000), 1.959985, 1e-4);
}

// The figures of the model as shown against y, each by its textbook formula.
void ExpectStatisticsOf(const ObservationSet& obs, const ModelFit& fit, bool squared) {
  const int count = obs.LastIndex + 1;
  const int p = fit.Statistics.Parameters;
  double mean = 0;
  for (int i = 0; i < count; ++i) mean += obs.OrigY[i] / count;
  double sse = 0, sst = 0, absMisfit = 0, absY = 0;
  for (int i = 0; i < count; ++i) {
    double v = StageValue(Parameters(fit), fit.Coefficients.Count, fit.HasConstant, obs.PlotX[i]);
    if (squared) v *= v;
    sse += (v - obs.OrigY[i]) * (v - obs.OrigY[i]);
    sst += (obs.OrigY[i] - mean) * (obs.OrigY[i] - mean);
    absMisfit += std::fabs(v - obs.OrigY[i]);
    absY += std::fabs(obs.OrigY[i]);
  }
  const ModelStatistics& s = fit.Statistics;
  EXPECT_EQ(s.DegreesOfFreedom, count - p);
  EXPECT_NEAR(s.Sse, sse, 1e-12 * sse);
  EXPECT_NEAR(s.Rmse, std::sqrt(sse / count), 1e-12);
  EXPECT_NEAR(s.R2, 1 - sse / sst, 1e-12);
  EXPECT_NEAR(s.AdjustedR2, 1 - (sse / sst) * (count - 1) / (count - p), 1e-12);
  EXPECT_NEAR(s.Aic, count * std::log(sse / count) + 2 * p, 1e-9);
  EXPECT_NEAR(s.Bic, count * std::log(sse / count) + p * std::log(count), 1e-9);
  EXPECT_NEAR(s.RelDeviation, absMisfit / absY * 100, 1e-10);
}

TEST_F(RefinementTest, StatisticsFollowTheirFormulasForBothModels) {
  const ObservationSet obs = NoisyTwoHarmonics(3);
  const RefinementResult result = Refine(Searched(obs, 2), true);
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind);
    ExpectStatisticsOf(obs, result.Search[kind], kind == 1);
    ExpectStatisticsOf(obs, result.Refined[kind], kind == 1);
    ExpectStatisticsOf(obs, result.WithConstant[kind], kind == 1);
    EXPECT_EQ(result.Search[kind].Statistics.Parameters, 6);
    EXPECT_EQ(result.WithConstant[kind].Statistics.Parameters, 7);
    EXPECT_EQ(result.Search[kind].Starts, 0);
    // The stage's own statistics are those of the minimised objective, which never rises.
    for (const ModelFit* fit : {&result.Search[kind], &result.Refined[kind]}) {
      EXPECT_EQ(fit->StageStatistics.Sse, fit->Objective);
    }
    EXPECT_LE(result.Refined[kind].StageStatistics.Sse, result.Search[kind].StageStatistics.Sse);
  }
}

TEST_F(RefinementTest, TheSearchsDeviationsAreTheReportsToTheBit) {
  const ObservationSet obs = NoisyTwoHarmonics(1);
  const AppState state = Searched(obs, 2);
  const RefinementResult result = Refine(state);
  EXPECT_EQ(result.Search[0].Statistics.RelDeviation, state.RelDeviation);
  EXPECT_EQ(result.Search[1].Statistics.RelDeviation, state.SavedDeviation);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(result.Search[0].Coefficients.A[k], state.Coefficients.A[k]);
    EXPECT_EQ(result.Search[1].Coefficients.B[k], state.Coefficients.B2[k]);
  }
}

}  // namespace
