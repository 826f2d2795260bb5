"""harmora.fit_many along one dimension of an xarray DataArray, lazily with Dask when the array
is chunked (xarray.apply_ufunc with dask="parallelized"): for cubes such as time x lat x lon.

    ds = harmora.xarray.fit(da, dim="time", harmonics=1, seed=1, refine=True)
    ds["refined_model1_period"]        # dims (lat, lon, harmonic)

With a distributed.Client open (Client("tcp://scheduler:8786") for a real cluster) ds.compute()
runs on its workers.
"""

import random as _random

import numpy as _np
import xarray as _xr

import harmora as _harmora


def _flat(result, prefix=""):
    """The Result's arrays by flat name (model1_A, refined_model1_r2, ...); strings, the
    covariance matrices and what predict keeps for itself ("_" names) left out."""
    out = {}
    for key, value in result.items():
        if isinstance(value, dict):
            out.update(_flat(value, prefix + key + "_"))
        elif isinstance(value, _np.ndarray) and value.ndim <= 2 and not key.startswith("_"):
            out[prefix + key] = value
    return out


def _fit_block(y, index, x, names, seeds, kwargs):
    """fit_many over a block (..., time); index holds each series' place in the whole array,
    which gives its seeds. Runs of consecutive indices go to fit_many together."""
    lead = y.shape[:-1]
    rows = y.reshape(-1, y.shape[-1])
    index = index.reshape(-1)
    breaks = _np.flatnonzero(_np.diff(index) != 1) + 1
    parts = []
    for run in _np.split(_np.arange(len(index)), breaks):
        if run.size:
            start = int(index[run[0]])
            seed = tuple((s + 2 * start) % 2**32 for s in seeds)
            parts.append(_flat(_harmora.fit_many(x, rows[run], seed=seed, **kwargs)))
    return tuple(
        _np.concatenate([p[name] for p in parts]).reshape(lead + parts[0][name].shape[1:])
        for name in names
    )


def fit(da, dim="time", *, x=None, seed=None, **same):
    """Fits every series of da along dim; returns a Dataset with one variable per result array
    (model1_A, model1_period, ..., refined_model1_period_se, refined_model1_r2, fitted, seeds)
    over da's other dimensions, plus "harmonic" (and "stage" for the seeds).

    x: the abscissae; by default da[dim]'s values: numbers as they are, and dates (datetime64,
    as a time coordinate usually is) as days since 00:00 of the first one, as harmora-fit
    --table reads a date column, so periods come out in days; the Dataset's attrs say which
    ("x_units"). The series are numbered in C order
    over the other dimensions (as da.transpose(..., dim) lays them out), and series i gets the
    seeds of harmora.fit_many's rule, so the numbers equal fit_many on that 2-D array.
    """
    x, units = _harmora._abscissae(da[dim].values if x is None else x)
    seeds = _harmora._stage_seeds(_random.SystemRandom().getrandbits(32) if seed is None else seed)
    others = [d for d in da.dims if d != dim]
    shape = tuple(da.sizes[d] for d in others)
    index = _xr.DataArray(_np.arange(int(_np.prod(shape))).reshape(shape), dims=others,
                          coords={d: da[d] for d in others if d in da.coords})
    if da.chunks is not None:
        index = index.chunk({d: da.chunksizes[d] for d in others})
        da = da.chunk({dim: -1})
    # The names and shapes of the outputs, from a fit of one tiny series.
    probe = _flat(_harmora.fit_many(_np.arange(8.0), _np.sin(_np.arange(8.0))[None], seed=0,
                                    **dict(same, depth=1)))
    names = sorted(probe)
    core = {1: [], 2: ["harmonic"]}
    out_dims = [["stage"] if name == "seeds" else core[probe[name].ndim] for name in names]
    outputs = _xr.apply_ufunc(
        _fit_block, da, index,
        input_core_dims=[[dim], []],
        output_core_dims=out_dims,
        kwargs={"x": x, "names": names, "seeds": seeds, "kwargs": same},
        dask="parallelized",
        output_dtypes=[probe[name].dtype for name in names],
        dask_gufunc_kwargs={"output_sizes": {"harmonic": same.get("harmonics", 1), "stage": 2}},
    )
    ds = _xr.Dataset(dict(zip(names, outputs)))
    if units:
        ds.attrs["x_units"] = units
    return ds
