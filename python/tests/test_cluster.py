"""harmora.dask and harmora.xarray on a two-worker LocalCluster give fit_many's numbers, also
when a worker dies mid-run."""

import os
import signal
import threading
import time

import numpy as np
import pytest

import harmora

distributed = pytest.importorskip("distributed")
da = pytest.importorskip("dask.array")
xr = pytest.importorskip("xarray")


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None, host="127.0.0.1") as cluster:
        with distributed.Client(cluster) as c:
            yield c


def sample(series=10, n=24):
    rng = np.random.default_rng(3)
    x = np.arange(float(n))
    period = rng.uniform(6, 18, series)[:, None]
    Y = 1.5 * np.sin(2 * np.pi * x / period + 0.4) + 0.1 * rng.standard_normal((series, n))
    Y[1, 4] = np.nan
    return x, Y


@pytest.mark.parametrize("dated", [False, True])
def test_dask_fit_many_equals_fit_many(client, dated):
    x, Y = sample()
    if dated:  # pandas' dates, nanoseconds inside: read as days, as fit_many reads them
        x = np.datetime64("2001-03-01", "ns") + (x * 86400).astype("timedelta64[s]")
    kwargs = dict(harmonics=1, seed=(21, 8), refine=True, threads=1)
    local = harmora.fit_many(x, Y, **kwargs)
    remote = harmora.dask.fit_many(x, da.from_array(Y, chunks=(3, 8)), **kwargs)
    for name in ("A", "B", "C", "period", "period_se", "r2"):
        np.testing.assert_array_equal(remote.refined.model1[name], local.refined.model1[name])
    np.testing.assert_array_equal(remote.seeds, local.seeds)
    assert remote.error == local.error


def test_a_worker_killed_mid_run_changes_no_number(client):
    x, Y = sample(300)
    kwargs = dict(harmonics=2, seed=(4, 9), refine=True, threads=1)
    local = harmora.fit_many(x, Y, **kwargs)
    victim = min(client.run(os.getpid).values())
    killed = []

    def kill_when_busy():  # once the workers have tasks, SIGKILL one of them
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and not any(client.processing().values()):
            time.sleep(0.01)
        time.sleep(0.2)
        os.kill(victim, signal.SIGKILL)
        killed.append(True)

    killer = threading.Thread(target=kill_when_busy, daemon=True)
    killer.start()
    remote = harmora.dask.fit_many(x, da.from_array(Y, chunks=(10, 24)), **kwargs)
    assert killed, "the run ended before a worker was killed"
    killer.join()
    for name in ("A", "period", "period_se", "r2"):
        np.testing.assert_array_equal(remote.refined.model1[name], local.refined.model1[name])
    np.testing.assert_array_equal(remote.seeds, local.seeds)
    client.wait_for_workers(2, timeout=60)  # the nanny's new worker, for the tests after this


def test_xarray_fit_equals_fit_many_in_c_order(client):
    x, Y = sample(12)
    cube = xr.DataArray(Y.reshape(3, 4, -1), dims=("lat", "lon", "time"), coords={"time": x})
    kwargs = dict(harmonics=1, seed=5, threads=1)
    ds = harmora.xarray.fit(cube.chunk({"lat": 2, "lon": 3}), dim="time", **kwargs).compute()
    local = harmora.fit_many(x, Y, **kwargs)
    assert ds["model1_period"].dims == ("lat", "lon", "harmonic")
    for name in ("A", "period"):
        np.testing.assert_array_equal(ds["model2_" + name].values.reshape(12, 1),
                                      local.model2[name])
    np.testing.assert_array_equal(ds["seeds"].values.reshape(12, 2), local.seeds)


def test_xarray_dates_are_days_since_the_first():
    x, Y = sample(2, 36)
    time = np.datetime64("2001-03-01T12:00") + (x * 86400).astype("timedelta64[s]")
    cube = xr.DataArray(Y, dims=("site", "time"), coords={"time": time})
    ds = harmora.xarray.fit(cube, dim="time", harmonics=1, seed=5, threads=1)
    local = harmora.fit_many(x + 0.5, Y, harmonics=1, seed=5, threads=1)
    np.testing.assert_array_equal(ds["model1_period"].values, local.model1["period"])
    assert ds.attrs["x_units"] == "days since 2001-03-01"
