"""fit_many over a Dask array: each block of rows is one task running harmora.fit_many, so the
work goes wherever Dask sends it - the threads of this process, or a cluster's workers:

    from distributed import Client
    client = Client("tcp://scheduler:8786")   # a real cluster; LocalCluster() on one machine
    r = harmora.dask.fit_many(x, Y_dask, harmonics=2, seed=1, refine=True)

Every worker needs harmora importable (the same version). Series i is fitted with the seeds it
gets in harmora.fit_many on the whole array, so the numbers are the same as there.
"""

import random as _random

import dask as _dask
import dask.array as _da
import numpy as _np

import harmora as _harmora
from harmora import Result as _Result


def _concatenate(parts):
    """Results of consecutive row blocks joined into one."""
    first = parts[0]
    if isinstance(first, dict):
        return _Result({key: _concatenate([p[key] for p in parts]) for key in first})
    if isinstance(first, list):
        return [item for p in parts for item in p]
    if not isinstance(first, _np.ndarray):  # the same for every block: names, counts, units
        return first
    return _np.concatenate(parts, axis=0)


def _shifted(seeds, start):
    """The stage seeds of the series `start` rows further on (fit_many's rule)."""
    return tuple((s + 2 * start) % 2**32 for s in seeds)


def fit_many(x, Y, *, seed=None, threads=0, **same):
    """harmora.fit_many(x, Y, ...) for a Dask array Y (series x observations), computed by Dask.

    The rows may be chunked as wished; the observations are made one chunk. threads is each
    task's thread count (0: every core of the worker; use 1 with one worker per core). Returns
    the same Result of NumPy arrays as harmora.fit_many. Ctrl-C while Dask's threads compute
    cancels the tasks still running before KeyboardInterrupt goes on.
    """
    Y = _da.asarray(Y).rechunk({1: -1})
    x = _harmora._abscissae(x)[0]  # dates as days, as harmora.fit_many reads them
    seeds = _harmora._stage_seeds(_random.SystemRandom().getrandbits(32) if seed is None else seed)
    starts = _np.concatenate([[0], _np.cumsum(Y.chunks[0])[:-1]])
    task = _dask.delayed(_harmora.fit_many, pure=True)
    cancel = _harmora._harmora.CancelToken()  # reaches this process's threads; a cluster's
    parts = [                                  # workers get a copy of their own
        task(x, block, seed=_shifted(seeds, int(start)), threads=threads, _cancel=cancel, **same)
        for block, start in zip(Y.to_delayed().ravel(), starts)
    ]
    try:
        return _harmora.FitResult(_concatenate(_dask.compute(*parts)))
    except BaseException:
        # Ctrl-C (or a failed task) ends the wait, not the tasks Dask's threads are running:
        # they stop at their next series, and return before the exception goes on.
        cancel.cancel()
        cancel.wait_idle(10.0)
        raise
