#pragma once

// The lanes of the cheaper sine (sine/approx_sine.h), over the same traits as the kernel's own
// lanes. Include only from a unit built for the traits' instruction set, at file scope, after
// the traits (see sine_lanes.h).

#include <cstdint>

#include "sine/approx_sine.h"
#include "sine/sine_lanes.h"

namespace {

// sin(pi * u) within 4.7e-9 plus rounding for |u| <= kApproxSinMaxArgument / pi; other lanes
// give anything. k = round(u) by the rounding constant, whose lowest bit is then k's parity for
// either sign; f = u - k is exact (both are multiples of u's last place and |f| <= 1/2).
template <typename Isa>
[[gnu::always_inline]] inline typename Isa::Reals ApproxSinTurnsLanes(typename Isa::Reals u) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  const Reals t = u + kRoundMagic;
  const Ints oddSign = (Ints)t << 63;
  const Reals f = u - (t - kRoundMagic);
  const Reals s = f * f;
  Reals q = Isa::MulAdd(s, Broadcast<Isa>(kApproxSinTurns[4]), Broadcast<Isa>(kApproxSinTurns[3]));
  q = Isa::MulAdd(q, s, Broadcast<Isa>(kApproxSinTurns[2]));
  q = Isa::MulAdd(q, s, Broadcast<Isa>(kApproxSinTurns[1]));
  q = Isa::MulAdd(q, s, Broadcast<Isa>(kApproxSinTurns[0]));
  return (Reals)((Ints)(f * q) ^ oddSign);
}

}  // namespace
