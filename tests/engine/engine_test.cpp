#include "engine/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/run_time_fault.h"

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

Outcome FitAlone(const Series& s, std::uint32_t seed, const EngineChoice& choice = {}) {
  Engine engine;
  EXPECT_TRUE(engine.SetData(s.X, s.Y).Accepted);
  Outcome out;
  FitRequest request = Request(seed);
  request.Engine = choice;
  out.Fit = engine.Fit(request);
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

// Two engines fitting different data on two threads at once, each with its own engine choice
// (the second the C library's sine on one thread), the search's second thread shared between
// them, each give the bits they give alone.
TEST(Engine, TwoEnginesOnTwoThreadsGiveTheBitsEachGivesAlone) {
  const Series first = MakeSeries(40, 0.9, 0.3), second = MakeSeries(63, 1.7, 2.0);
  EngineChoice reference;
  reference.Sines = FitSineSource::Library;
  reference.SecondThread = false;
  const Outcome firstAlone = FitAlone(first, 11), secondAlone = FitAlone(second, 29, reference);
  ASSERT_NE(firstAlone.Csv, secondAlone.Csv);
  // The choice is taken: the library's sine gives other bits than the kernel's.
  const Outcome kernel = FitAlone(second, 29);
  ASSERT_TRUE(kernel.Fit.Objective[0] != secondAlone.Fit.Objective[0] ||
              kernel.Fit.RelDeviation[0] != secondAlone.Fit.RelDeviation[0]);
  for (int round = 0; round < 3; ++round) {
    Outcome a, b;
    std::thread other([&] { b = FitAlone(second, 29, reference); });
    a = FitAlone(first, 11);
    other.join();
    ExpectSameBits(a, firstAlone);
    ExpectSameBits(b, secondAlone);
  }
}

// Far more rows than the window reads, through SetData: every one is held and written out, and
// a known sinusoid on irregular x is found by the search and kept by the refinement.
TEST(Engine, ThousandsOfRowsOfAKnownSinusoidAreFittedAndRecovered) {
  constexpr double kA = 2.5, kB = 0.8, kC = 0.6;
  for (const int count : {1000, 20000}) {
    SCOPED_TRACE(count);
    std::vector<double> x(count), y(count);
    for (int i = 0; i < count; ++i) {
      x[i] = 0.05 * i + 0.02 * std::sin(1.7 * i);
      y[i] = kA * std::sin(kB * x[i] + kC) + 0.3 * std::cos(13.0 * i);  // a deterministic wobble
    }
    Engine engine;
    ASSERT_EQ(engine.SetData(x, y).Count, count);
    FitRequest request = Request(7);
    request.Harmonics = 1;
    const FitResult fit = engine.Fit(request);
    EXPECT_EQ(fit.Count, count);
    const HarmonicModel& found = fit.Models[0];
    EXPECT_NEAR(found.B[0], kB, 1e-3 * kB);
    EXPECT_NEAR(found.A[0], kA, 0.02 * kA);
    const std::string csv = engine.CsvText();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'),
              std::count(csv.begin(), csv.begin() + csv.find("x,y,"), '\n') + 1 + count);
    if (count > 1000) continue;  // the refinement's own tests cover its quality; one size here
    RefineOptions options;
    options.StartBudget = 0.05;
    const HarmonicModel& refined = engine.Refine(options).Refined[0].Coefficients;
    EXPECT_NEAR(refined.B[0], kB, 1e-4 * kB);
    EXPECT_NEAR(refined.A[0], kA, 0.01 * kA);
  }
}

// Arrays the search cannot take are refused and leave the data held as they were; a refusal
// by a fault carries the fault, for the window to show as it shows every fault.
TEST(Engine, RefusesArraysItCannotFitAndKeepsItsData) {
  const Series good = MakeSeries(10, 1.0, 0.0);
  const struct {
    std::vector<double> X, Y;
    bool Fault;
  } cases[] = {
      {{0, 1, 2, 3}, {1, 2, 3}, false},             // lengths differ
      {{0, 1, 2}, {1, 2, 3}, false},                // fewer than 4
      {{0, 1, NAN, 3}, {1, 2, 3, 4}, false},        // not finite
      {{-1e308, 0, 1, 1e308}, {1, 2, 3, 4}, true},  // the range overflows
  };
  Engine engine;
  ASSERT_TRUE(engine.SetData(good.X, good.Y).Accepted);
  for (const auto& c : cases) {
    const DataOutcome out = engine.SetData(c.X, c.Y);
    EXPECT_FALSE(out.Accepted);
    EXPECT_FALSE(out.Error.empty());
    EXPECT_EQ(out.Fault != nullptr, c.Fault);
    if (out.Fault) {
      EXPECT_THROW(std::rethrow_exception(out.Fault), RunTimeFault);
    }
    EXPECT_EQ(engine.State().Observations.LastIndex, 9);
  }
  FitRequest tooMany = Request(1);
  tooMany.Harmonics = 6;
  EXPECT_THROW(engine.Fit(tooMany), std::invalid_argument);
  EXPECT_THROW(static_cast<void>(engine.Refine(RefineOptions{})), std::logic_error);
}

}  // namespace
