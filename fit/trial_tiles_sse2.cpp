// The tile screening in vectors of two lanes; every x86-64 CPU runs it, and on other processors it
// is the only path.
#include <cstdint>

#include "fit/trial_tiles.h"

namespace {

typedef double RealsSse2 __attribute__((vector_size(16)));
typedef std::int64_t IntsSse2 __attribute__((vector_size(16)));

}  // namespace

std::uint32_t ScreenTileSse2(const TrialBlock& block, int tile) {
  return ScreenTileLanes<RealsSse2, IntsSse2>(block, tile);
}
