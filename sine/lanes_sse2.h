#pragma once

// The Sse2 traits of the sine lanes (sine/sine_lanes.h), shared by the kernel's path and every
// other unit built for the same instruction set that evaluates the same sines inline. Include
// only from such a unit, at file scope.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>

namespace {

struct Sse2 {
  typedef double Reals __attribute__((vector_size(16)));
  typedef std::int64_t Ints __attribute__((vector_size(16)));

  static constexpr bool kFused = false;
  static Reals MulAdd(Reals a, Reals b, Reals c) { return a * b + c; }

#if defined(__SSE2__)
  static Reals LoadFirst(const double* in, int) { return (Reals)_mm_load_sd(in); }
  static void StoreFirst(double* out, Reals y, int) { _mm_store_sd(out, (__m128d)y); }
  static bool AnyAbove(Reals v, double limit) {
    return _mm_movemask_pd(_mm_cmpnle_pd((__m128d)v, _mm_set1_pd(limit))) != 0;
  }
#else
  static Reals LoadFirst(const double* in, int) { return Reals{in[0], 0.0}; }
  static void StoreFirst(double* out, Reals y, int) { out[0] = y[0]; }
  static bool AnyAbove(Reals v, double limit) {
    const Ints above = ~(v <= limit);  // NaN compares false, so it counts as above
    return (above[0] | above[1]) != 0;
  }
#endif
};

}  // namespace
