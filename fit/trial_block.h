#pragma once

#include <cstdint>

#include "data/observation_set.h"
#include "fit/kernels/sine_kernel.h"

// The search evaluates its random trials in blocks drawn ahead of the scan that keeps them, and
// a block in tiles of trials that share one call of the fit's sine. Each trial's sums run over
// the observations in the plain order i = 0..LastIndex, the trials sitting side by side in the
// vector lanes, so a trial's amplitude and residual are bit for bit FitAmplitude's.

// Trials per tile: a whole number of vectors of every path, and small enough that a tile's
// (LastIndex + 1) x 32 sines (25 KiB at 100 observations) stay in the level-1 cache.
inline constexpr int kTileTrials = 32;
// Trials per block: enough work per hand-off to the second thread (about 0.1 ms per thread at
// 100 observations) while the block's arrays stay small. Even, so trial j of a block draws its
// frequency from FreqScale[j % 2].
inline constexpr int kBlockTrials = 2048;
static_assert(kBlockTrials % kTileTrials == 0 && kBlockTrials % 2 == 0);

// One block of trials: the draws, what FitAmplitude would make of each, and the generator's seed
// after each trial's draws. Entries at Count and above are padding.
struct TrialBlock {
  int Count = 0;
  double B[kBlockTrials] = {};
  double C[kBlockTrials] = {};
  double A[kBlockTrials] = {};         // the closed-form amplitude, where there is one
  double Residual[kBlockTrials] = {};  // see EvaluateTile
  double Ss[kBlockTrials] = {};        // sum of the squared sines
  std::uint32_t SeedAfter[kBlockTrials] = {};
};

// What the tiles of one block read and write.
struct TileInputs {
  const double* X;
  const double* Y;       // the working target
  int Count;             // observations, LastIndex + 1
  double TargetSquares;  // sum of Y[i]^2
  double ExactBelow;     // from ExactResidualBound
  TrialBlock* Block;
};

// The bound below which a block's residuals must be exact, for a best residual of best: a
// trial's residual is only ever compared with the best residual, which never rises during a
// search, so a residual certainly above best need not be computed. The certainty comes from
// the closed form: with the amplitude a = Sy/Ss, the residual is at least
// sum(y^2) - a*Sy up to rounding, which for 100 observations stays far below 1e-12 * sum(y^2);
// a margin of 1e-9 * sum(y^2) covers it a thousandfold. Targets so small or so large that
// squares could underflow or overflow get +inf: every residual exact.
double ExactResidualBound(double best, double targetSquares);

// Doubles of scratch a tile needs.
inline constexpr int kTileScratch = kTileTrials * kObservationCapacity;

// Evaluates trials tile * kTileTrials .. + kTileTrials - 1 of the block: A and Ss as
// FitAmplitude computes them, and Residual: +inf where the sines vanish (Ss <= 0.001), NaN where
// the amplitude would leave the doubles (FitAmplitude would fault there), FitAmplitude's
// residual bit for bit where it is not certainly above ExactBelow, and +inf where it is. Uses
// scratch (kTileScratch doubles) and nothing else; safe to run for different tiles on different
// threads.
void EvaluateTile(const TileInputs& in, int tile, double* scratch);

// The vector width of the tile sums; the paths give the same bits. ForceTilePath returns false
// and changes nothing when the CPU cannot run the path. For tests and benchmarks.
bool ForceTilePath(SinKernel path);
const char* TilePathName();
