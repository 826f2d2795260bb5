"""Fits 10,000 simulated 24-point series (two days sampled every 2 hours, as in a circadian
experiment) with harmora.fit_many and counts the series whose true period lies within the
refined 95 % interval of model 1's period, then fits them again on a two-worker Dask
LocalCluster and checks that every number is the same. Run as a script, or cell by cell (# %%).

usage: PYTHONPATH=build-dev/python /usr/bin/python3 docs/examples/fit_many_recovery.py [series]
"""

# %% Simulated data: one harmonic of random period, amplitude and phase, plus noise.
import sys
import time

import dask.array as da
import distributed
import numpy as np

import harmora

count = int(sys.argv[1]) if len(sys.argv) > 1 else 10_000
rng = np.random.default_rng(2024)
x = 2.0 * np.arange(24)                      # hours
period = rng.uniform(12, 36, count)          # true periods, hours
amplitude = rng.uniform(1, 3, count)
phase = rng.uniform(0, 2 * np.pi, count)
Y = amplitude[:, None] * np.sin(2 * np.pi * x / period[:, None] + phase[:, None])
Y += 0.3 * rng.standard_normal(Y.shape)

# The cluster's workers are processes that import this file: they only need the lines above.
if __name__ == "__main__":
    # %% All series at once, on every core; seed 1 makes the run repeatable.
    start = time.perf_counter()
    r = harmora.fit_many(x, Y, harmonics=1, seed=1, refine=True)
    elapsed = time.perf_counter() - start
    print(f"{count} series in {elapsed:.1f} s ({count / elapsed:.0f} series/s)")

    # %% Recovery: the true period within the refined model 1's 95 % interval.
    fit = r.refined.model1
    inside = (fit.period_lower[:, 0] <= period) & (period <= fit.period_upper[:, 0])
    print(f"true period within its 95 % interval: {inside.mean():.2%} of series")
    print(f"median |period error| / se: "
          f"{np.nanmedian(np.abs(fit.period[:, 0] - period) / fit.period_se[:, 0]):.2f}")
    print(f"not fitted: {np.count_nonzero(~r.fitted)}")

    # %% The same on a two-worker LocalCluster (a real cluster: Client("tcp://host:8786")).
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None,
                                  host="127.0.0.1") as cluster, distributed.Client(cluster):
        start = time.perf_counter()
        remote = harmora.dask.fit_many(x, da.from_array(Y, chunks=(max(count // 8, 1), -1)),
                                       harmonics=1, seed=1, refine=True, threads=1)
        print(f"on the cluster in {time.perf_counter() - start:.1f} s")

    def same(a, b):
        """Every field equal, NaN included, in both models, searched and refined: arrays
        element by element, lists (notes: a list of sentences per series, of any length) item
        by item."""
        if isinstance(a, dict):
            return a.keys() == b.keys() and all(same(a[k], b[k]) for k in a)
        if isinstance(a, (list, tuple)):
            return len(a) == len(b) and all(same(p, q) for p, q in zip(a, b))
        if isinstance(a, np.ndarray):
            return a.shape == b.shape and np.array_equal(a, b, equal_nan=a.dtype.kind == "f")
        return a == b

    print("cluster numbers identical to fit_many:", "yes" if same(remote, r) else "NO")
