// The screening's cheaper sine: its polynomial within the error the screening's bound takes for
// it on the whole reduced range, and its lanes within kApproxSinError of the sine.
#include "sine/approx_sine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "sine/approx_sine_lanes.h"
#include "sine/lanes_sse2.h"

namespace {

long double Polynomial(long double r) {
  const long double s = r * r;
  long double p = kApproxSin[3];
  for (int j = 2; j >= 0; --j) p = p * s + kApproxSin[j];
  return r + r * s * p;
}

// The bound in docs/early_exit_bound.md: q = p - T21, T21 sin's Taylor polynomial of degree 21, is
// a polynomial of degree 21, so |q'| <= 21^2 / R * max|q| on [-R, R] (Markov), and no point is
// more than h/2 from a grid point h apart: max|q| <= (grid max of |q|) / (1 - 21^2 * h / (2R)).
// |sin - T21| <= R^23 / 23!, and q is odd: the grid covers [0, R].
TEST(ApproxSine, PolynomialIsWithinItsBoundOnTheReducedRange) {
  constexpr int kSteps = 20000;
  const long double range = kApproxSinReduced, step = range / kSteps;
  long double worst = 0;
  for (int i = 0; i <= kSteps; ++i) {
    const long double r = step * i;
    worst = std::fmax(worst, std::fabs(Polynomial(r) - std::sin(r)));
  }
  const long double tail = std::pow(range, 23.0L) / std::tgamma(24.0L) + 1e-17L;  // and rounding
  const long double bound = (worst + tail) / (1 - 21 * 21 * step / (2 * range)) + tail;
  EXPECT_LT(bound, 4.7e-9L);
}

// Arguments up to the largest the screening gives it, on the 2-lane path, whose reduction leaves
// the most: pi in two parts, unfused, 3.44e-15 short of pi for each of the k < |x|/pi + 1 turns.
// Uniform ones and the neighbours of multiples of pi/2.
TEST(ApproxSine, LanesAreWithinTheErrorTheBoundAllowsFor) {
  std::mt19937_64 generator(2024);
  for (double largest : {1e-3, 2.0, 1e3, kApproxSinMaxArgument}) {
    std::uniform_real_distribution<double> uniform(-largest, largest);
    long double worst = 0;
    for (int i = 0; i < 40000; ++i) {
      double x = uniform(generator);
      if (i % 2 == 1) {  // next to a multiple of pi/2, where k changes or r is smallest
        x = std::nearbyint(x / (std::numbers::pi / 2)) * (std::numbers::pi / 2);
        x = std::nextafter(x, i % 4 == 1 ? 1e300 : -1e300);
      }
      const Sse2::Reals y = ApproxSinLanes<Sse2>(Sse2::Reals{x, -x});
      const long double want = std::sin(static_cast<long double>(x));
      worst = std::fmax(worst, std::fabs(y[0] - want));
      worst = std::fmax(worst, std::fabs(y[1] + want));
    }
    const double derived = 4.7e-9 + (largest / std::numbers::pi + 1) * 3.44e-15 + 1e-15;
    EXPECT_LT(worst, derived) << "arguments up to " << largest;
    EXPECT_LT(derived, kApproxSinError - 1e-13);
  }
}

}  // namespace
