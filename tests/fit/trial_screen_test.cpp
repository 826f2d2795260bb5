// The screening that lets the fast search skip trials: the generator's jump-ahead against its
// own steps, soundness of the bound against the plain residuals, and trials that tie the best
// residual exactly, at every data scale, where a bound even slightly too eager would lose them.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fit/engine_choice.h"
#include "fit/search_harmonic_fast.h"
#include "fit/search_harmonic_plain.h"
#include "fit/trial_block.h"
#include "fit/trial_draws.h"
#include "fit/trial_fit.h"
#include "fit_test_support.h"

namespace {

constexpr SinKernel kAllPaths[] = {SinKernel::Sse2, SinKernel::Avx2, SinKernel::Avx512};

TEST(JumpSeed, LandsWhereStepByStepDrawsLand) {
  for (std::uint32_t seed : {0u, 1u, 977u, 0x80000000u, 0xffffffffu}) {
    RandomGenerator stepped{seed};
    for (std::uint64_t steps = 0; steps <= 5000; ++steps) {
      ASSERT_EQ(JumpSeed(seed, steps), stepped.Seed) << "seed " << seed << ", steps " << steps;
      NextRandom(stepped);
    }
  }
}

// Jumps compose: a search's trial j of the deepest setting, reached in pieces or at once, and
// the generator's period 2^32 brings it back.
TEST(JumpSeed, ComposesOverLongJumpsAndHasPeriodTwoToThe32) {
  constexpr std::uint64_t kDeepDraws = 2ull * 2 * 998888;
  for (std::uint32_t seed : {5u, 123456789u}) {
    RandomGenerator stepped{seed};
    for (std::uint64_t i = 0; i < kDeepDraws; ++i) NextRandom(stepped);
    EXPECT_EQ(JumpSeed(seed, kDeepDraws), stepped.Seed);
    EXPECT_EQ(JumpSeed(JumpSeed(seed, 1234567), kDeepDraws - 1234567), stepped.Seed);
    EXPECT_EQ(JumpSeed(seed, 1ull << 32), seed);
    EXPECT_EQ(JumpSeed(seed, (1ull << 32) + 3), JumpSeed(seed, 3));
  }
}

// A tile's first seed from the search's tables, near and far, and past them.
TEST(JumpSeed, TileSeedsFromTheTablesAreTheJumps) {
  for (std::uint32_t seed : {0u, 977u, 0xffffffffu}) {
    TrialSearch search;
    const ObservationSet obs = RandomSample(3u, 10);
    const double freqScale[2] = {1.0, 2.0};
    PrepareTrialSearch(search, obs, freqScale, seed, 4, {});
    for (std::int64_t tile : {0, 1, 255, 256, 257, 40000, 65535, 65536, 100000}) {
      const std::int64_t first = tile * kTileTrials;
      EXPECT_EQ(TileSeed(search, first), JumpSeed(seed, 2 * static_cast<std::uint64_t>(first)))
          << "seed " << seed << ", tile " << tile;
    }
  }
}

struct ScreenCase {
  ObservationSet Obs;
  TrialSearch Search;
  std::vector<double> Residuals;  // the plain residual of every trial of the first block
};

ScreenCase MakeScreenCase(unsigned seed, int count, double scale, int trials, double xScale = 1.0) {
  ScreenCase screen;
  screen.Obs = RandomSample(seed, count);
  ScaleY(screen.Obs, scale);
  for (int i = 0; i < count; ++i) screen.Obs.X[i] *= xScale;
  const double freqScale[2] = {0.7, 9.0};
  PrepareTrialSearch(screen.Search, screen.Obs, freqScale, seed * 2654435761u, trials, {});
  RandomGenerator drawer{screen.Search.StartSeed};
  for (int j = 0; j < trials; ++j) {
    TrialHarmonic trial;
    DrawTrial(drawer, freqScale[j % 2], trial.B, trial.C);
    screen.Residuals.push_back(FitAmplitude(screen.Obs, trial, SinArray));
  }
  return screen;
}

// Screens trials 0..trials-1 against `best` on the engine's tile path and returns their flags.
std::vector<bool> Flags(const ScreenCase& screen, double best, const EngineChoice& engine = {}) {
  static TrialSearch search;  // large: kept off the stack
  static TrialBlock block;
  const TrialSearch& made = screen.Search;
  const double freqScale[2] = {made.FreqScale[0], made.FreqScale[1]};
  PrepareTrialSearch(search, screen.Obs, freqScale, made.StartSeed, made.TrialTotal, engine);
  block.Search = &search;
  block.First = 0;
  block.Trials = static_cast<int>(screen.Residuals.size());
  block.Bound = EarlyExitBound(best, screen.Search.TargetSquares, screen.Search.Count);
  std::vector<bool> flags;
  for (int tile = 0; tile * kTileTrials < block.Trials; ++tile) {
    const std::uint32_t mask = ScreenTile(block, tile);
    for (int t = 0; t < kTileTrials && tile * kTileTrials + t < block.Trials; ++t) {
      flags.push_back(((mask >> t) & 1u) != 0);
    }
  }
  return flags;
}

// Every trial left unflagged is above the best residual, on every path, and the paths with the
// same arithmetic (AVX2 and AVX-512 fuse alike) flag the same trials; at a best near the lowest
// residuals most trials are proven worse. X scaled by 1e8 puts the arguments beyond the cheaper
// sine's range and some beyond the kernel's reduced range, where the tiles must take its full path.
TEST(ScreenTile, LeavesOutOnlyTrialsAboveTheBestAndPathsAlikeAgree) {
  for (int count : {2, 7, 10, 37, 100}) {
    for (double scale : {1e-6, 1.0, 1e6}) {
      const double xScale = count == 37 && scale == 1.0 ? 1e8 : 1.0;
      SCOPED_TRACE(testing::Message()
                   << count << " observations, y scaled by " << scale << ", x by " << xScale);
      const ScreenCase screen =
          MakeScreenCase(static_cast<unsigned>(count), count, scale, 1000, xScale);
      std::vector<double> sorted = screen.Residuals;
      std::sort(sorted.begin(), sorted.end());
      const double best = sorted[20];  // about one trial in fifty at or below it
      std::vector<bool> reference;
      for (SinKernel path : kAllPaths) {
        EngineChoice engine;
        engine.TilePath = path;
        if (Runnable(engine) != engine) continue;
        const std::vector<bool> flags = Flags(screen, best, engine);
        const char* const name = SinKernelName(path);
        int skipped = 0;
        for (std::size_t j = 0; j < flags.size(); ++j) {
          if (flags[j]) continue;
          ++skipped;
          ASSERT_GT(screen.Residuals[j], best) << "trial " << j << " on " << name;
        }
        if (count >= 7) {
          EXPECT_GT(skipped, 500) << name;
        }
        if (path == SinKernel::Sse2) continue;
        if (reference.empty()) reference = flags;
        EXPECT_EQ(flags, reference) << name;
      }
    }
  }
}

// A trial whose residual equals the best exactly must be flagged, as the plain search keeps it;
// with the cheaper sine and, x scaled by 1e6, with the kernel's.
TEST(ScreenTile, FlagsEveryTrialThatTiesTheBestAtEveryScale) {
  int ties = 0;
  for (int scaleExponent = -6; scaleExponent <= 6; ++scaleExponent) {
    const double scale = std::pow(10.0, scaleExponent);
    for (int count : {10, 100}) {
      const double xScale = scaleExponent % 2 == 0 ? 1.0 : 1e6;
      SCOPED_TRACE(testing::Message()
                   << count << " observations, y scaled by " << scale << ", x by " << xScale);
      const ScreenCase screen = MakeScreenCase(7u + scaleExponent + 13u, count, scale, 600, xScale);
      for (std::size_t j = 0; j < screen.Residuals.size(); j += 37) {
        const std::vector<bool> flags = Flags(screen, screen.Residuals[j]);
        ASSERT_TRUE(flags[j]) << "trial " << j << " ties the best and was left out";
        ++ties;
      }
    }
  }
  EXPECT_GT(ties, 400);
}

class TiedSearchTest : public FixedSeedTest {};

// One harmonic's search started with the best residual equal to that of its lowest trial: the
// plain search keeps that trial (ties are kept), and the fast search must too, with the same
// redraws, at data scales from 1e-6 to 1e6.
TEST_F(TiedSearchTest, ATrialTyingTheBestIsKeptAsByThePlainSearchAtEveryScale) {
  for (int scaleExponent = -6; scaleExponent <= 6; ++scaleExponent) {
    for (int count : {10, 100}) {
      const double scale = std::pow(10.0, scaleExponent);
      SCOPED_TRACE(testing::Message() << count << " observations, y scaled by " << scale);
      AppState start = MakeState(RandomSample(31u + scaleExponent, count), 1, 1700);
      ScaleY(start.Observations, scale);
      start.FitStage = 2;
      start.TrialCount = start.Controls.ComboBox1;
      start.FreqScale[0] = 0.6;
      start.FreqScale[1] = 11.0;
      start.Random.Seed = 4242u + count;
      // The lowest residual among the search's trials, in the plain search's own arithmetic.
      RandomGenerator drawer = start.Random;
      double lowest = INFINITY;
      for (int j = 0; j < 2 * start.TrialCount; ++j) {
        TrialHarmonic trial;
        DrawTrial(drawer, start.FreqScale[j % 2], trial.B, trial.C);
        lowest = std::min(lowest, FitAmplitude(start.Observations, trial, SinArray));
      }
      start.BestResidual = lowest;

      AppState plain = start, fast = start;
      int plainRedraws = 0, fastRedraws = 0;
      plain.Hooks.Redraw = [&] { ++plainRedraws; };
      fast.Hooks.Redraw = [&] { ++fastRedraws; };
      SearchHarmonicPlain(plain, 0, SinArray);
      SearchHarmonicFast(fast, 0, {});
      ASSERT_EQ(plainRedraws, 1) << "only the tied trial is kept";
      EXPECT_EQ(fastRedraws, 1);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(fast.BestResidual),
                std::bit_cast<std::uint64_t>(plain.BestResidual));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(fast.Coefficients.B[0]),
                std::bit_cast<std::uint64_t>(plain.Coefficients.B[0]));
      EXPECT_EQ(fast.Random.Seed, plain.Random.Seed);
    }
  }
}

}  // namespace
