"""Series per second per core of harmora.fit_many: n = 24 / 48 / 100 observations, N = 1 / 2 / 3
harmonics, depth 10000, with and without the least-squares refinement.

usage: PYTHONPATH=build-dev/python /usr/bin/python3 bench/fit_many_bench.py [seconds per case]

Each case doubles its number of series until one call takes the given time (default 2 s), on
every core; the rate is divided by the number of cores the call had (os.sched_getaffinity), so on
a loaded machine it is a lower bound.
"""

import os
import sys
import time

import numpy as np

import harmora


def series(count, n, rng):
    x = np.arange(float(n))
    period = rng.uniform(4, n / 2, (count, 1))
    return x, 2 * np.sin(2 * np.pi * x / period + 1) + 0.2 * rng.standard_normal((count, n))


def rate(n, harmonics, refine, seconds, rng):
    count = 4
    while True:
        x, Y = series(count, n, rng)
        start = time.perf_counter()
        harmora.fit_many(x, Y, harmonics=harmonics, depth=10000, seed=1, refine=refine,
                         constant=False)  # the search alone where refine is False
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            return count / elapsed
        count *= 2


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 2.0
    cores = len(os.sched_getaffinity(0))
    rng = np.random.default_rng(0)
    print(f"harmora {harmora.__version__}, {cores} cores, depth 10000; series/s per core")
    print(f"{'n':>4} {'N':>2} {'search':>10} {'+ refine':>10}")
    for n in (24, 48, 100):
        for harmonics in (1, 2, 3):
            plain = rate(n, harmonics, False, seconds, rng) / cores
            refined = rate(n, harmonics, True, seconds, rng) / cores
            print(f"{n:>4} {harmonics:>2} {plain:>10.1f} {refined:>10.1f}", flush=True)


if __name__ == "__main__":
    main()
