#pragma once

// The Avx2 traits of the sine lanes (sine/sine_lanes.h), shared by the kernel's path and every
// other unit built for the same instruction set that evaluates the same sines inline. Include
// only from such a unit, at file scope.

#include <immintrin.h>

#include <cstdint>

namespace {

struct Avx2 {
  typedef double Reals __attribute__((vector_size(32)));
  typedef std::int64_t Ints __attribute__((vector_size(32)));

  static constexpr bool kFused = true;
  static Reals MulAdd(Reals a, Reals b, Reals c) {
    return (Reals)_mm256_fmadd_pd((__m256d)a, (__m256d)b, (__m256d)c);
  }

  // Lanes below count have all bits set, the rest none.
  static __m256i FirstLanes(int count) {
    return _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), _mm256_setr_epi64x(0, 1, 2, 3));
  }
  static Reals LoadFirst(const double* in, int count) {
    return (Reals)_mm256_maskload_pd(in, FirstLanes(count));
  }
  static void StoreFirst(double* out, Reals y, int count) {
    _mm256_maskstore_pd(out, FirstLanes(count), (__m256d)y);
  }
  static bool AnyAbove(Reals v, double limit) {
    return _mm256_movemask_pd(_mm256_cmp_pd((__m256d)v, _mm256_set1_pd(limit), _CMP_NLE_UQ)) != 0;
  }
};

}  // namespace
