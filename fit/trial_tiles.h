#pragma once

// The tile screening written once over GCC vector extensions and built per instruction set by
// trial_tiles_sse2.cpp, trial_tiles_avx2.cpp and trial_tiles_avx512.cpp. Every lane carries one
// trial, its arguments b*x + c exactly as FitAmplitude forms them (no fused multiply-add:
// -ffp-contract=off), so its sines are FitAmplitude's; or, with the cheaper sine, in half turns
// b/pi * x + c/pi, its sines within the cheaper sine's error of FitAmplitude's. The order of the
// sums differs too, and the bound allows for both.
//
// Include only from those translation units, at file scope, after sine/sine_lanes.h and the
// instruction set's traits: the anonymous namespace keeps each instruction set's copy to itself.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>

#include "fit/trial_block.h"
#include "fit/trial_draws.h"
#include "fit/trial_fit.h"
#include "sine/approx_sine_lanes.h"
#include "sine/sine_lanes.h"

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
[[gnu::always_inline]] inline Reals SplatLanes(double v, std::index_sequence<Lane...>) {
  return Reals{(static_cast<void>(Lane), v)...};
}

template <typename Reals>
[[gnu::always_inline]] inline Reals Splat(double v) {
  return SplatLanes<Reals>(v, std::make_index_sequence<sizeof(Reals) / sizeof(double)>{});
}

// The trials still in play, packed at the front of the arrays, so that a trial proven worse
// frees its lane at once instead of riding along with its vector. Lanes past Count, up to the
// end of their vector, hold finite leftovers that are computed and never read.
struct LiveTrials {
  alignas(64) double B[kTileTrials];
  alignas(64) double C[kTileTrials];
  alignas(64) double Sy[kTileTrials];     // sum of y * sin over the rows screened so far
  alignas(64) double Ss[kTileTrials];     // sum of sin^2 over the same rows
  alignas(64) double Trial[kTileTrials];  // the trial's bit in the tile's mask
  int Count = 0;
};

// 0, 1, ..., kTileTrials - 1: each live trial's bit in the tile's mask.
alignas(64) constexpr double kLaneTrials[kTileTrials] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                                         11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                                         22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

// Trials at .. at + lanes - 1 of the tile whose first trial's draws start from tileSeed, as
// DrawTrial draws them: the generator's value after each draw is an affine map of tileSeed
// (TrialSearch::DrawMul, DrawAdd), and seed / 2^32 is exact in a double.
template <typename Reals>
[[gnu::always_inline]] inline void DrawLanes(const TrialSearch& search,
                                             int at,
                                             std::uint32_t tileSeed,
                                             Reals freqScale,
                                             Reals& b,
                                             Reals& c) {
  constexpr int kLanes = sizeof(Reals) / sizeof(double);
  typedef std::uint32_t Words __attribute__((vector_size(kLanes * sizeof(std::uint32_t))));
  Words mul, add;
  std::memcpy(&mul, search.DrawMul + at, sizeof mul);
  std::memcpy(&add, search.DrawAdd + at, sizeof add);
  const Words first = mul * tileSeed + add;
  const Words second = first * kLcgMultiplier + 1u;
  constexpr double kTwoPi = 2 * std::numbers::pi;
  const Reals unit = Splat<Reals>(1 / 4294967296.0);
  b = __builtin_convertvector(first, Reals) * unit * freqScale;
  c = __builtin_convertvector(second, Reals) * unit * Splat<Reals>(kTwoPi);
}

// How a tile evaluates its sines: through the fit's sine, or inline with the kernel's own lanes
// (the same code, so the same bits as the fit's sine on a path with the same arithmetic), and
// then without the test for arguments beyond the reduced range where the search has none; or
// with the cheaper sine, whose error the bound then allows for.
enum class TileSines { ViaFitSines, Lanes, LanesInRange, Approx };

// The exact kinds; the cheaper sine takes its arguments in half turns instead.
template <typename Isa, TileSines kSines>
[[gnu::always_inline]] inline typename Isa::Reals SinesOf(SineFunction fitSines,
                                                          typename Isa::Reals args) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  if constexpr (kSines == TileSines::LanesInRange) {
    return Evaluate<Isa>(args, (Reals)((Ints)args & INT64_MAX));
  } else if constexpr (kSines == TileSines::Lanes) {
    return SinLanes<Isa>(args);
  } else {
    double values[sizeof args / sizeof(double)];
    std::memcpy(values, &args, sizeof args);
    fitSines(values, values, sizeof args / sizeof(double));
    std::memcpy(&args, values, sizeof args);
    return args;
  }
}

// Whether every argument b*x + c of the search is at most half the kernel's reduced range: |b| is
// at most the larger frequency scale, 0 <= c < 2pi, and the rounding of b*x + c is far below the
// factor two. NaN fails the test.
inline bool ArgumentsInRange(const TrialSearch& search) {
  return search.LargestArgument <= 0.5 * kMaxReducedArgument;
}

// Every trial of the tile, one vector at a time through a group of rows: arguments, sines and
// the running sums stay in registers, then the bound is tested and the survivors are packed to
// the front (Isa::Pack). Isa is the sine's traits plus:
//   Bits(Ints m)                  lane i's bit set where m's lane i is all ones;
//   Pack(double* to, Reals v, bits) stores v's lanes whose bit is set at to[0], to[1], ...,
//                                 and may write anything up to to[lanes - 1].
template <typename Isa, TileSines kSines>
std::uint32_t ScreenTileLanes(const TrialBlock& block, int tile) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  constexpr int kLanes = sizeof(Reals) / sizeof(double);
  static_assert(kTileTrials % kLanes == 0);
  const TrialSearch& search = *block.Search;
  const std::int64_t first = block.First + static_cast<std::int64_t>(tile) * kTileTrials;
  const int trials =
      static_cast<int>(std::min<std::int64_t>(kTileTrials, block.First + block.Trials - first));
  if (trials <= 0) return 0;
  const std::uint32_t all = trials == 32 ? ~0u : (1u << trials) - 1u;
  if (!(block.Bound < std::numeric_limits<double>::infinity())) return all;

  const Reals flatFloor = Splat<Reals>(kFlatSineFloor);
  // The lanes not proven worse after m rows with sums sy and ss. The least-squares residual over
  // the rows so far, squares - sy^2 / ss, is a lower bound of the full one; it exceeds the bound
  // where (squares - bound) * ss > sy^2, tested so without a division. Only where the sines do
  // not nearly vanish: there the quotient is well conditioned and no underflow can matter (NaN
  // sums fail both tests and are never proven).
  const auto testBound = [&](int m, Reals sy, Reals ss) {
    // With the cheaper sine the residual over m rows can come out up to ApproxSlack * sqrt(m)
    // above the exact sines' one.
    double boundNow = block.Bound;
    if constexpr (kSines == TileSines::Approx) {
      boundNow = boundNow + search.ApproxSlack * std::sqrt(static_cast<double>(m));
    }
    const Reals room = Splat<Reals>(search.SquaresByMagnitude[m - 1] - boundNow);
    const Ints worse = (ss > flatFloor) & (room * ss > sy * sy);
    return Isa::Bits(~worse);
  };
  // V vectors of trials through rows row .. row + rows - 1, side by side so that their chains of
  // dependent operations overlap: arguments, sines and sums in registers. With the cheaper sine
  // b and c are in half turns (divided by pi).
  const auto addRows =
      [&]<int V>(
          int row, int rows, const Reals(&b)[V], const Reals(&c)[V], Reals(&sy)[V], Reals(&ss)[V]) {
        for (int r = row; r < row + rows; ++r) {
          const Reals x = Splat<Reals>(search.XByMagnitude[r]);
          const Reals y = Splat<Reals>(search.YByMagnitude[r]);
          for (int v = 0; v < V; ++v) {
            Reals sine;
            if constexpr (kSines == TileSines::Approx) {
              sine = ApproxSinTurnsLanes<Isa>(Isa::MulAdd(b[v], x, c[v]));
            } else {
              sine = SinesOf<Isa, kSines>(search.Sines, b[v] * x + c[v]);
            }
            sy[v] = sy[v] + y * sine;
            ss[v] = ss[v] + sine * sine;
          }
        }
      };

  // The trials in play, packed at the front of `live` after every test while they fill more than
  // one vector. first is even (blocks and tiles hold even numbers of trials), so trial t of the
  // tile takes FreqScale[t % 2]; so does lane t of a vector, the lanes being even in number. Whole
  // vectors are drawn: the lanes past the last trial hold finite draws that are never kept.
  LiveTrials live;
  const std::uint32_t tileSeed = TileSeed(search, first);
  Reals freqScale;
  for (int lane = 0; lane < kLanes; ++lane) freqScale[lane] = search.FreqScale[lane % 2];
  for (int at = 0; at < trials; at += kLanes) {
    Reals b, c;
    DrawLanes<Reals>(search, at, tileSeed, freqScale, b, c);
    if constexpr (kSines == TileSines::Approx) {
      b = b * Splat<Reals>(kInvPi);
      c = c * Splat<Reals>(kInvPi);
    }
    Store(live.B + at, b);
    Store(live.C + at, c);
    Store(live.Sy + at, Reals{});
    Store(live.Ss + at, Reals{});
    Store(live.Trial + at, Load<Reals>(kLaneTrials + at));
  }
  live.Count = trials;

  // One group of rows for V vectors from `at` on; their survivors packed from `kept` on (at most
  // `at`, so nothing is packed over a vector before it is read).
  const auto screenVectors = [&]<int V>(int at, int row, int rows, int kept) {
    Reals b[V], c[V], sy[V], ss[V];
    for (int v = 0; v < V; ++v) {
      b[v] = Load<Reals>(live.B + at + v * kLanes);
      c[v] = Load<Reals>(live.C + at + v * kLanes);
      sy[v] = Load<Reals>(live.Sy + at + v * kLanes);
      ss[v] = Load<Reals>(live.Ss + at + v * kLanes);
    }
    addRows.template operator()<V>(row, rows, b, c, sy, ss);
    for (int v = 0; v < V; ++v) {
      const int from = at + v * kLanes;
      const int lanes = std::max(0, std::min(kLanes, live.Count - from));
      const unsigned keep = testBound(row + rows, sy[v], ss[v]) & ((1u << lanes) - 1u);
      const Reals trial = Load<Reals>(live.Trial + from);
      Isa::Pack(live.B + kept, b[v], keep);
      Isa::Pack(live.C + kept, c[v], keep);
      Isa::Pack(live.Sy + kept, sy[v], keep);
      Isa::Pack(live.Ss + kept, ss[v], keep);
      Isa::Pack(live.Trial + kept, trial, keep);
      kept += __builtin_popcount(keep);
    }
    return kept;
  };

  // Up to four vectors side by side where the registers hold them (32 of AVX-512), two where
  // they are 16.
  constexpr int kSideBySide = kLanes == 8 ? 4 : 2;
  int row = 0;
  for (; row < search.Count && live.Count > kLanes; row += search.Rows) {
    const int rows = std::min(search.Rows, search.Count - row);
    int kept = 0;
    for (int at = 0; at < live.Count; at += kSideBySide * kLanes) {
      switch (std::min(kSideBySide, (live.Count - at + kLanes - 1) / kLanes)) {
        case 4:
          kept = screenVectors.template operator()<4>(at, row, rows, kept);
          break;
        case 3:
          kept = screenVectors.template operator()<3>(at, row, rows, kept);
          break;
        case 2:
          kept = screenVectors.template operator()<2>(at, row, rows, kept);
          break;
        default:
          kept = screenVectors.template operator()<1>(at, row, rows, kept);
          break;
      }
    }
    live.Count = kept;
  }

  std::uint32_t mask = 0;
  if (live.Count > kLanes) {  // every row screened
    for (int t = 0; t < live.Count; ++t) mask |= 1u << static_cast<int>(live.Trial[t]);
    return mask;
  }
  // The survivors fit in one vector: it stays in registers, its lanes dropped from a mask.
  Reals b[1] = {Load<Reals>(live.B)}, c[1] = {Load<Reals>(live.C)};
  Reals sy[1] = {Load<Reals>(live.Sy)}, ss[1] = {Load<Reals>(live.Ss)};
  unsigned alive = (1u << live.Count) - 1u;
  for (; row < search.Count && alive != 0; row += search.Rows) {
    const int rows = std::min(search.Rows, search.Count - row);
    addRows.template operator()<1>(row, rows, b, c, sy, ss);
    alive &= testBound(row + rows, sy[0], ss[0]);
  }
  // Mostly none is left.
  for (; alive != 0; alive &= alive - 1) {
    mask |= 1u << static_cast<int>(live.Trial[__builtin_ctz(alive)]);
  }
  return mask;
}

// Pack for any lane count: each lane is stored at the next place, which moves on only when the
// lane is kept, so the lanes dropped are written over. No branch: which trials survive is as
// good as random.
template <typename Reals>
[[gnu::always_inline]] inline void PackLanes(double* to, Reals v, unsigned keep) {
  int next = 0;
  for (int lane = 0; lane < static_cast<int>(sizeof v / sizeof(double)); ++lane) {
    to[next] = v[lane];
    next += static_cast<int>((keep >> lane) & 1u);
  }
}

template <typename Isa>
std::uint32_t ScreenTileWith(const TrialBlock& block, int tile, bool inlineSine) {
  if (block.Search->ApproxInRange) return ScreenTileLanes<Isa, TileSines::Approx>(block, tile);
  if (!inlineSine) return ScreenTileLanes<Isa, TileSines::ViaFitSines>(block, tile);
  if (ArgumentsInRange(*block.Search))
    return ScreenTileLanes<Isa, TileSines::LanesInRange>(block, tile);
  return ScreenTileLanes<Isa, TileSines::Lanes>(block, tile);
}

}  // namespace
