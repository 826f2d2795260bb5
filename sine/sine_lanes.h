#pragma once

// The one sine algorithm behind every SinArray path, written once over GCC vector extensions
// and compiled per instruction set by sine_kernel_sse2.cpp, sine_kernel_avx2.cpp and
// sine_kernel_avx512.cpp. Each path's traits say whether its multiply-adds are fused. The AVX2
// and AVX-512 paths fuse every one of them explicitly (and -ffp-contract=off keeps the compiler
// from fusing anything else), so those two perform the same correctly rounded operations in the
// same order and give identical bits. The SSE2 path, for CPUs that may lack FMA, rounds every
// product and sum separately; it can differ from the other two in the last bits.
//
// Include this header only from those translation units, at file scope: it opens an anonymous
// namespace, so that no inline function built for one instruction set can be merged by the
// linker into a path built for another. Each unit keeps its own traits there too.
//
// Algorithm, on |x| with x's sign put back at the end: k = nearest integer to |x|/pi,
// r = |x| - k*pi by Cody-Waite reduction (three parts of pi with FMA, four without; the first
// step exact either way for |x| <= kMaxReducedArgument), then sin|x| = (-1)^k * (r + r*s*P(s))
// with s = r*r and P a degree-7 minimax polynomial for the relative error of sin on
// |r| <= pi/2 (approximation error below 0.003 ULP; the rest of the error budget is rounding).
// Lanes with |x| above kMaxReducedArgument, infinities and NaNs go to std::sin, which keeps huge
// arguments accurate and gives NaN for inf and NaN.

#include <cmath>
#include <cstdint>

namespace {

// Above this the 24-bit leading part of pi no longer multiplies k exactly (k < 2^29). The
// fused paths could go further but keep the same limit, so that every path hands the same
// lanes to std::sin.
constexpr double kMaxReducedArgument = 1.0e9;

constexpr double kInvPi = 0x1.45f306dc9c883p-2;
// Adding 1.5 * 2^52 rounds a value below 2^51 in magnitude to an integer (ties to even); the
// integer's parity is then the lowest mantissa bit of the sum.
constexpr double kRoundMagic = 0x1.8p52;
// Without FMA: pi = kPiA + kPiB + kPiC + kPiD to about 2^-129; the first three carry 24
// significant bits so that k * part is exact for every k below 2^29.
constexpr double kPiA = 0x1.921fb6p+1;
constexpr double kPiB = -0x1.777a5cp-24;
constexpr double kPiC = -0x1.ee59dap-49;
constexpr double kPiD = 0x1.98a2e03707345p-76;
// With FMA: pi = kPi1 + kPi2 + kPi3 to about 2^-162, each the double nearest to what is left.
// |x| - k*kPi1 is exact in one fused step: both terms are multiples of 2^-52 (k*kPi1 of 2^-51,
// |x| of 2^-52 or coarser wherever k > 0) and the difference stays below 2, so it fits 53 bits.
constexpr double kPi1 = 0x1.921fb54442d18p+1;
constexpr double kPi2 = 0x1.1a62633145c07p-53;
constexpr double kPi3 = -0x1.f1976b7ed8fbcp-109;

// P(s) for sin(r) = r + r*s*P(s): Remez fits of the relative error on |r| <= 1.0001 * pi/2,
// fixing one coefficient at a time to its double value so that the later ones absorb the
// rounding of the earlier ones. With these doubles the approximation is within 0.003 ULP.
constexpr double kSin0 = -0x1.5555555555555p-3;
constexpr double kSin1 = 0x1.11111111110c8p-7;
constexpr double kSin2 = -0x1.a01a01a014d6fp-13;
constexpr double kSin3 = 0x1.71de3a52a0b16p-19;
constexpr double kSin4 = -0x1.ae6454d474681p-26;
constexpr double kSin5 = 0x1.6123cd0749b6cp-33;
constexpr double kSin6 = -0x1.ae438474ac436p-41;
constexpr double kSin7 = 0x1.8832a86d8dae4p-49;

// Evaluate and SinLanesArray take the instruction set's part from a traits type Isa with:
//   Reals, Ints            GCC vector types of doubles and of 64-bit integers, same lane count;
//   kFused                 whether MulAdd rounds once;
//   MulAdd(a, b, c)        a*b + c, with one rounding (FMA) if kFused, else two;
//   LoadFirst(in, count)   the first count (< lanes) values of in, zeros in the other lanes;
//   StoreFirst(out, y, count) stores the first count lanes of y and touches nothing else;
//   AnyAbove(v, limit)     true when any lane of v is above limit or NaN.
// Each path's translation unit defines its traits with that instruction set's intrinsics.

// Every lane c; for the nonzero constants below (0 + c would turn -0 into +0).
template <typename Isa>
[[gnu::always_inline]] inline typename Isa::Reals Broadcast(double c) {
  return typename Isa::Reals{} + c;
}

// r = ax - k*pi. The first step is exact; the later ones round only where r is far from 0, so
// next to a multiple of pi, where the sine is tiny, r keeps its relative accuracy.
template <typename Isa>
[[gnu::always_inline]] inline typename Isa::Reals Reduce(typename Isa::Reals ax,
                                                         typename Isa::Reals k) {
  if constexpr (Isa::kFused) {
    // k * -part rather than -k * part: the same products, one negation fewer.
    typename Isa::Reals r = Isa::MulAdd(k, Broadcast<Isa>(-kPi1), ax);
    r = Isa::MulAdd(k, Broadcast<Isa>(-kPi2), r);
    return Isa::MulAdd(k, Broadcast<Isa>(-kPi3), r);
  } else {
    // k * each 24-bit part is exact, so the first two differences are too.
    typename Isa::Reals r = ax - k * kPiA;
    r = r - k * kPiB;
    r = r - k * kPiC;
    return r - k * kPiD;
  }
}

// sin(x) from ax = |x| for lanes with ax <= kMaxReducedArgument (and ax not NaN).
template <typename Isa>
[[gnu::always_inline]] inline typename Isa::Reals Evaluate(typename Isa::Reals x,
                                                           typename Isa::Reals ax) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  const Reals t = Isa::MulAdd(ax, Broadcast<Isa>(kInvPi), Broadcast<Isa>(kRoundMagic));
  const Reals k = t - kRoundMagic;
  const Ints oddSign = (Ints)t << 63;
  const Reals r = Reduce<Isa>(ax, k);

  const Reals s = r * r;
  Reals p = Isa::MulAdd(s, Broadcast<Isa>(kSin7), Broadcast<Isa>(kSin6));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kSin5));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kSin4));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kSin3));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kSin2));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kSin1));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kSin0));
  const Reals y = Isa::MulAdd(r, s * p, r);
  // x's sign bit, and k's parity, flip the sign of sin|x|.
  const Ints sign = (Ints)x ^ (Ints)ax;
  return (Reals)((Ints)y ^ oddSign ^ sign);
}

// The vector that holds a lane out of the reduced range: those lanes are evaluated as zeros (so
// the reduction never meets inf - inf or an overflow) and then replaced by std::sin. Out of line
// because it is rare and its library call would otherwise push the constants out of registers.
template <typename Isa>
[[gnu::noinline]] typename Isa::Reals SinLanesPatched(typename Isa::Reals x,
                                                      typename Isa::Reals ax) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  const Ints outOfRange = ~(ax <= kMaxReducedArgument);  // NaN compares false: it is out too
  Reals y = Evaluate<Isa>(x, (Reals)((Ints)ax & ~outOfRange));
  constexpr int kLanes = sizeof(x) / sizeof(double);
  for (int lane = 0; lane < kLanes; ++lane) {
    if (outOfRange[lane] != 0) y[lane] = std::sin(x[lane]);
  }
  return y;
}

template <typename Isa>
[[gnu::always_inline]] inline typename Isa::Reals SinLanes(typename Isa::Reals x) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  // Work on |x| and give the result x's sign at the end: sin is odd, and a signed zero would
  // otherwise lose its sign in the reduction (-0 - -0 is +0).
  const Reals ax = (Reals)((Ints)x & INT64_MAX);
  if (Isa::AnyAbove(ax, kMaxReducedArgument)) return SinLanesPatched<Isa>(x, ax);
  return Evaluate<Isa>(x, ax);
}

// out[i] = sin(in[i]) for i < count; in and out may be the same array. The tail is loaded
// into a full vector with zeros in the unused lanes, so every value takes the same path
// whatever its position or the count.
template <typename Isa>
void SinLanesArray(const double* in, double* out, int count) {
  using Reals = typename Isa::Reals;
  constexpr int kLanes = sizeof(Reals) / sizeof(double);
  int i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    Reals x;
    __builtin_memcpy(&x, in + i, sizeof x);
    const Reals y = SinLanes<Isa>(x);
    __builtin_memcpy(out + i, &y, sizeof y);
  }
  if (i < count) {
    const int rest = count - i;
    Isa::StoreFirst(out + i, SinLanes<Isa>(Isa::LoadFirst(in + i, rest)), rest);
  }
}

}  // namespace
