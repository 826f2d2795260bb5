// The 4-lane path; this file alone is built with -mavx2 -mfma, and runs only where both are.
#include "sine/lanes_avx2.h"
#include "sine/sine_kernel_paths.h"
#include "sine/sine_lanes.h"

void SinArrayAvx2(const double* in, double* out, int count) { SinLanesArray<Avx2>(in, out, count); }
