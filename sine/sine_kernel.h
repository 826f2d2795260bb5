#pragma once

// Vectorised double-precision sine for the fit's inner loop.
//
// SinArray evaluates a whole array with one algorithm (sine_lanes.h) built for three x86-64
// instruction sets and chosen once, on first use, for the CPU at hand. The result for a value
// depends on nothing but that value and the path: not on the array's length or the value's
// position in it, because the array's tail is padded into a full vector instead of taking a
// scalar remainder. The AVX2 and AVX-512 paths fuse their multiply-adds (FMA) and give the same
// bits as each other; the SSE2 path, for CPUs without AVX2 and FMA, rounds every product and
// sum and may differ from them in the last bits. So the fit's result can depend on the CPU's
// instruction sets; the fast search still matches the plain one bit for bit on any one path.
// On other processors only the 2-lane path is built, over portable vector operations, with
// the SSE2 path's unfused arithmetic (SinKernel::Sse2 names it there too).
//
// Why this kernel. Measured on the development machine (Intel Xeon with AVX-512F, 2 shared
// cores): ns per value, best of 7 runs over arrays of 10 / 100 / 1000 arguments in +-1e4
// (bench/sine_kernel_bench); worst error against long double sinl over 3 million random
// arguments per decade from 1e-8 to 1e9 plus 1.9 million next to multiples of pi up to 1e9
// (tests/kernels holds the smaller everyday version).
//
//   std::sin (glibc)             7.8 / 7.6 / 8.0 ns     0.52 ULP
//   SinArray, SSE2, 2 lanes      3.6 / 3.3 / 3.3 ns     2.39 ULP (1.92 for |x| < 1e5)
//   SinArray, AVX2+FMA, 4 lanes  1.47 / 0.88 / 0.86 ns  1.73 ULP
//   SinArray, AVX-512, 8 lanes   1.14 / 0.61 / 0.53 ns  the same bits as AVX2+FMA
//   glibc libmvec                0.68 (AVX-512) and 1.0 (AVX2) ns for 96 values
//
// Before FMA the same algorithm ran 2.4 / 1.7 / 1.7 ns on AVX2 and 2.2 / 1.1 / 1.05 ns on
// AVX-512, with the SSE2 bits on every path. FMA makes the Cody-Waite reduction exact in its
// first step with a full-width part of pi, so three fused steps replace four pairs of multiply
// and subtract, and each polynomial step is one instruction. Earlier measurements on this
// machine put Highway's Sin at 0.93 / 1.37 ns (AVX-512 / AVX2), SLEEF u35 at 1.41 / 2.5 and xsimd
// at 1.37 / 2.4, with libmvec and those at 2.4-3.3 ULP. A variant of the SSE2 reduction that
// keeps the rounding error of its last two steps lowers that path's worst error for |x| >= 1e5
// to 1.98 ULP but costs 10-15%, so it is not used.

enum class SinKernel { Sse2, Avx2, Avx512 };

// out[i] = sin(in[i]) for 0 <= i < count; in and out may be the same array. Accurate to
// kSinMaxUlpError for |in[i]| <= 1e9; larger finite values go to std::sin (within 0.52 ULP); inf
// and NaN give NaN. Allocates nothing.
void SinArray(const double* in, double* out, int count);

// Bound on the error of SinArray in units in the last place, against long double sinl, on every
// path; the worst error measured is 2.39 (SSE2) and 1.73 (FMA paths), see above; the rest is
// margin for arguments never sampled.
inline constexpr double kSinMaxUlpError = 3.0;

// A sine over an array with SinArray's contract, on one path.
using SineFunction = void (*)(const double* in, double* out, int count);

// SinArray on the given path or, where this CPU cannot run it, on BestSinKernel(): for tests,
// benchmarks and a fit that asks for another path.
SineFunction SinArrayOn(SinKernel kernel);

// The path SinArrayOn(kernel) runs, as text (for instance "AVX-512, 8 lanes").
const char* SinKernelName(SinKernel kernel);

// True when this CPU and its operating system can run the given path.
bool SinKernelSupported(SinKernel kernel);

// The fastest path this CPU supports; SinArray runs it. AVX2 counts as supported only
// together with FMA.
SinKernel BestSinKernel();
