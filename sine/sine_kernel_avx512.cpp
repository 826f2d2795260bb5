// The 8-lane path; this file alone is built with -mavx512f -mfma.
#include "sine/lanes_avx512.h"
#include "sine/sine_kernel_paths.h"
#include "sine/sine_lanes.h"

void SinArrayAvx512(const double* in, double* out, int count) {
  SinLanesArray<Avx512>(in, out, count);
}
