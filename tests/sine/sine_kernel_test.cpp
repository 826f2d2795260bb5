#include "sine/sine_kernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr SinKernel kAllKernels[] = {SinKernel::Sse2, SinKernel::Avx2, SinKernel::Avx512};

// The paths this CPU can run; SSE2 always among them.
std::vector<SinKernel> SupportedKernels() {
  std::vector<SinKernel> kernels;
  for (SinKernel kernel : kAllKernels) {
    if (SinKernelSupported(kernel)) kernels.push_back(kernel);
  }
  return kernels;
}

// Error of got against the exact value want, in units of the last place of the double nearest
// to want (subnormal spacing below the normal range).
double UlpError(double got, long double want) {
  const double nearest = static_cast<double>(want);
  int exponent = 0;
  std::frexp(nearest, &exponent);
  const double ulp =
      std::fabs(nearest) < DBL_MIN ? std::ldexp(1.0, -1074) : std::ldexp(1.0, exponent - 53);
  return static_cast<double>(std::fabs(static_cast<long double>(got) - want) / ulp);
}

// Largest error of a SinArray path over xs against long double sinl; NaN if any result is NaN.
double WorstUlpError(SineFunction sines, const std::vector<double>& xs) {
  std::vector<double> ys(xs.size());
  sines(xs.data(), ys.data(), static_cast<int>(xs.size()));
  double worst = 0.0;
  for (size_t i = 0; i < xs.size(); ++i) {
    const double error = UlpError(ys[i], sinl(static_cast<long double>(xs[i])));
    if (!(error <= worst)) worst = error;  // a NaN result must not hide behind std::max
  }
  return worst;
}

std::vector<double> UniformArguments(double bound, int count, std::uint64_t seed) {
  std::mt19937_64 generator(seed);
  std::uniform_real_distribution<double> argument(-bound, bound);
  std::vector<double> xs(count);
  for (double& x : xs) x = argument(generator);
  return xs;
}

// A mixed bag for the bitwise comparisons: every decade from 1e-8 to 1e15, the neighbours of
// multiples of pi/2, and the special values.
std::vector<double> MixedArguments() {
  std::vector<double> xs;
  for (int decade = -8; decade <= 15; ++decade) {
    const auto some = UniformArguments(std::pow(10.0, decade), 997, 100 + decade);
    xs.insert(xs.end(), some.begin(), some.end());
  }
  for (int k = -40; k <= 40; ++k) {
    const double x = k * (std::numbers::pi / 2);
    xs.insert(xs.end(), {std::nextafter(x, -INFINITY), x, std::nextafter(x, INFINITY)});
  }
  const double inf = std::numeric_limits<double>::infinity();
  xs.insert(xs.end(),
            {0.0,
             -0.0,
             DBL_MIN,
             -DBL_MIN,
             0x1p-1074,
             -0x1p-1060,
             1e9,
             -1e9,
             std::nextafter(1e9, inf),
             DBL_MAX,
             -DBL_MAX,
             inf,
             -inf,
             std::numeric_limits<double>::quiet_NaN()});
  return xs;
}

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Every path, each given by SinArrayOn.
class SinArrayTest : public ::testing::Test {};

TEST_F(SinArrayTest, StaysWithinTheUlpBoundInEveryDecadeOnEveryPath) {
  for (SinKernel kernel : SupportedKernels()) {
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    for (int decade = -8; decade <= 15; ++decade) {
      SCOPED_TRACE(decade);
      EXPECT_LT(WorstUlpError(sines, UniformArguments(std::pow(10.0, decade), 20000, 7 + decade)),
                kSinMaxUlpError);
    }
  }
}

TEST_F(SinArrayTest, StaysWithinTheUlpBoundNextToMultiplesOfHalfPiOnEveryPath) {
  // Near the zeros the result is tiny and only an accurate reduction keeps it right; the
  // neighbours are stepped one double at a time on both sides.
  std::vector<double> xs;
  for (double k : {1.0, 2.0, 3.0, 4.0, 7.0, 100.0, 355.0, 710.0, 1e4, 123456.0, 1e6, 6e8}) {
    double x = k * (std::numbers::pi / 2);
    for (int step = 0; step < 20; ++step) x = std::nextafter(x, 0.0);
    for (int step = 0; step < 41; ++step, x = std::nextafter(x, INFINITY)) {
      xs.push_back(x);
      xs.push_back(-x);
    }
  }
  for (SinKernel kernel : SupportedKernels()) {
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    EXPECT_LT(WorstUlpError(sines, xs), kSinMaxUlpError);
  }
}

TEST_F(SinArrayTest, KeepsZerosTinyValuesAndTheirSignsOnEveryPath) {
  const double xs[] = {0.0, -0.0, 0x1p-1074, -0x1p-1074, 0x1p-1030, DBL_MIN, -DBL_MIN, 1e-300};
  for (SinKernel kernel : SupportedKernels()) {
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    double ys[std::size(xs)];
    sines(xs, ys, std::size(xs));
    for (size_t i = 0; i < std::size(xs); ++i) {
      SCOPED_TRACE(xs[i]);
      EXPECT_TRUE(SameBits(ys[i], xs[i]));  // sin(x) rounds to x this close to 0
    }
  }
}

TEST_F(SinArrayTest, GivesNanForInfinityAndNanAndAccurateValuesForHugeArgumentsOnEveryPath) {
  const double inf = std::numeric_limits<double>::infinity();
  const double xs[] = {inf,
                       -inf,
                       std::numeric_limits<double>::quiet_NaN(),
                       DBL_MAX,
                       -DBL_MAX,
                       1e300,
                       0x1p1000,
                       -1e15};
  for (SinKernel kernel : SupportedKernels()) {
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    double ys[std::size(xs)];
    sines(xs, ys, std::size(xs));
    EXPECT_TRUE(std::isnan(ys[0]));
    EXPECT_TRUE(std::isnan(ys[1]));
    EXPECT_TRUE(std::isnan(ys[2]));
    for (size_t i = 3; i < std::size(xs); ++i) {
      SCOPED_TRACE(xs[i]);
      EXPECT_LE(std::fabs(ys[i]), 1.0);
      EXPECT_LT(UlpError(ys[i], sinl(static_cast<long double>(xs[i]))), kSinMaxUlpError);
    }
  }
}

TEST_F(SinArrayTest, IsAnOddFunctionBitForBitOnEveryPath) {
  const auto xs = MixedArguments();
  std::vector<double> negated(xs.size()), ys(xs.size()), negatedYs(xs.size());
  for (size_t i = 0; i < xs.size(); ++i) negated[i] = -xs[i];
  for (SinKernel kernel : SupportedKernels()) {
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    sines(xs.data(), ys.data(), static_cast<int>(xs.size()));
    sines(negated.data(), negatedYs.data(), static_cast<int>(xs.size()));
    for (size_t i = 0; i < xs.size(); ++i) {
      if (std::isnan(ys[i])) continue;
      ASSERT_TRUE(SameBits(negatedYs[i], -ys[i])) << xs[i];
    }
  }
}

TEST_F(SinArrayTest, ValueDoesNotDependOnCountOrPositionOnAnyPath) {
  // 37 values: full vectors of every width plus a tail, with huge and NaN lanes among them.
  auto xs = UniformArguments(1e4, 37, 3);
  xs[5] = 1e12;
  xs[17] = std::numeric_limits<double>::quiet_NaN();
  xs[36] = -3e9;
  for (SinKernel kernel : kAllKernels) {
    if (!SinKernelSupported(kernel)) continue;
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    for (int offset = 0; offset < 8; ++offset) {
      std::vector<double> shifted(offset, 0.5);
      shifted.insert(shifted.end(), xs.begin(), xs.end());
      std::vector<double> ys(shifted.size());
      sines(shifted.data(), ys.data(), static_cast<int>(shifted.size()));
      for (size_t i = 0; i < xs.size(); ++i) {
        double alone = 0.0;
        sines(&xs[i], &alone, 1);
        ASSERT_TRUE(SameBits(ys[offset + i], alone)) << "offset " << offset << " index " << i;
      }
    }
  }
}

TEST_F(SinArrayTest, WritesExactlyCountValuesAndWorksInPlace) {
  const auto xs = UniformArguments(100.0, 20, 11);
  constexpr double kSentinel = 42.0;
  for (SinKernel kernel : kAllKernels) {
    if (!SinKernelSupported(kernel)) continue;
    const SineFunction sines = SinArrayOn(kernel);
    SCOPED_TRACE(SinKernelName(kernel));
    for (int count = 0; count <= 17; ++count) {
      SCOPED_TRACE(count);
      std::vector<double> ys(20, kSentinel);
      sines(xs.data(), ys.data(), count);
      for (int i = count; i < 20; ++i) EXPECT_EQ(ys[i], kSentinel);
      std::vector<double> inPlace(xs.begin(), xs.begin() + count);
      sines(inPlace.data(), inPlace.data(), count);
      for (int i = 0; i < count; ++i) EXPECT_TRUE(SameBits(inPlace[i], ys[i]));
    }
  }
}

// The AVX2 and AVX-512 paths fuse the same multiply-adds in the same order, so they agree to
// the bit; SSE2, without FMA, is held to the error bound by the tests above instead.
TEST_F(SinArrayTest, TheFusedPathsGiveTheSameBits) {
  if (!SinKernelSupported(SinKernel::Avx2) || !SinKernelSupported(SinKernel::Avx512)) {
    GTEST_SKIP() << "needs both AVX2 and AVX-512";
  }
  const auto xs = MixedArguments();
  const int count = static_cast<int>(xs.size());
  std::vector<double> avx2(xs.size()), avx512(xs.size());
  SinArrayOn(SinKernel::Avx2)(xs.data(), avx2.data(), count);
  SinArrayOn(SinKernel::Avx512)(xs.data(), avx512.data(), count);
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(SameBits(avx512[i], avx2[i]) || (std::isnan(avx512[i]) && std::isnan(avx2[i])))
        << "x = " << xs[i];
  }
}

}  // namespace
