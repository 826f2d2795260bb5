// The tile screening in vectors of eight lanes; this file alone is built with -mavx512f -mfma.
#include <immintrin.h>

#include <cstdint>

#include "fit/trial_tiles.h"
#include "sine/lanes_avx512.h"

namespace {

struct TileAvx512 : Avx512 {
  static unsigned Bits(Ints m) { return _mm512_test_epi64_mask((__m512i)m, (__m512i)m); }
  // Compressed in a register and stored whole: a compressing store to memory is slow on some
  // processors.
  static void Pack(double* to, Reals v, unsigned keep) {
    _mm512_storeu_pd(to, _mm512_maskz_compress_pd(static_cast<__mmask8>(keep), (__m512d)v));
  }
};

}  // namespace

std::uint32_t ScreenTileAvx512(const TrialBlock& block, int tile, bool inlineSine) {
  return ScreenTileWith<TileAvx512>(block, tile, inlineSine);
}
