// The 2-lane path, built for the x86-64 baseline (SSE2), which has no FMA. On other processors
// the same lanes are built over plain vector operations, with the same unfused arithmetic and
// so the same bits; it is then the only path.
#include "sine/lanes_sse2.h"
#include "sine/sine_kernel_paths.h"
#include "sine/sine_lanes.h"

void SinArraySse2(const double* in, double* out, int count) { SinLanesArray<Sse2>(in, out, count); }
