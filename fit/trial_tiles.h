#pragma once

// The tile evaluation written once over GCC vector extensions and built per instruction set by
// trial_tiles_sse2.cpp, trial_tiles_avx2.cpp and trial_tiles_avx512.cpp. Every lane carries one
// trial and performs FitAmplitude's operations in FitAmplitude's order, with no fused
// multiply-add (-ffp-contract=off), so every path gives FitAmplitude's bits.
//
// Include only from those translation units, at file scope: the anonymous namespace keeps each
// instruction set's copy to itself.

#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "fit/fit_sines.h"
#include "fit/harmonic_model.h"
#include "fit/trial_block.h"

namespace {

template <typename Reals>
[[gnu::always_inline]] inline Reals Load(const double* p) {
  Reals v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename Reals>
[[gnu::always_inline]] inline void Store(double* p, Reals v) {
  std::memcpy(p, &v, sizeof v);
}

// Every lane v, as it is (Reals{} + v would turn -0 into +0); one broadcast instruction.
template <typename Reals, std::size_t... Lane>
[[gnu::always_inline]] inline Reals BroadcastLanes(double v, std::index_sequence<Lane...>) {
  return Reals{(static_cast<void>(Lane), v)...};
}

template <typename Reals>
[[gnu::always_inline]] inline Reals Broadcast(double v) {
  return BroadcastLanes<Reals>(v, std::make_index_sequence<sizeof(Reals) / sizeof(double)>{});
}

template <typename Reals, typename Ints>
void EvaluateTileLanes(const TileInputs& in, int tile, double* scratch) {
  constexpr int kLanes = sizeof(Reals) / sizeof(double);
  constexpr int kVectors = kTileTrials / kLanes;
  static_assert(kTileTrials % kLanes == 0);
  // Locals, so that the stores into scratch cannot make the compiler reload them.
  TrialBlock& block = *in.Block;
  const double* const xs = in.X;
  const double* const ys = in.Y;
  const int count = in.Count;
  const int first = tile * kTileTrials;

  Reals b[kVectors], c[kVectors];
  for (int v = 0; v < kVectors; ++v) {
    b[v] = Load<Reals>(block.B + first + v * kLanes);
    c[v] = Load<Reals>(block.C + first + v * kLanes);
  }
  // scratch[i * kTileTrials + t]: the argument, then the sine, of trial t at observation i.
  for (int i = 0; i < count; ++i) {
    const Reals x = Broadcast<Reals>(xs[i]);
    for (int v = 0; v < kVectors; ++v) {
      Store(scratch + i * kTileTrials + v * kLanes, b[v] * x + c[v]);
    }
  }
  FitSines(scratch, scratch, count * kTileTrials);

  // Both sums run over i in order, as FitAmplitude's.
  Reals sy[kVectors] = {}, ss[kVectors] = {};
  for (int i = 0; i < count; ++i) {
    const Reals y = Broadcast<Reals>(ys[i]);
    for (int v = 0; v < kVectors; ++v) {
      const Reals s = Load<Reals>(scratch + i * kTileTrials + v * kLanes);
      sy[v] = sy[v] + y * s;
      ss[v] = ss[v] + s * s;
    }
  }
  Reals a[kVectors];
  for (int v = 0; v < kVectors; ++v) a[v] = sy[v] / ss[v];

  // Lanes whose residual must be exact: an amplitude that is finite (NaN - NaN and inf - inf
  // are NaN), sines that do not vanish, and a residual that may be below in.ExactBelow.
  Ints flat[kVectors], finite[kVectors], exact[kVectors];
  bool anyExact = false;
  for (int v = 0; v < kVectors; ++v) {
    flat[v] = ~(ss[v] > kFlatSineFloor);  // as FitAmplitude: a NaN sum counts as flat
    finite[v] = (a[v] - a[v]) == 0;
    exact[v] = ~flat[v] & finite[v] & ~(in.TargetSquares - a[v] * sy[v] > in.ExactBelow);
    for (int lane = 0; lane < kLanes; ++lane) anyExact = anyExact || exact[v][lane] != 0;
  }

  const Reals above = Broadcast<Reals>(std::numeric_limits<double>::infinity());
  Reals sum[kVectors];
  for (int v = 0; v < kVectors; ++v) sum[v] = anyExact ? Reals{} : above;
  if (anyExact) {
    for (int i = 0; i < count; ++i) {
      const Reals y = Broadcast<Reals>(ys[i]);
      for (int v = 0; v < kVectors; ++v) {
        const Reals d = y - a[v] * Load<Reals>(scratch + i * kTileTrials + v * kLanes);
        sum[v] = sum[v] + d * d;
      }
    }
  }

  const Reals noAmplitude = Broadcast<Reals>(kNoAmplitudeResidual);
  const Reals notANumber = Broadcast<Reals>(std::numeric_limits<double>::quiet_NaN());
  for (int v = 0; v < kVectors; ++v) {
    Reals r = (Reals)(((Ints)sum[v] & exact[v]) | ((Ints)above & ~exact[v]));
    r = (Reals)(((Ints)r & finite[v]) | ((Ints)notANumber & ~finite[v]));
    r = (Reals)(((Ints)noAmplitude & flat[v]) | ((Ints)r & ~flat[v]));
    Store(block.A + first + v * kLanes, a[v]);
    Store(block.Residual + first + v * kLanes, r);
    Store(block.Ss + first + v * kLanes, ss[v]);
  }
}

}  // namespace
