// The tile screening in vectors of eight lanes; this file alone is built with -mavx512f.
#include <cstdint>

#include "fit/trial_tiles.h"

namespace {

typedef double RealsAvx512 __attribute__((vector_size(64)));
typedef std::int64_t IntsAvx512 __attribute__((vector_size(64)));

}  // namespace

std::uint32_t ScreenTileAvx512(const TrialBlock& block, int tile) {
  return ScreenTileLanes<RealsAvx512, IntsAvx512>(block, tile);
}
