#pragma once

// A cheaper sine for the fit's screening, where a bounded error is enough: the screening proves
// trials worse than the best with it and allows for its error (docs/early_exit_bound.md), and
// every trial it keeps gets the fit's own sine. The lanes are in approx_sine_lanes.h.
//
// Algorithm: the argument in half turns, u = x / pi (the screening forms it as b/pi * x + c/pi);
// k = nearest integer to u, f = u - k exactly, |f| <= 1/2, and sin(pi * u) = (-1)^k * f * Q(f^2)
// with Q of degree 4, the Remez fit of sin r on |r| <= pi/2 with r = pi * f. No multiple of pi is
// taken off: about half the kernel's operations.

// |x| up to here: |u| < 2^19, so f is exact and k fits the rounding constant's low bits.
inline constexpr double kApproxSinMaxArgument = 1.0e6;

// f * Q(f^2) = f * (kApproxSinTurns[0] + kApproxSinTurns[1] f^2 + ... + kApproxSinTurns[4] f^8).
// On |f| <= 1/2 it is within 4.7e-9 of sin(pi * f).
inline constexpr double kApproxSinTurns[5] = {0x1.921fb54442d18p+1,
                                              -0x1.4abbc1edab4a3p+2,
                                              0x1.46689aae8c26cp+1,
                                              -0x1.32498ea124661p-1,
                                              0x1.3d753dab8d724p-4};

// Bounds |approx(u) - s| for |x| <= kApproxSinMaxArgument, s being the fit's sine of x on any
// path and u the screening's half turns of x: the polynomial's 4.7e-9, the half turns' rounding
// 7.8e-10, the polynomial's own rounding and the fit's own sine below 1e-13 together.
inline constexpr double kApproxSinError = 1.0e-8;
