// The tile sums in vectors of four lanes; this file alone is built with -mavx2.
#include <cstdint>

#include "fit/trial_tiles.h"

namespace {

typedef double RealsAvx2 __attribute__((vector_size(32)));
typedef std::int64_t IntsAvx2 __attribute__((vector_size(32)));

}  // namespace

void EvaluateTileAvx2(const TileInputs& in, int tile, double* scratch) {
  EvaluateTileLanes<RealsAvx2, IntsAvx2>(in, tile, scratch);
}
