#pragma once

// The lanes of the cheaper sine (sine/approx_sine.h), over the same traits as the kernel's own
// lanes. Include only from a unit built for the traits' instruction set, at file scope, after
// the traits (see sine_lanes.h).

#include <cstdint>

#include "sine/approx_sine.h"
#include "sine/sine_lanes.h"

namespace {

// sin(x) within kApproxSinError for |x| <= kApproxSinMaxArgument; other lanes give anything.
// Signed x throughout: k = round(x/pi) carries the sign, and the parity of a negative k is the
// sum's lowest bit as for a positive one.
template <typename Isa>
[[gnu::always_inline]] inline typename Isa::Reals ApproxSinLanes(typename Isa::Reals x) {
  using Reals = typename Isa::Reals;
  using Ints = typename Isa::Ints;
  const Reals t = Isa::MulAdd(x, Broadcast<Isa>(kInvPi), Broadcast<Isa>(kRoundMagic));
  const Reals k = t - kRoundMagic;
  const Ints oddSign = (Ints)t << 63;
  Reals r;
  if constexpr (Isa::kFused) {
    r = Isa::MulAdd(k, Broadcast<Isa>(-kPi1), x);
  } else {
    r = x - k * kPiA;
    r = r - k * kPiB;
  }
  const Reals s = r * r;
  Reals p = Isa::MulAdd(s, Broadcast<Isa>(kApproxSin[3]), Broadcast<Isa>(kApproxSin[2]));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kApproxSin[1]));
  p = Isa::MulAdd(p, s, Broadcast<Isa>(kApproxSin[0]));
  const Reals y = Isa::MulAdd(r * s, p, r);
  return (Reals)((Ints)y ^ oddSign);
}

}  // namespace
