// The tile screening in vectors of four lanes; this file alone is built with -mavx2 -mfma.
#include <immintrin.h>

#include <cstdint>

#include "fit/trial_tiles.h"
#include "sine/lanes_avx2.h"

namespace {

struct TileAvx2 : Avx2 {
  static unsigned Bits(Ints m) { return static_cast<unsigned>(_mm256_movemask_pd((__m256d)m)); }
  static void Pack(double* to, Reals v, unsigned keep) { PackLanes(to, v, keep); }
};

}  // namespace

std::uint32_t ScreenTileAvx2(const TrialBlock& block, int tile, bool inlineSine) {
  return ScreenTileWith<TileAvx2>(block, tile, inlineSine);
}
