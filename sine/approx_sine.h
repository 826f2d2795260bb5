#pragma once

// A cheaper sine for the fit's screening, where a bounded error is enough: the screening proves
// trials worse than the best with it and allows for its error (docs/early_exit_bound.md), and
// every trial it keeps gets the fit's own sine. The lanes are in approx_sine_lanes.h.
//
// Algorithm: k = nearest integer to x/pi, r = x - k*pi with pi in one part (one fused step) or
// two (unfused), sin x = (-1)^k * (r + r^3 * P(r^2)) with P of degree 3, fitted (Remez) for the
// least absolute error on |r| <= kApproxSinReduced. About two thirds of the kernel's operations.

// |x| up to here: k < 2^19, and pi's parts leave r within 1.2e-9 of x - k*pi.
inline constexpr double kApproxSinMaxArgument = 1.0e6;

// The reduced range the polynomial is fitted and proven on: pi/2 plus far more than the
// rounding of k and r can add for |x| <= kApproxSinMaxArgument.
inline constexpr double kApproxSinReduced = 1.0001 * 1.5707963267948966;

// r^3 * P(r^2) = kApproxSin[0] r^3 + kApproxSin[1] r^5 + kApproxSin[2] r^7 + kApproxSin[3] r^9.
// On |r| <= kApproxSinReduced, r + r^3 * P(r^2) is within 4.7e-9 of sin r.
inline constexpr double kApproxSin[4] = {
    -0x1.5555487a72e61p-3, 0x1.110e69f870245p-7, -0x1.9f5fe1f1bf2d7p-13, 0x1.5cf8291debfa4p-19};

// Bounds |approx(x) - s| for |x| <= kApproxSinMaxArgument, s being the fit's sine of x on any
// path: the polynomial's 4.7e-9, the reduction's 1.2e-9, the rounding and the fit's own sine
// below 1e-13 together.
inline constexpr double kApproxSinError = 1.0e-8;
