#pragma once

// The tile screening written once over GCC vector extensions and built per instruction set by
// trial_tiles_sse2.cpp, trial_tiles_avx2.cpp and trial_tiles_avx512.cpp. Every lane carries one
// trial, its arguments b*x + c exactly as FitAmplitude forms them (no fused multiply-add:
// -ffp-contract=off), so its sines are FitAmplitude's; only the order of the sums differs, and
// the bound allows for that.
//
// Include only from those translation units, at file scope: the anonymous namespace keeps each
// instruction set's copy to itself.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "fit/fit_sines.h"
#include "fit/harmonic_model.h"
#include "fit/trial_block.h"
#include "fit/trial_draws.h"

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

// The trials still in play, packed at the front of the arrays, so that a trial proven worse
// frees its lane at once instead of riding along with its vector.
struct LiveTrials {
  alignas(64) double B[kTileTrials];
  alignas(64) double C[kTileTrials];
  alignas(64) double Sy[kTileTrials];  // sum of y * sin over the rows screened so far
  alignas(64) double Ss[kTileTrials];  // sum of sin^2 over the same rows
  int Trial[kTileTrials];              // the trial's bit in the tile's mask
  int Count = 0;
};

template <typename Reals, typename Ints>
std::uint32_t ScreenTileLanes(const TrialBlock& block, int tile) {
  constexpr int kLanes = sizeof(Reals) / sizeof(double);
  static_assert(kTileTrials % kLanes == 0);
  const TrialSearch& search = *block.Search;
  const std::int64_t first = block.First + static_cast<std::int64_t>(tile) * kTileTrials;
  const int trials =
      static_cast<int>(std::min<std::int64_t>(kTileTrials, block.First + block.Trials - first));
  if (trials <= 0) return 0;
  const std::uint32_t all = trials == 32 ? ~0u : (1u << trials) - 1u;
  if (!(block.Bound < std::numeric_limits<double>::infinity())) return all;

  // first is even (blocks and tiles hold even numbers of trials), so trial t of the tile takes
  // FreqScale[t % 2].
  LiveTrials live;
  RandomGenerator drawer{JumpSeed(search.StartSeed, 2 * static_cast<std::uint64_t>(first))};
  for (int t = 0; t < trials; ++t) {
    DrawTrial(drawer, search.FreqScale[t % 2], live.B[t], live.C[t]);
    live.Sy[t] = live.Ss[t] = 0;
    live.Trial[t] = t;
  }
  live.Count = trials;

  const Reals bound = Broadcast<Reals>(block.Bound);
  const Reals flatFloor = Broadcast<Reals>(kFlatSineFloor);
  alignas(64) double sines[kScreenRows * kTileTrials];
  alignas(64) std::int64_t proven[kTileTrials];
  double squares = 0;  // sum of y^2 over the rows screened so far
  for (int row = 0; row < search.Count && live.Count > 0; row += kScreenRows) {
    const int rows = std::min(kScreenRows, search.Count - row);
    const int vectors = (live.Count + kLanes - 1) / kLanes;
    const int width = vectors * kLanes;
    // Padding lanes: sin(0) = 0 adds nothing, and their verdicts are never read.
    for (int t = live.Count; t < width; ++t) live.B[t] = live.C[t] = live.Sy[t] = live.Ss[t] = 0;

    // sines[r * width + t]: the argument, then the sine, of live trial t at row r.
    for (int r = 0; r < rows; ++r) {
      const Reals x = Broadcast<Reals>(search.XByMagnitude[row + r]);
      for (int v = 0; v < vectors; ++v) {
        Store(sines + r * width + v * kLanes,
              Load<Reals>(live.B + v * kLanes) * x + Load<Reals>(live.C + v * kLanes));
      }
    }
    FitSines(sines, sines, rows * width);

    for (int r = 0; r < rows; ++r) {
      const double y = search.YByMagnitude[row + r];
      squares = squares + y * y;
    }
    const Reals squaresSoFar = Broadcast<Reals>(squares);
    for (int v = 0; v < vectors; ++v) {
      Reals sy = Load<Reals>(live.Sy + v * kLanes);
      Reals ss = Load<Reals>(live.Ss + v * kLanes);
      for (int r = 0; r < rows; ++r) {
        const Reals y = Broadcast<Reals>(search.YByMagnitude[row + r]);
        const Reals s = Load<Reals>(sines + r * width + v * kLanes);
        sy = sy + y * s;
        ss = ss + s * s;
      }
      Store(live.Sy + v * kLanes, sy);
      Store(live.Ss + v * kLanes, ss);
      // The least-squares residual over the rows so far is a lower bound of the full one. Only
      // where the sines do not nearly vanish: there the quotient is well conditioned and no
      // underflow can matter (NaN sums fail both tests and are never proven).
      const Ints worse = (ss > flatFloor) & (squaresSoFar - sy * sy / ss > bound);
      std::memcpy(proven + v * kLanes, &worse, sizeof worse);
    }

    // Without branches: which trials survive is as good as random.
    int kept = 0;
    for (int t = 0; t < live.Count; ++t) {
      live.B[kept] = live.B[t];
      live.C[kept] = live.C[t];
      live.Sy[kept] = live.Sy[t];
      live.Ss[kept] = live.Ss[t];
      live.Trial[kept] = live.Trial[t];
      kept += proven[t] == 0 ? 1 : 0;
    }
    live.Count = kept;
  }

  std::uint32_t mask = 0;
  for (int t = 0; t < live.Count; ++t) mask |= 1u << live.Trial[t];
  return mask;
}

}  // namespace
