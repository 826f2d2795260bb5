// The terms real data need: a level, a drift, known periods and weights, through the engine.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "tests/estimate_coverage.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Within four standard errors: a recovery, not a coverage count.
bool Near(const Estimate& e, double truth) {
  return e.Determined && std::fabs(e.Value - truth) <= 4 * e.StdError;
}

struct Family {
  const char* Name;
  bool Trend;
  bool Weighted;  // each y with its own sigma, 0.5 to 2, given to the engine
  bool Absolute;
};

// Weekly values over about two years of 15 (+ a drift) plus a 365.25-day cycle, fitted with the
// constant and the known period (and the trend): a linear fit, so its 95 % intervals must cover
// the truth in 95 % of noise draws. 400 draws put the share within 91.5-98.5 % unless the
// intervals are wrong (more than three binomial standard deviations).
TEST(ModelTerms, KnownPeriodIntervalsCoverTheTruthInNinetyFivePercentOfDraws) {
  const Family families[] = {
      {"constant and period", false, false, false},
      {"constant, trend and period", true, false, false},
      {"weighted, relative sigma", false, true, false},
      {"weighted, absolute sigma", true, true, true},
  };
  constexpr int kDraws = 400;
  constexpr double kPeriod = 365.25, kAmplitude = 4, kPhase = 2.5, kLevel = 15, kDrift = 0.004;
  for (const Family& family : families) {
    SCOPED_TRACE(family.Name);
    std::mt19937_64 random(20261209);
    std::normal_distribution<double> noise(0, 1);
    std::vector<double> x, sigma;
    for (int i = 0; i < 100; ++i) {
      x.push_back(7.0 * i + 3 * std::sin(i));  // weekly, a little irregular
      sigma.push_back(family.Weighted ? 0.5 + 1.5 * ((i * 37) % 100) / 99.0 : 1.0);
    }
    int covered[4] = {0, 0, 0, 0};  // constant, amplitude, phase, trend
    for (int draw = 0; draw < kDraws; ++draw) {
      std::vector<double> y;
      for (std::size_t i = 0; i < x.size(); ++i) {
        y.push_back(kLevel + (family.Trend ? kDrift * x[i] : 0) +
                    kAmplitude * std::sin(kTwoPi / kPeriod * x[i] + kPhase) +
                    sigma[i] * noise(random));
      }
      Engine engine;
      ASSERT_TRUE(engine.SetData(x, y, family.Weighted ? sigma : std::vector<double>{}).Accepted);
      FitRequest request;
      request.Constant = true;
      request.Trend = family.Trend;
      request.Periods = {kPeriod};
      request.AbsoluteSigma = family.Absolute;
      engine.Fit(request);
      const ModelFit fit = engine.Refine(RefineOptions{}).Refined[0];
      ASSERT_EQ(fit.Ended, Termination::Solved);
      ASSERT_EQ(fit.Statistics.Weighted, family.Weighted);
      covered[0] += Covers(fit.Constant, kLevel);
      covered[1] += Covers(fit.A[0], kAmplitude);
      covered[2] += CoversPhase(fit.C[0], kPhase);
      covered[3] += Covers(fit.Trend, kDrift);
    }
    std::printf("%s: %d %d %d %d of %d\n",
                family.Name,
                covered[0],
                covered[1],
                covered[2],
                covered[3],
                kDraws);
    for (int j = 0; j < (family.Trend ? 4 : 3); ++j) {
      EXPECT_GE(covered[j], 366) << j;
      EXPECT_LE(covered[j], 394) << j;
    }
  }
}

// Data with a level and a drift: without the terms the search takes a near-zero frequency for
// them; with them it finds the cycle, and the refinement recovers period, level and drift.
TEST(ModelTerms, TheSearchFindsTheCycleUnderALevelAndADrift) {
  const struct {
    const char* Name;
    bool Trend;
    double Drift, Level;
  } cases[] = {{"level", false, 0, 15},
               {"level and drift", true, 0.05, 15},
               // All y < 0: nothing is left for the square to search, which once failed the fit
               {"below zero", false, 0, -15}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::mt19937_64 random(7);
    std::normal_distribution<double> noise(0, 0.3);
    std::vector<double> x, y;
    for (int i = 0; i < 48; ++i) {  // monthly, four years
      x.push_back(i);
      y.push_back(c.Level + c.Drift * i + 3 * std::sin(kTwoPi / 12 * i + 1) + noise(random));
    }
    Engine engine;
    ASSERT_TRUE(engine.SetData(x, y).Accepted);
    FitRequest request;
    request.FixedSeeds = true;
    request.Seeds[0] = 11;
    request.Seeds[1] = 12;
    request.Constant = true;
    request.Trend = c.Trend;
    const FitResult found = engine.Fit(request);
    EXPECT_NEAR(kTwoPi / found.Models[0].B[0], 12, 0.5);
    EXPECT_NEAR(found.Models[0].Constant, c.Level, 0.7);
    EXPECT_EQ(found.StageSeeds[0], 11u);
    EXPECT_EQ(found.StageSeeds[1], 12u);
    const RefinementResult refined = engine.Refine(RefineOptions{});
    const ModelFit& fit = refined.Refined[0];
    EXPECT_TRUE(Near(fit.Period[0], 12)) << fit.Period[0].Value;
    EXPECT_TRUE(Near(fit.Constant, c.Level)) << fit.Constant.Value;
    if (c.Trend) {
      EXPECT_TRUE(Near(fit.Trend, c.Drift)) << fit.Trend.Value;
    }
    EXPECT_LE(fit.Objective, refined.Search[0].Objective);
    // The square cannot go below zero: its fit there is 0, with no interval that pretends.
    EXPECT_EQ(refined.Refined[1].A[0].Determined, c.Level > 0);

    // Written out, the fit shows its terms: each formula begins with their line, and the CSV
    // names them and includes them in the model columns (its last residual is noise-sized).
    const std::vector<std::string> report = engine.ReportLines();
    EXPECT_EQ(report[1].find("sin"), std::string::npos) << report[1];
    EXPECT_EQ(report[1].find("*x+") != std::string::npos, c.Trend) << report[1];
    std::string model1;  // the copied formula is the report's, terms first
    for (std::size_t i = 1; i < report.size() && !report[i].empty(); ++i) model1 += report[i];
    EXPECT_EQ(engine.Formula(ModelKind::Sum, FormulaFormat::Plain), "F(x)=" + model1);
    const std::string csv = engine.CsvText();
    EXPECT_NE(csv.find("# model1 c0 = "), std::string::npos);
    EXPECT_EQ(csv.find("# model2 c1 = ") != std::string::npos, c.Trend);
    std::string last = csv.substr(csv.rfind('\n', csv.size() - 2) + 1);  // x,y,m1,m2,r1,r2
    for (int field = 0; field < 4; ++field) last.erase(0, last.find(',') + 1);
    double residual1 = 1e9;
    std::from_chars(last.data(), last.data() + last.size(), residual1);  // any locale
    EXPECT_LT(std::fabs(residual1), 1.5) << last;
  }
}

}  // namespace
