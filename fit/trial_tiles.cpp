#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <vector>

#include "fit/fit_sines.h"
#include "fit/trial_block.h"
#include "fit/trial_draws.h"
#include "fit/trial_fit.h"
#include "fit/trial_tile_paths.h"
#include "sine/approx_sine.h"
#include "sine/path_table.h"

namespace {

struct TilePath {
  SinKernel Kernel;
  std::uint32_t (*Run)(const TrialBlock& block, int tile, bool inlineSine);
};

// The screening uses the same instruction sets as the sine.
constexpr TilePath kPaths[] = {
#if defined(__x86_64__)
    {SinKernel::Sse2, ScreenTileSse2},
    {SinKernel::Avx2, ScreenTileAvx2},
    {SinKernel::Avx512, ScreenTileAvx512},
#else
    // Only the 2-lane path is built here; the others are refused by SinKernelSupported.
    {SinKernel::Sse2, ScreenTileSse2},
    {SinKernel::Avx2, nullptr},
    {SinKernel::Avx512, nullptr},
#endif
};
static_assert(IndexedBySinKernel(kPaths), "kPaths is indexed by SinKernel");

}  // namespace

std::uint32_t ScreenTile(const TrialBlock& block, int tile) {
  const TrialSearch& search = *block.Search;
  return kPaths[static_cast<int>(search.TilePath)].Run(block, tile, search.InlineSine);
}

int BlockTrialsFor(int count) {
  constexpr int kGrainTrials = kTileTrials * kGrainTiles;
  const int grains = std::max(1, kBlockSines / std::max(1, count) / kGrainTrials);
  return std::min(kMaxBlockTrials, grains * kGrainTrials);
}

void PrepareTrialSearch(TrialSearch& search,
                        const ObservationSet& obs,
                        const double* freqScale,
                        std::uint32_t startSeed,
                        std::int64_t trialTotal,
                        const EngineChoice& engine) {
  const int count = obs.LastIndex + 1;
  search.XByMagnitude.Reserve(count);
  search.YByMagnitude.Reserve(count);
  search.SquaresByMagnitude.Reserve(count);
  // The window's hundred: insertion sort, stable, and unlike std::stable_sort it allocates
  // nothing. More: the same order in n log n.
  int fewOrder[kObservationCapacity];
  std::vector<int> manyOrder;
  int* order = fewOrder;
  if (count <= kObservationCapacity) {
    for (int i = 0; i < count; ++i) {
      int j = i;
      for (; j > 0 && std::fabs(obs.WorkY[order[j - 1]]) < std::fabs(obs.WorkY[i]); --j) {
        order[j] = order[j - 1];
      }
      order[j] = i;
    }
  } else {
    manyOrder.resize(static_cast<std::size_t>(count));
    std::iota(manyOrder.begin(), manyOrder.end(), 0);
    // Equal magnitudes keep their order (as the insertion sort's); std::sort with the index as
    // tie-break, as std::stable_sort's buffer trips GCC 12's AddressSanitizer.
    std::sort(manyOrder.begin(), manyOrder.end(), [&obs](int a, int b) {
      const double ma = std::fabs(obs.WorkY[a]), mb = std::fabs(obs.WorkY[b]);
      return ma > mb || (!(mb > ma) && a < b);
    });
    order = manyOrder.data();
  }
  double squares = 0, squaresByMagnitude = 0;
  for (int i = 0; i < count; ++i) {
    search.XByMagnitude[i] = obs.X[order[i]];
    search.YByMagnitude[i] = obs.WorkY[order[i]];
    squaresByMagnitude = squaresByMagnitude + search.YByMagnitude[i] * search.YByMagnitude[i];
    search.SquaresByMagnitude[i] = squaresByMagnitude;
    squares += obs.WorkY[i] * obs.WorkY[i];
  }
  search.Count = count;
  // Each test costs a division per trial and saves the rest of the sines of the trials it
  // proves worse, which it rarely can before a dozen observations or half of them. Measured
  // against 4 rows up to 32 observations and 8 above (docs/engine_speed.md).
  search.Rows = std::max(1, std::min(kMaxScreenRows, (count + 1) / 2));
  search.FreqScale[0] = freqScale[0];
  search.FreqScale[1] = freqScale[1];
  search.StartSeed = startSeed;
  search.TrialTotal = trialTotal;
  search.TargetSquares = squares;
  for (int t = 0; t < kTileTrials; ++t) {
    // JumpSeed is affine in the seed: its value at 0 and the step from 0 to 1 give the map.
    const std::uint64_t steps = 2 * static_cast<std::uint64_t>(t) + 1;
    search.DrawAdd[t] = JumpSeed(0, steps);
    search.DrawMul[t] = JumpSeed(1, steps) - search.DrawAdd[t];
  }
  // Powers of the map of one tile's draws, and of kJumpTiles tiles', composed up.
  constexpr std::uint64_t kTileDraws = 2 * kTileTrials;
  const std::uint32_t tileAdd = JumpSeed(0, kTileDraws),
                      tileMul = JumpSeed(1, kTileDraws) - tileAdd;
  const std::uint32_t farAdd = JumpSeed(0, kTileDraws * kJumpTiles);
  const std::uint32_t farMul = JumpSeed(1, kTileDraws * kJumpTiles) - farAdd;
  search.NearMul[0] = search.FarMul[0] = 1;
  search.NearAdd[0] = search.FarAdd[0] = 0;
  for (int t = 1; t < kJumpTiles; ++t) {
    search.NearMul[t] = search.NearMul[t - 1] * tileMul;
    search.NearAdd[t] = search.NearAdd[t - 1] * tileMul + tileAdd;
    search.FarMul[t] = search.FarMul[t - 1] * farMul;
    search.FarAdd[t] = search.FarAdd[t - 1] * farMul + farAdd;
  }
  double largestX = 0;
  for (int i = 0; i < count; ++i) {
    // A NaN counts as out of range, so that its lanes take the kernel's own path.
    const double x = std::isnan(obs.X[i]) ? std::numeric_limits<double>::infinity() : obs.X[i];
    largestX = std::fmax(largestX, std::fabs(x));
  }
  const double largestFreq = std::fmax(std::fabs(freqScale[0]), std::fabs(freqScale[1]));
  search.LargestArgument = largestFreq * largestX + 2 * std::numbers::pi;
  search.ApproxInRange = search.LargestArgument <= kApproxSinMaxArgument;
  // The sines' vectors over m rows, exact and cheaper, are at most kApproxSinError * sqrt(m) apart
  // and the cheaper one at least sqrt(kFlatSineFloor) long where a trial is screened out; 1.01
  // covers the rounding of the sums (docs/early_exit_bound.md).
  search.ApproxSlack = 1.01 * kApproxSinError / std::sqrt(kFlatSineFloor) * squares;
  const EngineChoice runs = Runnable(engine);
  search.Sines = FitSinesOf(runs);
  search.TilePath = runs.TilePath;
  // The fused multiply-adds of the AVX2 and AVX-512 sines give the same bits; SSE2's do not.
  search.InlineSine = runs.Sines == FitSineSource::Kernel &&
                      (runs.SinePath == SinKernel::Sse2) == (runs.TilePath == SinKernel::Sse2);
}

double EarlyExitBound(double best, double targetSquares, int count) {
  // Inside these limits no square, product or quotient of the screening leaves the normal
  // doubles, and underflow below them cannot matter (docs/early_exit_bound.md).
  constexpr double kSmallestTarget = 1e-200, kLargestTarget = 1e200;
  // Far above every rounding term (below 2e-13 * targetSquares at 100 observations, 1.3e-10 at
  // kMarginRows), and in proportion above those.
  const double margin = 1e-9 * std::max(1.0, static_cast<double>(count) / kMarginRows);
  // A best this far above targetSquares could swallow the margin when the two are added. The
  // search starts from best = targetSquares, so it never comes near.
  constexpr double kLargestBestShare = 1e3;
  if (!(targetSquares >= kSmallestTarget && targetSquares <= kLargestTarget)) {
    return std::numeric_limits<double>::infinity();
  }
  if (!(best <= kLargestBestShare * targetSquares)) {
    return std::numeric_limits<double>::infinity();
  }
  return best + margin * targetSquares;
}
