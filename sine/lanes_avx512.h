#pragma once

// The Avx512 traits of the sine lanes (sine/sine_lanes.h), shared by the kernel's path and every
// other unit built for the same instruction set that evaluates the same sines inline. Include
// only from such a unit, at file scope.

#include <immintrin.h>

#include <cstdint>

namespace {

struct Avx512 {
  typedef double Reals __attribute__((vector_size(64)));
  typedef std::int64_t Ints __attribute__((vector_size(64)));

  static constexpr bool kFused = true;
  static Reals MulAdd(Reals a, Reals b, Reals c) {
    return (Reals)_mm512_fmadd_pd((__m512d)a, (__m512d)b, (__m512d)c);
  }

  static __mmask8 FirstLanes(int count) { return static_cast<__mmask8>((1u << count) - 1); }
  static Reals LoadFirst(const double* in, int count) {
    return (Reals)_mm512_maskz_loadu_pd(FirstLanes(count), in);
  }
  static void StoreFirst(double* out, Reals y, int count) {
    _mm512_mask_storeu_pd(out, FirstLanes(count), (__m512d)y);
  }
  static bool AnyAbove(Reals v, double limit) {
    return _mm512_cmp_pd_mask((__m512d)v, _mm512_set1_pd(limit), _CMP_NLE_UQ) != 0;
  }
};

}  // namespace
