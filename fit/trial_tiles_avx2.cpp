// The tile screening in vectors of four lanes; this file alone is built with -mavx2.
#include <cstdint>

#include "fit/trial_tiles.h"

namespace {

typedef double RealsAvx2 __attribute__((vector_size(32)));
typedef std::int64_t IntsAvx2 __attribute__((vector_size(32)));

}  // namespace

std::uint32_t ScreenTileAvx2(const TrialBlock& block, int tile) {
  return ScreenTileLanes<RealsAvx2, IntsAvx2>(block, tile);
}
