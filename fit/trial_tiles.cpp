#include <atomic>
#include <limits>

#include "fit/trial_block.h"
#include "fit/trial_tile_paths.h"

namespace {

struct TilePath {
  const char* Name;
  void (*Run)(const TileInputs& in, int tile, double* scratch);
};

// Indexed by SinKernel: the tile sums use the same instruction sets as the sine.
constexpr TilePath kPaths[] = {
#if defined(__x86_64__)
    {"SSE2, 2 lanes", EvaluateTileSse2},
    {"AVX2, 4 lanes", EvaluateTileAvx2},
    {"AVX-512, 8 lanes", EvaluateTileAvx512},
#else
    // Only the 2-lane path is built here; the others are refused by SinKernelSupported.
    {"generic, 2 lanes", EvaluateTileSse2},
    {"AVX2, not built", nullptr},
    {"AVX-512, not built", nullptr},
#endif
};

const TilePath& PathOf(SinKernel kernel) { return kPaths[static_cast<int>(kernel)]; }

// Null until first use picks the best path. Relaxed is enough: every path gives the same bits
// and the table is constant.
std::atomic<const TilePath*> activePath{nullptr};

const TilePath& ActivePath() {
  const TilePath* path = activePath.load(std::memory_order_relaxed);
  if (path == nullptr) {
    path = &PathOf(BestSinKernel());
    activePath.store(path, std::memory_order_relaxed);
  }
  return *path;
}

}  // namespace

void EvaluateTile(const TileInputs& in, int tile, double* scratch) {
  ActivePath().Run(in, tile, scratch);
}

bool ForceTilePath(SinKernel path) {
  if (!SinKernelSupported(path)) return false;
  activePath.store(&PathOf(path), std::memory_order_relaxed);
  return true;
}

const char* TilePathName() { return ActivePath().Name; }

double ExactResidualBound(double best, double targetSquares) {
  // Inside these limits no square or product of the closed form leaves the normal doubles.
  constexpr double kSmallestTarget = 1e-200, kLargestTarget = 1e200;
  constexpr double kMargin = 1e-9;
  if (!(targetSquares >= kSmallestTarget && targetSquares <= kLargestTarget)) {
    return std::numeric_limits<double>::infinity();
  }
  return best + kMargin * targetSquares;
}
