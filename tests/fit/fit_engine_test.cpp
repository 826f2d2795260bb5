// The block search against the one-trial-at-a-time search it replaces: same sine, same bits, at
// every redraw and at the end.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "base/run_time_fault.h"
#include "fit/engine_choice.h"
#include "fit/fit_harmonics.h"
#include "fit/fit_sines.h"
#include "fit/search_harmonic_fast.h"
#include "fit/search_harmonic_plain.h"
#include "fit/trial_block.h"
#include "fit/trial_fit.h"
#include "fit_test_support.h"
#include "sine/sine_kernel.h"

namespace {

constexpr SinKernel kAllPaths[] = {SinKernel::Sse2, SinKernel::Avx2, SinKernel::Avx512};

// What a redraw can see of the fit, kept as raw bits so that -0 and 0 differ.
struct Snapshot {
  std::vector<std::uint64_t> Bits;
  std::uint32_t Seed = 0;
  bool operator==(const Snapshot&) const = default;
};

void AddBits(Snapshot& shot, const double* values, int count) {
  for (int i = 0; i < count; ++i) shot.Bits.push_back(std::bit_cast<std::uint64_t>(values[i]));
}

Snapshot TakeSnapshot(const AppState& state) {
  Snapshot shot;
  const CoefficientTable& t = state.Coefficients;
  for (const double* set : {t.A, t.B, t.C, t.A2, t.B2, t.C2}) AddBits(shot, set, kMaxHarmonics);
  const double scalars[] = {state.Trial.A,
                            state.Trial.B,
                            state.Trial.C,
                            state.TrialResidual,
                            state.BestResidual,
                            state.FreqScale[0],
                            state.FreqScale[1],
                            state.RelDeviation,
                            state.SavedDeviation,
                            state.PhaseStep,
                            state.FreqStep};
  AddBits(shot, scalars, std::size(scalars));
  AddBits(shot, state.Observations.WorkY, state.Observations.LastIndex + 1);
  shot.Seed = state.Random.Seed;
  shot.Bits.push_back(static_cast<std::uint64_t>(state.FitStage));
  return shot;
}

// A fit's redraws in order, then the end state (and the fault, if the fit raised one).
struct FitRecord {
  std::vector<Snapshot> Redraws;
  Snapshot End;
  bool Faulted = false;
  RunTimeFault::Kind Fault = RunTimeFault::Kind::InputOutput;
};

// Runs fit(state, engine) on a copy of `start`, engine being `base` with the given search, and
// records it.
template <typename Fit>
FitRecord Record(const AppState& start, SearchMethod method, Fit fit, EngineChoice base = {}) {
  base.Search = method;
  AppState state = start;
  FitRecord record;
  state.Hooks.Redraw = [&] { record.Redraws.push_back(TakeSnapshot(state)); };
  try {
    fit(state, base);
  } catch (const RunTimeFault& fault) {
    record.Faulted = true;
    record.Fault = fault.FaultKind;
  }
  record.End = TakeSnapshot(state);
  return record;
}

void ExpectSameRecord(const FitRecord& fast, const FitRecord& plain) {
  ASSERT_EQ(fast.Redraws.size(), plain.Redraws.size());
  for (std::size_t i = 0; i < fast.Redraws.size(); ++i) {
    ASSERT_TRUE(fast.Redraws[i] == plain.Redraws[i]) << "redraw " << i;
  }
  EXPECT_TRUE(fast.End == plain.End);
  EXPECT_EQ(fast.Faulted, plain.Faulted);
  EXPECT_EQ(fast.Fault, plain.Fault);
}

void FitBoth(AppState& state, const EngineChoice& engine) {
  FitBothModels(state, state.Controls.ComboBox1, engine);
}

void FitOne(AppState& state, const EngineChoice& engine) {
  FitHarmonics(state, state.Controls.ComboBox1, engine);
}

// One harmonic's search, by the engine's method.
void SearchOne(AppState& state, const EngineChoice& engine) {
  if (engine.Search == SearchMethod::Fast) {
    SearchHarmonicFast(state, 0, engine);
  } else {
    SearchHarmonicPlain(state, 0, FitSinesOf(engine));
  }
}

class FitEngineTest : public FixedSeedTest {
 protected:
  static void ExpectSameFit(const AppState& start) {
    const FitRecord fast = Record(start, SearchMethod::Fast, FitBoth);
    const FitRecord plain = Record(start, SearchMethod::Plain, FitBoth);
    ExpectSameRecord(fast, plain);
    EXPECT_GE(fast.Redraws.size(), 4u);  // both stages ran
  }
};

// Depths below, at and above one block; observation counts from the fewest to the most; every
// harmonic count. 1500 and 2500 end in a partial block; with 4 observations a full block is
// exactly large enough to be shared with the second thread.
TEST_F(FitEngineTest, BothModelsMatchThePlainSearchAcrossSeedsSizesAndDepths) {
  const int counts[] = {4, 10, 37, 100};
  const int depths[] = {300, 1024, 1500, 2500};
  unsigned seed = 1;
  for (int count : counts) {
    for (int harmonics = 1; harmonics <= kMaxHarmonics; ++harmonics) {
      for (int round = 0; round < 2; ++round, ++seed) {
        const int depth = depths[(seed + round) % 4];
        SCOPED_TRACE(testing::Message() << "n " << count << ", N " << harmonics << ", depth "
                                        << depth << ", seed " << seed);
        ExpectSameFit(MakeState(RandomSample(seed, count), harmonics, depth));
      }
    }
  }
}

// More observations than the window holds: the screening's margin grows with the count and
// the order by |y| comes from a stable sort; the search must still keep every trial the plain
// search would adopt.
TEST_F(FitEngineTest, ManyObservationsMatchThePlainSearch) {
  for (const int count : {1000, 4000}) {
    SCOPED_TRACE(count);
    ExpectSameFit(MakeState(RandomSample(static_cast<unsigned>(count), count), 2, 600));
  }
}

// All-zero data tie every trial with the best residual of 0: each one is refined, adopted and
// drawn, and the deviation then fails on 0 / 0.
TEST_F(FitEngineTest, AllTiedTrialsAreAdoptedInOrderUpToTheSameFault) {
  AppState start = MakeState(MakeSineSample(0, 1, 0, 12), 2, 1100);
  start.FitStage = 2;
  const FitRecord fast = Record(start, SearchMethod::Fast, FitOne);
  const FitRecord plain = Record(start, SearchMethod::Plain, FitOne);
  ExpectSameRecord(fast, plain);
  EXPECT_TRUE(fast.Faulted);
  EXPECT_EQ(fast.Redraws.size(), 1u + 2 * 2 * 1100 + 1);
}

// Stage 1 turns data that are never positive into a target of zeros: the whole search pass ties
// at 0; stage 2 then fits the data as they are.
TEST_F(FitEngineTest, AStageOfTiesFollowedByARealStageMatches) {
  ObservationSet obs = MakeSineSample(1, 0.8, 0.2, 20);
  for (int i = 0; i <= obs.LastIndex; ++i) obs.OrigY[i] = -1 - std::fabs(obs.OrigY[i]);
  ExpectSameFit(MakeState(obs, 3, 700));
}

// A minimum period of a million makes FreqScale[1] tiny, so every second trial is nearly
// sin(C) at every x and about one in a hundred of them has no amplitude.
TEST_F(FitEngineTest, TrialsWithoutAnAmplitudeAreSkippedAlike) {
  for (unsigned seed : {3u, 4u, 5u}) {
    SCOPED_TRACE(seed);
    AppState start = MakeState(RandomSample(seed, 4), 2, 2100);
    start.Observations.MinPeriod = 1e6;
    ExpectSameFit(start);
  }
}

// One harmonic's search alone, started from the same state: afterwards the trial, its residual
// and the generator must be where the plain search leaves them, including a block that ends in
// trials without an amplitude (the trial then keeps the last amplitude there was).
TEST_F(FitEngineTest, OneSearchLeavesTrialResidualAndGeneratorAsThePlainSearch) {
  int endedWithoutAmplitude = 0;
  for (unsigned seed = 0; seed < 200; ++seed) {
    SCOPED_TRACE(seed);
    // One observation and near-zero frequencies: a trial's one sine is about sin(C), and one
    // trial in fifty has no amplitude.
    AppState start = MakeState(RandomSample(seed, 2), 1, 1024 + seed % 5);
    start.Observations.LastIndex = 0;
    start.FitStage = 2;
    start.TrialCount = start.Controls.ComboBox1;
    start.FreqScale[0] = start.FreqScale[1] = 1e-9;
    start.Random.Seed = seed * 7919u;
    start.Trial = TrialHarmonic{-4.5, 0.25, 1};
    start.BestResidual = Residual(start.Observations, TrialHarmonic{}, SinArray) * 0.5;
    const FitRecord fast = Record(start, SearchMethod::Fast, SearchOne);
    const FitRecord plain = Record(start, SearchMethod::Plain, SearchOne);
    ExpectSameRecord(fast, plain);
    if (plain.End.Bits[kMaxHarmonics * 6 + 3] ==
        std::bit_cast<std::uint64_t>(kNoAmplitudeResidual)) {
      ++endedWithoutAmplitude;
    }
  }
  EXPECT_GT(endedWithoutAmplitude, 0) << "no run ended in a trial without an amplitude";
}

// A target near the top of the doubles overflows the closed-form amplitude of some trial: the
// block search must raise at that very trial, with the trial and the generator as the plain
// search has them there.
TEST_F(FitEngineTest, AnAmplitudeOverflowFaultsAtTheSameTrial) {
  for (unsigned seed : {11u, 12u}) {
    SCOPED_TRACE(seed);
    AppState start = MakeState(RandomSample(seed, 4), 1, 1500);
    for (int i = 0; i < 4; ++i) {
      start.Observations.X[i] = 0;
      start.Observations.WorkY[i] = 4e307;  // the sum of four still a double
    }
    start.TrialCount = start.Controls.ComboBox1;
    start.FreqScale[0] = start.FreqScale[1] = 1e-9;
    start.Random.Seed = seed;
    start.BestResidual = -1;  // no trial is kept: the fault finds A as the skipped trials left it
    const FitRecord fast = Record(start, SearchMethod::Fast, SearchOne);
    const FitRecord plain = Record(start, SearchMethod::Plain, SearchOne);
    ExpectSameRecord(fast, plain);
    EXPECT_TRUE(plain.Faulted);
    EXPECT_EQ(plain.Fault, RunTimeFault::Kind::Overflow);
  }
}

// The tile-sum paths give the same bits, so with every sine path, and every sum path under it,
// the block search gives the plain search's fit with that same sine. (The sine paths need not
// agree with each other: SSE2 has no FMA.)
TEST_F(FitEngineTest, EverySinePathAndSumPathGivesThePlainFitWithThatSine) {
  const AppState start = MakeState(RandomSample(42, 37), 3, 1200);
  int pairs = 0;
  for (SinKernel sine : kAllPaths) {
    EngineChoice sineOnly;
    sineOnly.SinePath = sine;
    if (Runnable(sineOnly) != sineOnly) continue;
    const FitRecord plain = Record(start, SearchMethod::Plain, FitBoth, sineOnly);
    for (SinKernel sums : kAllPaths) {
      EngineChoice both = sineOnly;
      both.TilePath = sums;
      if (Runnable(both) != both) continue;
      SCOPED_TRACE(testing::Message() << SinKernelName(sine) << " / " << SinKernelName(sums));
      ExpectSameRecord(Record(start, SearchMethod::Fast, FitBoth, both), plain);
      ++pairs;
    }
  }
  EXPECT_GE(pairs, 1);
}

// The engine's identity does not rest on the kernel: with the C library's sine as well, the
// block search is the plain search.
TEST_F(FitEngineTest, WithTheLibrarySineTheBlockSearchStillMatches) {
  EngineChoice library;
  library.Sines = FitSineSource::Library;
  const AppState start = MakeState(RandomSample(7, 30), 2, 1100);
  ExpectSameRecord(Record(start, SearchMethod::Fast, FitBoth, library),
                   Record(start, SearchMethod::Plain, FitBoth, library));
}

TEST(FitSines, TheChoiceGivesTheLibrarysSineOrTheShippedKernel) {
  double args[37], kernel[37], viaFit[37];
  for (int i = 0; i < 37; ++i) args[i] = 0.37 * i - 5;
  EngineChoice library;
  library.Sines = FitSineSource::Library;
  FitSinesOf(library)(args, viaFit, 37);
  for (int i = 0; i < 37; ++i) EXPECT_EQ(viaFit[i], std::sin(args[i])) << i;
  SinArray(args, kernel, 37);
  FitSinesOf(EngineChoice{})(args, viaFit, 37);
  for (int i = 0; i < 37; ++i) EXPECT_EQ(viaFit[i], kernel[i]) << i;
}

}  // namespace
