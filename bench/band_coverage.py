"""How often the bands of Result.predict hold what they claim, over noise draws with fixed seeds.

usage: PYTHONPATH=build-dev/python /usr/bin/python3 bench/band_coverage.py [draws] [level]

Families (well-determined fits: every line well above the noise, many observations per
parameter): one and three sinusoids on a level, irregular and regular x, with and without a
trend. For each draw the model is fitted (refined, constant on), and at 50 points spread over the
data's span the bands at `level` (default 0.95) are taken:
- the confidence band of the mean curve should hold the true curve at a share `level` of the points;
- the prediction band of a new observation should hold a fresh draw (true curve + noise) there.
Printed per family: both coverages in percent over all draws and points.
"""

import sys
import warnings
import zlib

import numpy as np

import harmora

FAMILIES = [
    # name, n, sinusoids [(amplitude, period, phase)], trend, regular x, noise sd
    ("one line, irregular", 60, [(2.0, 7.3, 0.4)], 0.0, False, 0.5),
    ("one line, regular", 60, [(2.0, 7.3, 0.4)], 0.0, True, 0.5),
    ("three lines, irregular", 200, [(2.0, 37.3, 0.1), (1.0, 9.1, 1.2), (0.6, 2.71, 2.0)], 0.0,
     False, 0.3),
    ("three lines and a trend", 200, [(2.0, 37.3, 0.1), (1.0, 9.1, 1.2), (0.6, 2.71, 2.0)], 0.01,
     False, 0.3),
]


def truth(x, lines, trend):
    y = 5.0 + trend * x
    for a, p, c in lines:
        y = y + a * np.sin(2 * np.pi * x / p + c)
    return y


def family_coverage(name, n, lines, trend, regular, sd, draws, level):
    rng = np.random.default_rng(zlib.crc32(name.encode()))
    span = 0.4 * n
    held_mean = held_obs = total = 0
    for _ in range(draws):
        x = np.linspace(0, span, n) if regular else np.sort(rng.uniform(0, span, n))
        y = truth(x, lines, trend) + rng.normal(0, sd, n)
        result = harmora.fit(x, y, harmonics=len(lines), trend=trend != 0, seed=(1, 2),
                             models=1)
        at = np.linspace(0, span, 50)
        band = result.predict(at, model=1, band=level)
        mean = truth(at, lines, trend)
        fresh = mean + rng.normal(0, sd, at.size)
        held_mean += np.count_nonzero((band.mean_ci_lower <= mean) & (mean <= band.mean_ci_upper))
        held_obs += np.count_nonzero((band.obs_ci_lower <= fresh) & (fresh <= band.obs_ci_upper))
        total += at.size
    return 100.0 * held_mean / total, 100.0 * held_obs / total


def main():
    warnings.simplefilter("ignore")  # the fits' notes (autocorrelated residuals in a few draws)
    draws = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    level = float(sys.argv[2]) if len(sys.argv) > 2 else 0.95
    print(f"{draws} draws per family, bands at {100 * level:g} %")
    print("family | mean curve held % | new observation held %")
    for family in FAMILIES:
        mean, obs = family_coverage(*family, draws, level)
        print(f"{family[0]} | {mean:.1f} | {obs:.1f}")


if __name__ == "__main__":
    main()
