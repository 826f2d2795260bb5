#include "engine/count_comparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Standard normal draws from a fixed 64-bit LCG (Box-Muller), the same on every platform.
class Noise {
 public:
  double Next() {
    const double u1 = Uniform(), u2 = Uniform();
    return std::sqrt(-2 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  double Uniform() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state_ >> 11) + 0.5) / 9007199254740992.0;
  }
  std::uint64_t state_ = 20261209;
};

// A known number of well separated components above noise is recommended, its last harmonic is
// significant and the one after it is not.
TEST(CompareHarmonicCounts, RecommendsTheTrueNumberOfComponents) {
  const double amplitude[] = {2.0, 1.5, 1.0}, frequency[] = {0.9, 2.3, 4.1};
  for (int truth = 1; truth <= 3; ++truth) {
    Noise noise;
    std::vector<double> x, y;
    for (int i = 0; i < 60; ++i) {
      x.push_back(0.4 * i + 0.15 * std::sin(1.7 * i));
      double v = 0.3 * noise.Next();
      for (int k = 0; k < truth; ++k) v += amplitude[k] * std::sin(frequency[k] * x.back() + k);
      y.push_back(v);
    }
    Engine engine;
    ASSERT_TRUE(engine.SetData(x, y).Accepted);
    FitRequest request;
    request.Harmonics = truth + 1;
    request.FixedSeeds = true;
    request.Seeds[0] = 11;
    request.Seeds[1] = 12;
    RefineOptions options;
    options.StartBudget = 0.2;
    const CountComparison c = CompareHarmonicCounts(engine, request, options);
    const HarmonicCountTable& t = c.Models[static_cast<int>(ModelKind::Sum)];
    ASSERT_EQ(t.Rows.size(), std::size_t(truth + 1));
    EXPECT_EQ(t.Recommended, truth);
    EXPECT_LT(t.Rows[truth - 1].FalseAlarm, 1e-3) << truth;
    EXPECT_GT(t.Rows[truth].FalseAlarm, 0.01) << truth;
    EXPECT_GT(t.Rows[truth].FTest, 0.001) << truth;
    EXPECT_FALSE(engine.HasFit());  // the comparison works on a copy
  }
}

}  // namespace
