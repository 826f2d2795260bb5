// The tile sums in vectors of two lanes; every x86-64 CPU runs it, and on other processors it
// is the only path.
#include <cstdint>

#include "fit/trial_tiles.h"

namespace {

typedef double RealsSse2 __attribute__((vector_size(16)));
typedef std::int64_t IntsSse2 __attribute__((vector_size(16)));

}  // namespace

void EvaluateTileSse2(const TileInputs& in, int tile, double* scratch) {
  EvaluateTileLanes<RealsSse2, IntsSse2>(in, tile, scratch);
}
