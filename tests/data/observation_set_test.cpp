#include "data/observation_set.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/random_generator.h"

namespace {

std::uint32_t FixedClock() { return 12345u; }

ObservationSet SetOf(std::initializer_list<std::pair<double, double>> points) {
  ObservationSet obs;
  int i = 0;
  for (auto [x, y] : points) {
    obs.X[i] = x;
    obs.WorkY[i] = y;
    ++i;
  }
  obs.LastIndex = i - 1;
  return obs;
}

TEST(PrepareData, EqualXAreReorderedThroughASmallerThird) {
  ObservationSet obs = SetOf({{2, 10}, {2, 20}, {1, 30}});
  PrepareData(obs);
  EXPECT_EQ(obs.X[0], 1);
  EXPECT_EQ(obs.X[1], 2);
  EXPECT_EQ(obs.X[2], 2);
  EXPECT_EQ(obs.WorkY[0], 30);
  EXPECT_EQ(obs.WorkY[1], 20);
  EXPECT_EQ(obs.WorkY[2], 10);
}

TEST(PrepareData, SortsDescendingDataKeepingPairs) {
  ObservationSet obs = SetOf({{5, -5}, {4, -4}, {3, -3}, {2, -2}, {1, -1}});
  PrepareData(obs);
  for (int i = 0; i <= 4; ++i) {
    EXPECT_EQ(obs.X[i], i + 1);
    EXPECT_EQ(obs.WorkY[i], -(i + 1));
    EXPECT_EQ(obs.PlotX[i], obs.X[i]);
    EXPECT_EQ(obs.OrigY[i], obs.WorkY[i]);
  }
}

TEST(PrepareData, FindsTheYRangeOverAllValuesIncludingFirstAndLast) {
  ObservationSet first = SetOf({{0, -7}, {1, 1}, {2, 2}, {3, 6}});
  PrepareData(first);
  EXPECT_EQ(first.YMin, -7);
  EXPECT_EQ(first.YMax, 6);
  EXPECT_EQ(first.YAbsMax, 7);
  ObservationSet last = SetOf({{0, 1}, {1, 0}, {2, 2}, {3, 9}});
  PrepareData(last);
  EXPECT_EQ(last.YMin, 0);
  EXPECT_EQ(last.YMax, 9);
  EXPECT_EQ(last.YAbsMax, 9);
}

TEST(PrepareData, DerivesSpacingAndMinPeriodFromTheXRange) {
  ObservationSet obs = SetOf({{3, 0}, {1, 1}, {9, 0}, {4, 1}, {5, 2}});
  PrepareData(obs);
  EXPECT_EQ(obs.XMin, 1);
  EXPECT_EQ(obs.XMax, 9);
  EXPECT_EQ(obs.Spacing, 2);
  EXPECT_EQ(obs.MinPeriod, 4);
}

TEST(PrepareData, KeepsDuplicateX) {
  ObservationSet obs = SetOf({{1, 1}, {1, 2}, {1, 3}, {0, 4}});
  PrepareData(obs);
  EXPECT_EQ(obs.LastIndex, 3);
  EXPECT_EQ(obs.X[0], 0);
  EXPECT_EQ(obs.X[3], 1);
  EXPECT_EQ(obs.WorkY[1] + obs.WorkY[2] + obs.WorkY[3], 6);
}

TEST(RandomGenerator, FollowsTheCongruentialRecurrence) {
  RandomGenerator random{0};
  EXPECT_EQ(NextRandom(random), 1.0 / 4294967296.0);
  EXPECT_EQ(random.Seed, 1u);
  EXPECT_EQ(NextRandom(random), 134775814.0 / 4294967296.0);
  random.Seed = 0xFFFFFFFFu;  // wraps modulo 2^32: -134775813 + 1
  NextRandom(random);
  EXPECT_EQ(random.Seed, static_cast<std::uint32_t>(0u - 134775813u + 1u));
}

TEST(RandomGenerator, ReseedReadsItsOwnClockAndNoOther) {
  RandomGenerator random{0, FixedClock};
  RandomGenerator other{7};
  Reseed(random);
  EXPECT_EQ(random.Seed, 12345u);
  EXPECT_EQ(other.Seed, 7u);
}

TEST(RandomGenerator, ReseedWithoutAClockReadsTheMonotonicClock) {
  // A generator that never read the clock would keep its seed at every reseed.
  RandomGenerator random{0};
  Reseed(random);
  const std::uint32_t first = random.Seed;
  bool changed = false;
  for (int i = 0; i < 1000 && !changed; ++i) {
    Reseed(random);
    changed = random.Seed != first;
  }
  EXPECT_TRUE(changed);
}

TEST(RandomGenerator, ASeedSequenceGivesItsFirstSeedOnceThenTheSecond) {
  RandomGenerator random{0, SeedSequence(11u, 22u)};
  std::uint32_t seeds[4];
  for (std::uint32_t& seed : seeds) {
    Reseed(random);
    seed = random.Seed;
  }
  EXPECT_EQ(seeds[0], 11u);
  EXPECT_EQ(seeds[1], 22u);
  EXPECT_EQ(seeds[2], 22u);
  EXPECT_EQ(seeds[3], 22u);
}

TEST(MakeRandomSample, IsTenSortedPointsOfOneSinusoid) {
  ObservationSet obs;
  RandomGenerator random{0, FixedClock};
  MakeRandomSample(obs, random);
  // Redraw the same values by hand from the same seed.
  RandomGenerator check{12345u};
  const double a = NextRandom(check) * 10, b = NextRandom(check) * 2;
  const double c = NextRandom(check) * 2 * 3.141592653589793;
  EXPECT_EQ(obs.LastIndex, 9);
  for (int i = 0; i <= 9; ++i) {
    EXPECT_GE(obs.X[i], 0);
    EXPECT_LT(obs.X[i], 10);
    EXPECT_LT(std::fabs(obs.WorkY[i]), 10);
    EXPECT_EQ(obs.WorkY[i], std::sin(b * obs.X[i] + c) * a);
    if (i > 0) {
      EXPECT_LE(obs.X[i - 1], obs.X[i]);
    }
  }
  EXPECT_EQ(obs.MinPeriod, 2 * ((obs.XMax - obs.XMin) / 9));
}

}  // namespace
