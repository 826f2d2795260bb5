// The screening's cheaper sine: its polynomial within the error the screening's bound takes for
// it on the whole reduced range, and its lanes, fed half turns as the screening forms them,
// within kApproxSinError of the sine.
#include "sine/approx_sine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "sine/approx_sine_lanes.h"
#include "sine/lanes_sse2.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double Polynomial(long double f) {
  const long double s = f * f;
  long double q = kApproxSinTurns[4];
  for (int j = 3; j >= 0; --j) q = q * s + kApproxSinTurns[j];
  return f * q;
}

// The bound in docs/early_exit_bound.md: q = p - T21(pi f), T21 sin's Taylor polynomial of degree
// 21, is a polynomial of degree 21 in f, so |q'| <= 21^2 / R * max|q| on [-R, R] (Markov), and
// no point is more than h/2 from a grid point h apart: max|q| <= (grid max of |q|) / (1 - 21^2 *
// h / (2R)). |sin - T21| <= (pi/2)^23 / 23!, and q is odd: the grid covers [0, R], R = 1/2.
TEST(ApproxSine, PolynomialIsWithinItsBoundOnTheReducedRange) {
  constexpr int kSteps = 20000;
  const long double range = 0.5L, step = range / kSteps;
  long double worst = 0;
  for (int i = 0; i <= kSteps; ++i) {
    const long double f = step * i;
    worst = std::fmax(worst, std::fabs(Polynomial(f) - std::sin(kPi * f)));
  }
  const long double tail = std::pow(kPi / 2, 23.0L) / std::tgamma(24.0L) + 1e-17L;  // rounding
  const long double bound = (worst + tail) / (1 - 21 * 21 * step / (2 * range)) + tail;
  EXPECT_LT(bound, 4.7e-9L);
}

// Half turns as the screening forms them on the 2-lane path, whose steps are unfused:
// b/pi * x + c/pi, against FitAmplitude's argument b*x + c, for |b*x| + |c| up to the largest the
// screening allows. Random ones, and the neighbours of multiples of pi/2.
TEST(ApproxSine, LanesAreWithinTheErrorTheBoundAllowsFor) {
  std::mt19937_64 generator(2024);
  std::uniform_real_distribution<double> unit(0, 1), phase(0, 2 * std::numbers::pi);
  for (double largest : {1e-3, 2.0, 1e3, kApproxSinMaxArgument - 2 * std::numbers::pi}) {
    long double worst = 0;
    for (int i = 0; i < 40000; ++i) {
      const double b = unit(generator) * largest / 100, c = phase(generator);
      double x = (2 * unit(generator) - 1) * 100;
      if (i % 2 == 1) {  // b*x + c next to a multiple of pi/2, where k changes or f is smallest
        const double near = std::nearbyint((b * x + c) / (std::numbers::pi / 2));
        x = std::nextafter((near * (std::numbers::pi / 2) - c) / b, i % 4 == 1 ? 1e300 : -1e300);
      }
      const double argument = b * x + c;  // FitAmplitude's
      const Sse2::Reals u = Sse2::Reals{b * kInvPi, -b * kInvPi} * x + Sse2::Reals{c, -c} * kInvPi;
      const Sse2::Reals y = ApproxSinTurnsLanes<Sse2>(u);
      const long double want = std::sin(static_cast<long double>(argument));
      worst = std::fmax(worst, std::fabs(y[0] - want));
      worst = std::fmax(worst, std::fabs(y[1] + want));
    }
    const double turns = 7 * std::ldexp(1.0, -53) * (largest + 2 * std::numbers::pi) * 1.001;
    const double derived = 4.7e-9 + turns + 1e-15;
    EXPECT_LT(worst, derived) << "arguments up to " << largest;
    EXPECT_LT(derived, kApproxSinError - 1e-13);
  }
}

}  // namespace
