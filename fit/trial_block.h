#pragma once

#include <cstdint>

#include "data/observation_set.h"
#include "fit/engine_choice.h"
#include "fit/trial_draws.h"
#include "sine/sine_kernel.h"

// The fast search screens its random trials in blocks, ahead of the scan that keeps them, and a
// block in tiles of trials that draw themselves (by jumping the generator to their place) and
// share calls of the fit's sine. A tile proves most of its trials worse than the best residual
// long before all their sines are known, and flags the rest; the scan then gives only the
// flagged trials the plain search's own step. docs/early_exit_bound.md derives the bound.

// Trials per tile: a whole number of vectors of every path, one bit each in the tile's mask.
inline constexpr int kTileTrials = 32;
// Tiles a thread claims at a time: fewer claims on the shared counter, and one grain's masks
// fill a cache line of their own, so the two threads never write into the same line.
inline constexpr int kGrainTiles = 16;
// Sines per block, if every trial were evaluated in full: enough work per hand-off to the
// second thread (a few tenths of a millisecond) at every observation count, so that small data
// sets share their blocks too.
inline constexpr int kBlockSines = 4 * 2048 * 100;
// Trials per block at most (one observation); a multiple of a grain, so even.
inline constexpr int kMaxBlockTrials = 65536;
inline constexpr int kMaxBlockTiles = kMaxBlockTrials / kTileTrials;
static_assert(kMaxBlockTrials % (kTileTrials * kGrainTiles) == 0);

// The bound is tested after each half of the observations, or every kMaxScreenRows of them if
// fewer.
inline constexpr int kMaxScreenRows = 12;

// Tiles within a jump of the tables of TrialSearch: kJumpTiles^2 tiles, two million trials.
inline constexpr int kJumpTiles = 256;

// What every tile of one harmonic's search reads; fixed while the search runs.
struct TrialSearch {
  // The observations in decreasing |y| (ties in index order), where the bound grows fastest.
  RowArray XByMagnitude{};
  RowArray YByMagnitude{};
  RowArray SquaresByMagnitude{};  // the sums of y^2 over rows 0..m, added in that order
  int Count = 0;                  // observations, LastIndex + 1; any number
  int Rows = 8;                   // observations screened between two tests of the bound
  double FreqScale[2] = {0, 0};
  std::uint32_t StartSeed = 0;  // the generator before the search's first draw
  std::int64_t TrialTotal = 0;  // 2 * TrialCount
  double TargetSquares = 0;     // sum of y^2, in index order
  // The generator after trial t's first draw, for t < kTileTrials, as DrawMul[t] * seed +
  // DrawAdd[t] (mod 2^32) of the seed before trial 0's: the tiles draw their trials from it.
  std::uint32_t DrawMul[kTileTrials] = {};
  std::uint32_t DrawAdd[kTileTrials] = {};
  // The generator's map over t tiles' draws (NearMul[t] * seed + NearAdd[t]) and over
  // t * kJumpTiles tiles' (Far), t < kJumpTiles: a tile's first seed in two multiply-adds
  // instead of a jump (TileSeed).
  std::uint32_t NearMul[kJumpTiles] = {}, NearAdd[kJumpTiles] = {};
  std::uint32_t FarMul[kJumpTiles] = {}, FarAdd[kJumpTiles] = {};
  // A bound of every |b*x + c| of the search: max |FreqScale| * max |x| + 2pi, before rounding.
  double LargestArgument = 0;
  // Whether the tiles may screen with the cheaper sine (sine/approx_sine.h): every argument
  // within its range. Then the bound over m rows is raised by ApproxSlack * sqrt(m), which
  // covers what its error can add to the residual there.
  bool ApproxInRange = false;
  double ApproxSlack = 0;
  SineFunction Sines = nullptr;          // the fit's sine
  SinKernel TilePath = SinKernel::Sse2;  // the screening's instruction set, one this CPU runs
  // Whether the tile's own sine lanes give the fit's sine bit for bit; otherwise the tile calls
  // Sines.
  bool InlineSine = false;
};

// The generator before the draws of trial `first`, the first of a tile: JumpSeed(StartSeed,
// 2 * first), from the search's tables where they reach.
inline std::uint32_t TileSeed(const TrialSearch& search, std::int64_t first) {
  const std::int64_t tile = first / kTileTrials;
  if (first % kTileTrials != 0 || tile >= kJumpTiles * kJumpTiles) {
    return JumpSeed(search.StartSeed, 2 * static_cast<std::uint64_t>(first));
  }
  const auto far = static_cast<int>(tile / kJumpTiles), near = static_cast<int>(tile % kJumpTiles);
  const std::uint32_t seed = search.FarMul[far] * search.StartSeed + search.FarAdd[far];
  return search.NearMul[near] * seed + search.NearAdd[near];
}

// One block of trials first .. first + Trials - 1 and, after its tiles ran, which of them the
// scan must look at: bit t of Masks[tile] for trial first + tile * kTileTrials + t.
struct TrialBlock {
  const TrialSearch* Search = nullptr;
  std::int64_t First = 0;
  int Trials = 0;
  double Bound = 0;  // from EarlyExitBound
  alignas(64) std::uint32_t Masks[kMaxBlockTiles] = {};
};

// Trials per block for `count` observations: about kBlockSines sines' worth, whole grains.
int BlockTrialsFor(int count);

// Fills the search record for harmonic k's search from the observations' X and working target,
// the two frequency scales, the generator's seed before the first draw, the trial count and the
// fit's engine choice (the paths of it this CPU runs).
void PrepareTrialSearch(TrialSearch& search,
                        const ObservationSet& obs,
                        const double* freqScale,
                        std::uint32_t startSeed,
                        std::int64_t trialTotal,
                        const EngineChoice& engine);

// The screening threshold for a best residual of best over `count` observations: a trial whose
// least-squares residual over some of them exceeds it, as the tiles compute that residual, is
// certainly above best with all of them. best plus 1e-9 * sum(y^2) up to kMarginRows
// observations; the rounding it must cover grows with the count, below 1.3e-15 * count *
// sum(y^2), so above them the margin grows in proportion. +inf (screen nothing) for targets
// whose squares could leave the normal doubles, and for a best so far above sum(y^2) that
// adding the margin could round it away.
double EarlyExitBound(double best, double targetSquares, int count);
inline constexpr int kMarginRows = 100000;

// Screens the trials of tile `tile` of the block, on the search's tile path (every path gives
// the same masks): returns the mask of those not proven to have a residual above block.Bound
// (trials past the search's end are never set). Allocates nothing and writes nothing but its
// result; safe to run for different tiles on different threads.
std::uint32_t ScreenTile(const TrialBlock& block, int tile);
