#pragma once

// Vectorised double-precision sine for the fit's inner loop.
//
// SinArray evaluates a whole array with one algorithm (sine_lanes.h) built for three x86-64
// instruction sets and chosen once, on first use, for the CPU at hand. The result for a value
// depends on nothing but that value: not on the array's length, the value's position in it or
// the path chosen, because all paths run the same operations without fused multiply-add and the
// array's tail is padded into a full vector instead of taking a scalar remainder.
//
// Why this kernel. Measured on the development machine (Intel Xeon with AVX-512F, 2 shared
// cores): ns per value, best of 7 runs over arrays of 10 / 100 / 1000 arguments in +-1e4
// (bench/sine_kernel_bench); worst error against long double sinl over 3 million random
// arguments per decade from 1 to 1e9 (tests/kernels holds the smaller everyday version).
//
//   std::sin (glibc)             7.8 / 7.7 / 7.9 ns     0.52 ULP
//   SinArray, SSE2, 2 lanes      3.4 / 3.3 / 3.3 ns     2.35 ULP (1.97 for |x| < 1e5)
//   SinArray, AVX2, 4 lanes      2.4 / 1.7 / 1.7 ns     the same bits as SSE2
//   SinArray, AVX-512, 8 lanes   2.2 / 1.1 / 1.05 ns    the same bits as SSE2
//   glibc libmvec                0.68 (AVX-512) and 1.0 (AVX2) ns for 96 values
//   this algorithm, FMA-fused    1.45 / 0.70 / 0.64 ns (AVX-512; measured, not shipped)
//
// Earlier measurements on this machine put Highway's Sin at 0.93 / 1.37 ns (AVX-512 / AVX2),
// SLEEF u35 at 1.41 / 2.5 and xsimd at 1.37 / 2.4, with libmvec and those at 2.4-3.3 ULP.
// libmvec and any FMA kernel are faster, but none gives the same bits on a CPU without FMA
// as on one with it. Without FMA every path rounds alike, so the sines, and so the fit, come
// out the same on every path and, for |x| <= 1e9, on every x86-64 machine (glibc's own sin,
// used above that, picks FMA or not by itself). A variant that keeps the rounding error of the
// reduction's last two steps (3 more operations) lowers the worst error for |x| >= 1e5 from
// 2.35 to 1.98 ULP but costs 10-15%, so it is not used.

enum class SinKernel { Sse2, Avx2, Avx512 };

// out[i] = sin(in[i]) for 0 <= i < count; in and out may be the same array. Accurate to
// kSinMaxUlpError for |in[i]| <= 1e9; larger finite values go to std::sin (within 0.52 ULP); inf
// and NaN give NaN. Allocates nothing.
void SinArray(const double* in, double* out, int count);

// Bound on the error of SinArray in units in the last place, against long double sinl; the
// worst error measured is 2.35 (see above), the rest is margin for arguments never sampled.
inline constexpr double kSinMaxUlpError = 3.0;

// The path SinArray uses now, as text (for instance "AVX-512, 8 lanes").
const char* SinKernelName();

// True when this CPU and its operating system can run the given path.
bool SinKernelSupported(SinKernel kernel);

// The fastest path this CPU supports; SinArray starts with it.
SinKernel BestSinKernel();

// Makes SinArray use the given path from now on. Returns false and changes nothing when the CPU
// cannot run it. For tests and benchmarks; not meant to be called while another thread is in
// SinArray.
bool ForceSinKernel(SinKernel kernel);
