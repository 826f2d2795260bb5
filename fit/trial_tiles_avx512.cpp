// The tile sums in vectors of eight lanes; this file alone is built with -mavx512f.
#include <cstdint>

#include "fit/trial_tiles.h"

namespace {

typedef double RealsAvx512 __attribute__((vector_size(64)));
typedef std::int64_t IntsAvx512 __attribute__((vector_size(64)));

}  // namespace

void EvaluateTileAvx512(const TileInputs& in, int tile, double* scratch) {
  EvaluateTileLanes<RealsAvx512, IntsAvx512>(in, tile, scratch);
}
