#include "engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Series {
  std::vector<double> X, Y;
};

// count points of a two-harmonic signal with a deterministic wobble.
Series MakeSeries(int count, double b, double phase) {
  Series s;
  for (int i = 0; i < count; ++i) {
    const double x = 0.37 * i;
    s.X.push_back(x);
    s.Y.push_back(2 * std::sin(b * x + phase) + 0.6 * std::sin(3.1 * x) + 0.2 * std::cos(7.0 * i));
  }
  return s;
}

FitRequest Request(std::uint32_t seed) {
  FitRequest r;
  r.Harmonics = 2;
  r.Depth = 10000;
  r.FixedSeeds = true;
  r.Seeds[0] = seed;
  r.Seeds[1] = seed + 1;
  return r;
}

// Everything a fit gives that a caller can see: its models, figures and its CSV text.
struct Outcome {
  FitResult Fit;
  std::string Csv;
};

Outcome FitAlone(const Series& s, std::uint32_t seed) {
  Engine engine;
  EXPECT_TRUE(engine.SetData(s.X, s.Y).Accepted);
  Outcome out;
  out.Fit = engine.Fit(Request(seed));
  out.Csv = engine.CsvText();
  return out;
}

void ExpectSameBits(const Outcome& a, const Outcome& b) {
  for (int m = 0; m < 2; ++m) {
    EXPECT_EQ(std::memcmp(&a.Fit.Models[m], &b.Fit.Models[m], sizeof(HarmonicModel)), 0);
    EXPECT_EQ(a.Fit.RelDeviation[m], b.Fit.RelDeviation[m]);
    EXPECT_EQ(a.Fit.Objective[m], b.Fit.Objective[m]);
    EXPECT_EQ(a.Fit.StageSeeds[m], b.Fit.StageSeeds[m]);
  }
  EXPECT_EQ(a.Csv, b.Csv);
}

// Two engines fitting different data on two threads at once, the search's second thread shared
// between them, each give the bits they give alone.
TEST(Engine, TwoEnginesOnTwoThreadsGiveTheBitsEachGivesAlone) {
  const Series first = MakeSeries(40, 0.9, 0.3), second = MakeSeries(63, 1.7, 2.0);
  const Outcome firstAlone = FitAlone(first, 11), secondAlone = FitAlone(second, 29);
  ASSERT_NE(firstAlone.Csv, secondAlone.Csv);
  for (int round = 0; round < 3; ++round) {
    Outcome a, b;
    std::thread other([&] { b = FitAlone(second, 29); });
    a = FitAlone(first, 11);
    other.join();
    ExpectSameBits(a, firstAlone);
    ExpectSameBits(b, secondAlone);
  }
}

// Arrays the search cannot take are refused and leave the data held as they were.
TEST(Engine, RefusesArraysItCannotFitAndKeepsItsData) {
  const Series good = MakeSeries(10, 1.0, 0.0);
  const struct {
    std::vector<double> X, Y;
  } cases[] = {
      {{0, 1, 2, 3}, {1, 2, 3}},                                   // lengths differ
      {{0, 1, 2}, {1, 2, 3}},                                      // fewer than 4
      {std::vector<double>(101, 1), std::vector<double>(101, 1)},  // more than 100
      {{0, 1, NAN, 3}, {1, 2, 3, 4}},                              // not finite
  };
  Engine engine;
  ASSERT_TRUE(engine.SetData(good.X, good.Y).Accepted);
  for (const auto& c : cases) {
    const DataOutcome out = engine.SetData(c.X, c.Y);
    EXPECT_FALSE(out.Accepted);
    EXPECT_FALSE(out.Error.empty());
    EXPECT_EQ(engine.State().Observations.LastIndex, 9);
  }
  FitRequest tooMany = Request(1);
  tooMany.Harmonics = 6;
  EXPECT_THROW(engine.Fit(tooMany), std::invalid_argument);
  EXPECT_THROW(static_cast<void>(engine.Refine(RefineOptions{})), std::logic_error);
}

}  // namespace
