// The tile screening in vectors of two lanes; every x86-64 CPU runs it, and on other processors it
// is the only path.
#include <cstdint>

#include "fit/trial_tiles.h"
#include "sine/lanes_sse2.h"

namespace {

struct TileSse2 : Sse2 {
  static unsigned Bits(Ints m) { return static_cast<unsigned>((m[0] & 1) | ((m[1] & 1) << 1)); }
  static void Pack(double* to, Reals v, unsigned keep) { PackLanes(to, v, keep); }
};

}  // namespace

std::uint32_t ScreenTileSse2(const TrialBlock& block, int tile, bool inlineSine) {
  return ScreenTileWith<TileSse2>(block, tile, inlineSine);
}
