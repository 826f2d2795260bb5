#include "analysis/peak_search/peak_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "analysis/periodogram.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

struct Line {
  double Period, Amplitude, Phase;
};

// The sampling of one case: x before noise, and how far each x is moved at random.
enum class Sampling { Random, Jittered, Gapped };

std::vector<double> Abscissa(Sampling sampling, int count, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> xs;
  for (int i = 0; xs.size() < static_cast<std::size_t>(count); ++i) {
    if (sampling == Sampling::Random) xs.push_back(0.1 * count * unit(random));
    if (sampling == Sampling::Jittered) xs.push_back(i + 0.4 * (unit(random) - 0.5));
    // Ten hours of every day observed, hourly: the daily gaps alias every line.
    if (sampling == Sampling::Gapped && i % 24 < 10) xs.push_back(i);
  }
  std::sort(xs.begin(), xs.end());
  return xs;
}

struct Case {
  std::string Name;
  Sampling Grid;
  int Count;
  ModelTerms Terms;
  double Level, Slope, Noise;
  std::vector<Line> Lines;
  ModelKind Kind;  // the model whose lines are checked; SquaredSum: y is the sum squared
};

ObservationSet Generate(const Case& c) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, c.Noise);
  const std::vector<double> xs = Abscissa(c.Grid, c.Count, random);
  ObservationSet obs;
  obs.LastIndex = static_cast<int>(xs.size()) - 1;
  ReserveObservations(obs, static_cast<int>(xs.size()));
  for (std::size_t i = 0; i < xs.size(); ++i) {
    double s = c.Level + c.Slope * xs[i];
    for (const Line& l : c.Lines) s += l.Amplitude * std::sin(kTwoPi / l.Period * xs[i] + l.Phase);
    obs.X[i] = xs[i];
    obs.WorkY[i] = (c.Kind == ModelKind::SquaredSum ? s * s : s) + noise(random);
  }
  PrepareData(obs);
  return obs;
}

ModelTerms Terms(bool constant, bool trend) {
  ModelTerms terms;
  terms.Constant = constant;
  terms.Trend = trend;
  return terms;
}

// Each true line is matched by a found frequency within a tenth of a resolution: a line fitted
// twice, or one put on an alias, leaves another line unmatched.
TEST(PeriodogramSearch, FindsEveryLineWhereAliasesAndCloseLinesCompete) {
  const Case cases[] = {
      {"random x, three lines and a level",
       Sampling::Random,
       800,
       Terms(true, false),
       5,
       0,
       0.5,
       {{37.3, 2, 0.3}, {9.1, 1, 1.1}, {2.71, 0.6, 2}},
       ModelKind::Sum},
      {"gapped days, a daily line and a slow one with a trend",
       Sampling::Gapped,
       400,
       Terms(true, true),
       3,
       0.002,
       0.3,
       {{24, 1, 0.5}, {61.7, 0.8, 2.5}},
       ModelKind::Sum},
      {"jittered grid, two lines 1.3 resolutions apart",
       Sampling::Jittered,
       500,
       Terms(false, false),
       0,
       0,
       0.3,
       {{20, 1, 0.2}, {1 / (1 / 20.0 + 1.3 / 500), 0.8, 1.9}},
       ModelKind::Sum},
      {"squared sum on random x",
       Sampling::Random,
       600,
       Terms(true, false),
       2,
       0,
       0.2,
       {{17, 1, 0.4}, {5.3, 0.5, 1}},
       ModelKind::SquaredSum},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const ObservationSet obs = Generate(c);
    HarmonicModel models[2];
    const int n = static_cast<int>(c.Lines.size());
    const bool both[2] = {true, true};
    PeriodogramSearch(obs, n, c.Terms, {}, obs.MinPeriod, both, models);
    const HarmonicModel& found = models[static_cast<int>(c.Kind)];
    ASSERT_EQ(found.Count, n);
    const double resolution = kTwoPi / (obs.PlotX[obs.LastIndex] - obs.PlotX[0]);
    for (const Line& l : c.Lines) {
      double nearest = INFINITY;
      for (int k = 0; k < n; ++k)
        nearest = std::min(nearest, std::fabs(found.B[k] - kTwoPi / l.Period));
      EXPECT_LT(nearest, 0.1 * resolution) << "period " << l.Period;
    }
    if (c.Terms.Constant) {
      EXPECT_NEAR(found.Constant, c.Level, 0.1);
    }
  }
}

}  // namespace

namespace {

// Above 100 rows the refinement's peaks come from the transform: each peak's power is the direct
// sum's at its frequency, on the sums' grid, strongest first.
TEST(PeriodogramPeaks, LongSeriesPeaksHoldTheDirectPowers) {
  for (const bool floatingMean : {false, true}) {
    SCOPED_TRACE(floatingMean);
    const ObservationSet obs = Generate({"",
                                         Sampling::Random,
                                         3000,
                                         Terms(true, false),
                                         1,
                                         0,
                                         0.5,
                                         {{37.3, 2, 0.3}, {9.1, 1, 1.1}},
                                         ModelKind::Sum});
    std::vector<double> u(obs.LastIndex + 1), r(u.size());
    const double span = obs.X[obs.LastIndex] - obs.X[0];
    for (std::size_t i = 0; i < u.size(); ++i) {
      u[i] = 2 * (obs.X[i] - obs.X[0]) / span - 1;
      r[i] = obs.WorkY[i] - (floatingMean ? 0 : 1);
    }
    const double omegaMax = kTwoPi / obs.MinPeriod * span / 2;
    double peaks[8], powers[8];
    const int found = PeriodogramPeaks(
        u.data(), r.data(), static_cast<int>(u.size()), omegaMax, peaks, 8, powers, floatingMean);
    ASSERT_EQ(found, 8);
    const double step = PeriodogramStep(omegaMax);
    EXPECT_NEAR(peaks[0], kTwoPi / 37.3 * span / 2, step);
    for (int p = 0; p < found; ++p) {
      SCOPED_TRACE(p);
      EXPECT_NEAR(peaks[p] / step, std::round(peaks[p] / step), 1e-9);
      const double direct =
          PeriodogramPower(u.data(), r.data(), static_cast<int>(u.size()), peaks[p], floatingMean);
      EXPECT_NEAR(powers[p], direct, 1e-9 * direct);
      if (p > 0) {
        EXPECT_LE(powers[p], powers[p - 1]);
      }
    }
  }
}

}  // namespace
