#include "engine/fit_many.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>
#include <vector>

#include "fit/fit_worker.h"

namespace {

// Pinned to one CPU (ctest runs it under taskset -c 0), a batch fits every series on the calling
// thread: a second thread could only take turns with it.
TEST(FitMany, APinnedProcessFitsEverySeriesOnTheCallingThread) {
  if (UsableCpus() > 1) GTEST_SKIP() << "the process may use more than one CPU";
  constexpr int kSeries = 16, kCount = 24;
  std::vector<double> x(kCount), y;
  for (int i = 0; i < kCount; ++i) x[i] = i;
  for (int s = 0; s < kSeries; ++s) {
    for (int i = 0; i < kCount; ++i) y.push_back(std::sin(0.3 * (s + 1) * i));
  }
  std::set<std::thread::id> threads;
  const std::vector<SeriesFit> fits =
      FitMany(x, y.data(), kSeries, ManyRequest{}, 0, [&threads](std::size_t) {
        threads.insert(std::this_thread::get_id());
        return true;
      });
  for (const SeriesFit& fit : fits) EXPECT_TRUE(fit.Fitted) << fit.Error;
  EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

}  // namespace
