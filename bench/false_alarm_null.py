#!/usr/bin/env python3
"""How uniform the peak's false-alarm probability is on noise, by design of x.

Simulates Gaussian noise on grids, calendar months, days jittered by up to 0.05 and irregular x,
takes the largest share z of the sum of squares one sinusoid explains over the refinement's
band (a periodogram 20 times finer than the Fourier frequencies, with and without a constant)
and prints, per design, the Kolmogorov-Smirnov distance from uniform and the shares below 0.05
and 0.01 of Baluev's approximation and of the refinement's form: on bands folded at the Nyquist
frequency the larger of Baluev's and 1 - (1 - p1)^M, M = 1.4 (K - p) + 2, elsewhere Baluev's
alone (analysis/spectral_band.cpp).

    python3 bench/false_alarm_null.py [draws]        (default 2000)
"""
import datetime
import math
import sys

import numpy as np

FOLDED_TRIALS = 1.4


def ks(p):
    p = np.sort(p)
    i = np.arange(len(p))
    return max(((i + 1) / len(p) - p).max(), (p - i / len(p)).max())


def peak_shares(u, omega_max, constant, draws, rng):
    n = len(u)
    nyquist = math.pi * (n - 1) / (u[-1] - u[0])
    omegas = np.linspace(omega_max / (100 * n), omega_max, int(20 * n * omega_max / nyquist))
    c, s = np.cos(np.outer(omegas, u)), np.sin(np.outer(omegas, u))
    if constant:
        c, s = c - c.mean(1, keepdims=True), s - s.mean(1, keepdims=True)
    cc, ss, cs = (c * c).sum(1), (s * s).sum(1), (c * s).sum(1)
    det = cc * ss - cs * cs
    y = rng.standard_normal((draws, n))
    if constant:
        y = y - y.mean(1, keepdims=True)
    yc, ys = y @ c.T, y @ s.T
    with np.errstate(all="ignore"):
        q = (ss * yc * yc - 2 * cs * yc * ys + cc * ys * ys) / det
    q = np.where(det > 1e-9 * cc * ss, q, yc * yc / np.maximum(cc, 1e-300))
    return q.max(1) / (y * y).sum(1)


def alarms(z, u, omega_max, null_parameters):
    n = len(u)
    nh, nk = n - null_parameters, n - null_parameters - 2
    width = omega_max / (2 * math.pi) * math.sqrt(4 * math.pi * u.var())
    gamma = math.sqrt(2 / nh) * math.exp(math.lgamma(nh / 2) - math.lgamma((nh - 1) / 2))
    tau = gamma * width * (1 - z) ** ((nk - 1) / 2) * np.sqrt(nh * z / 2)
    single = (1 - z) ** (nk / 2)
    baluev = 1 - np.exp(-tau) * (1 - single)
    frequencies = omega_max * (u[-1] - u[0]) / math.pi + 1
    if omega_max > 2 * math.pi * (n - 1) / (u[-1] - u[0]):
        return baluev, baluev  # not folded: Baluev's alone
    trials = FOLDED_TRIALS * max(frequencies - null_parameters, 1) + 2
    folded = np.maximum(baluev, -np.expm1(trials * np.log1p(-np.minimum(single, 1.0))))
    return baluev, folded


def abscissae(kind, n, rng):
    if kind == "grid":
        return np.arange(n, dtype=float)
    if kind == "months":
        first = datetime.date(2001, 1, 1)
        return np.array(
            [(datetime.date(2001 + m // 12, m % 12 + 1, 1) - first).days for m in range(n)], float)
    if kind == "days+jitter":
        return np.arange(n) + rng.uniform(-0.05, 0.05, n)
    return np.sort(np.r_[0, n - 1, rng.uniform(0, n - 1, n - 2)])


def main():
    draws = int(sys.argv[1]) if len(sys.argv) > 1 else 2000
    rng = np.random.default_rng(17)
    print(f"{'x':12} {'n':>4} const  Baluev: KS  <0.05  <0.01 | folded form: KS  <0.05  <0.01")
    for kind in ("grid", "months", "days+jitter", "irregular"):
        for n in (12, 15, 24, 36, 60, 120, 240):
            for constant in (0, 1):
                x = abscissae(kind, n, rng)
                u = (x - (x[0] + x[-1]) / 2) / ((x[-1] - x[0]) / 2)
                # Folded at the median spacing's Nyquist frequency; irregular x reach five times
                # the mean spacing's.
                omega_max = (5 * math.pi * (n - 1) / 2 if kind == "irregular" else
                             math.pi / np.median(np.diff(u)))
                z = peak_shares(u, omega_max, constant, draws, rng)
                rows = []
                for p in alarms(z, u, omega_max, constant):
                    rows.append(f"{ks(p):10.3f} {(p < 0.05).mean():6.3f} {(p < 0.01).mean():6.3f}")
                print(f"{kind:12} {n:4d} {constant:5d}  {rows[0]} |      {rows[1]}")


if __name__ == "__main__":
    main()
