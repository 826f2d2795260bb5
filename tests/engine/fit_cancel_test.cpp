#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "base/fit_cancelled.h"
#include "engine/engine.h"
#include "engine/fit_many.h"

namespace {

// A noisy-looking two-line series of `count` rows.
void MakeSeries(int count, std::vector<double>& x, std::vector<double>& y) {
  for (int i = 0; i < count; ++i) {
    const double t = 0.37 * i + 0.01 * std::sin(1.7 * i);
    x.push_back(t);
    y.push_back(5 + 2 * std::sin(0.8 * t + 0.3) + 0.6 * std::sin(3.1 * t) +
                0.3 * std::cos(7.0 * i));
  }
}

struct Case {
  const char* Name;
  int Rows;
  SearchKind Search;
  SearchMethod Method;
  bool Constant;
};

// Every search the engine runs: the window's fast and plain random search, with terms, and the
// periodogram's; each is long enough to ask for the cancel many times.
const Case kCases[] = {
    {"random, fast", 100, SearchKind::Random, SearchMethod::Fast, false},
    {"random, plain", 100, SearchKind::Random, SearchMethod::Plain, false},
    {"random with a constant", 100, SearchKind::Random, SearchMethod::Fast, true},
    {"periodogram", 20000, SearchKind::Periodogram, SearchMethod::Fast, true},
};

FitRequest RequestFor(const Case& c) {
  FitRequest r;
  r.Harmonics = 3;
  r.Depth = 200000;
  r.FixedSeeds = true;
  r.Seeds[0] = 11;
  r.Seeds[1] = 12;
  r.Search = c.Search;
  r.Engine.Search = c.Method;
  r.Constant = c.Constant;
  return r;
}

// The fit stops at the first true answer, whichever search runs, and leaves no fit behind; a
// cancel that never says yes changes no bit of the fit.
TEST(FitCancel, EverySearchStopsAtTheFirstYesAndANoChangesNothing) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.Name);
    std::vector<double> x, y;
    MakeSeries(c.Rows, x, y);
    Engine engine;
    ASSERT_TRUE(engine.SetData(x, y).Accepted);
    FitRequest request = RequestFor(c);
    std::atomic<int> asked{0};
    request.Cancelled = [&asked] { return ++asked >= 3; };
    EXPECT_THROW(engine.Fit(request), FitCancelled);
    // Asked again and again, and not after the yes (by each of the periodogram's two threads).
    EXPECT_GE(asked.load(), 3);
    EXPECT_LE(asked.load(), 4);
    EXPECT_FALSE(engine.HasFit());

    request.Depth = 2000;
    request.Cancelled = [] { return false; };
    const FitResult asking = engine.Fit(request);
    request.Cancelled = {};
    const FitResult plain = engine.Fit(request);
    for (int m = 0; m < 2; ++m) {
      const HarmonicModel &a = asking.Models[m], &b = plain.Models[m];
      ASSERT_EQ(a.Count, b.Count);
      for (int k = 0; k < a.Count; ++k) {
        EXPECT_EQ(a.A[k], b.A[k]);
        EXPECT_EQ(a.B[k], b.B[k]);
        EXPECT_EQ(a.C[k], b.C[k]);
      }
      EXPECT_EQ(a.Constant, b.Constant);
    }
  }
}

// fit_many's cancel ends the series in hand and starts no other.
TEST(FitCancel, FitManyEndsEverySeriesOnACancel) {
  std::vector<double> x, y;
  MakeSeries(100, x, y);
  std::vector<double> values;
  for (int s = 0; s < 4; ++s) values.insert(values.end(), y.begin(), y.end());
  ManyRequest request;
  request.Harmonics = 2;
  request.Depth = 200000;
  request.Refine = true;
  std::atomic<int> asked{0};
  request.Cancelled = [&asked] { return ++asked >= 5; };
  const std::vector<SeriesFit> fits = FitMany(x, values.data(), 4, request, 2, {});
  for (const SeriesFit& fit : fits) {
    EXPECT_FALSE(fit.Fitted);
    EXPECT_EQ(fit.Error, "cancelled");
  }
}

}  // namespace
