#include "analysis/spectral/grid_spacing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Points of a grid x0 + k d kept 45 % of every 24 steps and 80 % of every 3000 (nightly and
// seasonal gaps), each moved by up to jitter * d; the fitted spacing must be d, whatever the
// median step it is given (near d: the gaps' rounding does not move it).
TEST(FittedGridSpacing, IsTheSpacingOfAGappedJitteredGrid) {
  const struct {
    double X0, D, Jitter, Step;
    double Tolerance;
  } cases[] = {
      {0, 0.1, 0, 0.1, 1e-12},
      {2.0e6, 1.0 / 24, 0, 1.03 / 24, 1e-12},
      {-5, 0.1, 0.03, 0.1, 1e-6},
      {0, 3.7, 0.03, 3.5, 1e-6},
  };
  for (const auto& c : cases) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> shift(-c.Jitter, c.Jitter);
    std::vector<double> u;
    for (int k = 0; u.size() < 20000; ++k) {
      if (k % 24 < 11 && k % 3000 < 2400) u.push_back(c.X0 + (k + shift(random)) * c.D);
    }
    const double spacing = FittedGridSpacing(u.data(), static_cast<int>(u.size()), c.Step);
    EXPECT_NEAR(spacing / c.D, 1, c.Tolerance) << c.X0 << " " << c.D;
  }
}

}  // namespace
