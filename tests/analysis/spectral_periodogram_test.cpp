#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "analysis/periodogram.h"
#include "analysis/spectral/grid_periodogram.h"

namespace {

// A noisy two-line series at sorted random x over [x0, x0 + span], with positive weights.
struct RandomSeries {
  std::vector<double> X, Y, W;

  RandomSeries(int count, double x0, double span, unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::normal_distribution<double> noise(0, 0.5);
    for (int i = 0; i < count; ++i) X.push_back(x0 + span * unit(random));
    std::sort(X.begin(), X.end());
    const double b1 = 40 / span, b2 = 7.3 / span;
    for (double x : X) {
      Y.push_back(3 + 2 * std::sin(b1 * (x - x0) + 1) + std::sin(b2 * (x - x0)) + noise(random));
      W.push_back(0.2 + unit(random));
    }
  }
  SpectralSeries View(bool weighted) const {
    return {X.data(), Y.data(), weighted ? W.data() : nullptr, static_cast<int>(X.size())};
  }
};

// Unweighted, the grid's values are the single-frequency periodogram's, wherever x lies.
TEST(DirectGridPeriodogram, IsTheSingleFrequencyPeriodogramAtEveryGridPoint) {
  struct Case {
    int Count;
    double X0, Span;
  };
  for (const Case c : {Case{12, -1, 2}, Case{150, 2000, 30}, Case{400, 1e6, 50}}) {
    for (const bool floatingMean : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << c.Count << " rows from " << c.X0 << ", floating mean " << floatingMean);
      const RandomSeries s(c.Count, c.X0, c.Span, 7);
      const FrequencyGrid grid{0.37 / c.Span, 300};
      const std::vector<double> power = DirectGridPeriodogram(s.View(false), grid, floatingMean);
      ASSERT_EQ(power.size(), 300u);
      // x less its midpoint in the single-frequency sums too: large x loses the phase's digits.
      std::vector<double> t;
      for (double x : s.X) t.push_back(x - (s.X.front() + (s.X.back() - s.X.front()) / 2));
      for (int k = 0; k < grid.Size; k += 13) {
        const double single =
            PeriodogramPower(t.data(), s.Y.data(), c.Count, (k + 1) * grid.Step, floatingMean);
        EXPECT_NEAR(power[k], single, 1e-10 * single + 1e-12) << k;
      }
    }
  }
}

// A weight of 2 is the row counted twice; a weight of 0 is the row left out.
TEST(DirectGridPeriodogram, WeighsRowsAsRepeatedRows) {
  const RandomSeries s(60, 5, 10, 3);
  std::vector<double> weights, xs, ys;
  for (int i = 0; i < 60; ++i) {
    weights.push_back(i % 3);
    for (int repeat = 0; repeat < i % 3; ++repeat) {
      xs.push_back(s.X[i]);
      ys.push_back(s.Y[i]);
    }
  }
  const FrequencyGrid grid{0.05, 200};
  for (const bool floatingMean : {false, true}) {
    const std::vector<double> weighted =
        DirectGridPeriodogram({s.X.data(), s.Y.data(), weights.data(), 60}, grid, floatingMean);
    const std::vector<double> repeated = DirectGridPeriodogram(
        {xs.data(), ys.data(), nullptr, static_cast<int>(xs.size())}, grid, floatingMean);
    for (int k = 0; k < grid.Size; ++k) {
      EXPECT_NEAR(weighted[k], repeated[k], 1e-10 * repeated[k] + 1e-12) << floatingMean << k;
    }
  }
}

// The transform against the direct sums: |fast - direct| <= 1e-9 of the weighted sum of squares
// about the (floating) mean, at every frequency, from 10 to 10^6 rows, x from 0 to 1e6 with
// gaps, weighted or not.
TEST(FastGridPeriodogram, MatchesTheDirectSumsWithinTheStatedBound) {
  struct Case {
    int Count;
    double X0, Span;
    int GridSize;
    bool Gapped;
  };
  const Case cases[] = {{10, 0, 3, 500, false},
                        {300, 2000, 30, 4000, true},
                        {5000, -40, 800, 3000, false},
                        {20000, 1e6, 5e4, 600, true},
                        {1000000, 3e5, 1e6, 12, false}};
  for (const Case& c : cases) {
    RandomSeries s(c.Count, c.X0, c.Span, static_cast<unsigned>(c.Count));
    // Gaps: the middle fifth and every other tenth of the span moved to their neighbours' ends.
    for (double& x : s.X) {
      const double at = (x - c.X0) / c.Span;
      if (c.Gapped && (std::fmod(at * 10, 2) < 1 || (at > 0.4 && at < 0.6))) x += 0.1 * c.Span;
    }
    for (const bool weighted : {false, true}) {
      for (const bool floatingMean : {false, true}) {
        SCOPED_TRACE(testing::Message() << c.Count << " rows, weighted " << weighted
                                        << ", floating mean " << floatingMean);
        const SpectralSeries view = s.View(weighted);
        // Up to ten resolution cells beyond the mean spacing's Nyquist frequency.
        const FrequencyGrid grid{0.4 * c.Count / c.Span / c.GridSize * 3, c.GridSize};
        const std::vector<double> fast = FastGridPeriodogram(view, grid, floatingMean);
        const std::vector<double> direct = DirectGridPeriodogram(view, grid, floatingMean);
        double sumW = 0, sumWY = 0, squares = 0;
        for (int i = 0; i < c.Count; ++i) {
          const double w = weighted ? s.W[i] : 1.0;
          sumW += w;
          sumWY += w * s.Y[i];
        }
        const double mean = floatingMean ? sumWY / sumW : 0.0;
        for (int i = 0; i < c.Count; ++i) {
          squares += (weighted ? s.W[i] : 1.0) * (s.Y[i] - mean) * (s.Y[i] - mean);
        }
        double worst = 0;
        for (int k = 0; k < grid.Size; ++k) worst = std::max(worst, std::fabs(fast[k] - direct[k]));
        EXPECT_LE(worst, 1e-9 * squares);
      }
    }
  }
}

TEST(GridPeriodogram, GivesZerosForNoRowsOrNoGrid) {
  const RandomSeries s(30, 0, 10, 1);
  EXPECT_EQ(GridPeriodogram({s.X.data(), s.Y.data(), nullptr, 0}, {0.1, 5}, true),
            std::vector<double>(5, 0.0));
  EXPECT_EQ(GridPeriodogram(s.View(true), {NAN, 4}, true), std::vector<double>(4, 0.0));
  EXPECT_TRUE(GridPeriodogram(s.View(true), {0.1, 0}, false).empty());
}

}  // namespace
