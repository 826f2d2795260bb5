#include "sine/sine_kernel.h"

#include "sine/path_table.h"
#include "sine/sine_kernel_paths.h"

namespace {

struct SinPath {
  SinKernel Kernel;
  const char* Name;
  void (*Run)(const double* in, double* out, int count);
};

constexpr SinPath kPaths[] = {
#if defined(__x86_64__)
    {SinKernel::Sse2, "SSE2, 2 lanes", SinArraySse2},
    {SinKernel::Avx2, "AVX2, 4 lanes", SinArrayAvx2},
    {SinKernel::Avx512, "AVX-512, 8 lanes", SinArrayAvx512},
#else
    // Elsewhere only the 2-lane path is built; SinKernelSupported refuses the other two, so
    // their empty entries are never run.
    {SinKernel::Sse2, "generic, 2 lanes", SinArraySse2},
    {SinKernel::Avx2, "AVX2, not built", nullptr},
    {SinKernel::Avx512, "AVX-512, not built", nullptr},
#endif
};

static_assert(IndexedBySinKernel(kPaths), "kPaths is indexed by SinKernel");

}  // namespace

void SinArray(const double* in, double* out, int count) {
  // Chosen once, on first use, for the CPU at hand.
  static const SineFunction best = SinArrayOn(BestSinKernel());
  best(in, out, count);
}

SineFunction SinArrayOn(SinKernel kernel) { return PathEntry(kPaths, kernel).Run; }

const char* SinKernelName(SinKernel kernel) { return PathEntry(kPaths, kernel).Name; }

bool SinKernelSupported(SinKernel kernel) {
#if !defined(__x86_64__)
  return kernel == SinKernel::Sse2;
#else
  __builtin_cpu_init();
  switch (kernel) {
    case SinKernel::Sse2:
      return true;  // part of every x86-64 CPU
    case SinKernel::Avx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case SinKernel::Avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("fma");
  }
  return false;
#endif
}

SinKernel BestSinKernel() {
  if (SinKernelSupported(SinKernel::Avx512)) return SinKernel::Avx512;
  if (SinKernelSupported(SinKernel::Avx2)) return SinKernel::Avx2;
  return SinKernel::Sse2;
}
