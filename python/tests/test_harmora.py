"""The package against the command-line tool and against itself: the same seeds give the same
bits as harmora-fit, fit_many is fit per series whatever the threads, and what is refused."""

import json
import os
import subprocess

import numpy as np
import pytest

import harmora

TOOL = os.environ.get("HARMORA_FIT", "harmora-fit")


def tones(n, shift=0.0):
    x = 0.5 * np.arange(n)
    return x, 2 * np.sin(0.45 * x + 0.3 + shift) + 0.7 * np.sin(1.35 * x + 1)


def numbers(value):
    """JSON's numbers (null as NaN) as an array of doubles: read back exactly."""
    return np.array([np.nan if v is None else v for v in np.atleast_1d(value)], dtype=float)


def same_bits(a, b):
    a, b = np.atleast_1d(np.asarray(a, dtype=float)), np.atleast_1d(np.asarray(b, dtype=float))
    return a.shape == b.shape and a.tobytes() == b.tobytes()


@pytest.mark.parametrize("harmonics,seed,refine,models", [
    (1, 7, False, (1, 2)), (3, (11, 4000000000), True, (1, 2)), (3, 8, 0.004, (1, 2)),
    (2, 5, True, 1), (2, 5, True, 2)])
def test_fit_gives_the_bits_of_harmora_fit(tmp_path, harmonics, seed, refine, models):
    """refine: True, or a refine_budget (--refine-budget), which implies it; models: one model
    alone as --model gives it, the other absent."""
    x, y = tones(23)
    path = tmp_path / "tones.txt"
    path.write_text("".join(f"{a!r} {b!r}\n" for a, b in zip(x, y)))
    seeds = (seed, seed + 1) if isinstance(seed, int) else seed
    args = [TOOL, "--format", "json", "-n", str(harmonics), "--seed", "%d,%d" % seeds,
            "--model", "both" if models == (1, 2) else str(models), "--constant", str(path)]
    budget = None if isinstance(refine, bool) else refine
    args += ["--refine"] if budget is None else ["--refine-budget", str(budget)]
    line = subprocess.run(args if refine else args[:-1], capture_output=True, check=True,
                          timeout=120).stdout
    cli = json.loads(line)
    r = harmora.fit(x, y, harmonics=harmonics, seed=seed, refine=refine is True,
                    refine_budget=budget, models=models)
    if budget:
        assert r.refined.model1.termination == "start cap reached"
    assert r.seeds == tuple(cli["seeds"]) == seeds
    assert same_bits(r.min_period, cli["min_period"])
    names = [f"model{n}" for n in r.model_numbers()]
    assert names == [m for m in ("model1", "model2") if m in cli]
    pairs = [(r[m], cli[m]) for m in names]
    assert ("refined" in r) == ("refined" in cli)
    if "refined" in r:
        assert sorted(r.refined) == sorted(cli["refined"])
        pairs += [(r.refined[m], cli["refined"][m]) for m in names]
    for ours, theirs in pairs:
        for key in ("A", "B", "C", "relative_deviation", "residual"):
            assert same_bits(ours[key], numbers(theirs[key])), key
        if "se" in theirs:
            for key in ("A", "B", "C"):
                assert same_bits(ours[key + "_se"], numbers(theirs["se"][key])), key
            for key in ("r2", "rmse", "aic", "bic", "df", "false_alarm"):
                assert same_bits(ours[key], numbers(theirs[key])), key
            assert same_bits(ours.harmonic_false_alarm, numbers(theirs["harmonic_false_alarm"]))
            # harmora-fit's notes, then the residuals' autocorrelation where large
            assert ours.notes[:len(theirs["notes"])] == theirs["notes"]
            assert ours.termination == theirs["termination"]


def test_compare_counts_gives_harmora_fits_table(tmp_path):
    x, y = tones(40)
    y = y + 0.1 * np.sin(7.3 * np.arange(40) ** 2)
    path = tmp_path / "tones.txt"
    path.write_text("".join(f"{a!r} {b!r}\n" for a, b in zip(x, y)))
    args = [TOOL, "--format", "json", "-n", "3", "--seed", "5,6", "--compare-counts", "--constant",
            str(path)]
    cli = json.loads(subprocess.run(args, capture_output=True, check=True, timeout=120).stdout)
    ours = harmora.compare_counts(x, y, harmonics=3, seed=(5, 6))
    for m in ("model1", "model2"):
        theirs = cli["harmonic_counts"][m]
        for key in ("sse", "bic", "f_test_p", "false_alarm"):
            assert same_bits(ours[m][key], numbers([row[key] for row in theirs["rows"]])), key
        assert ours[m]["recommended"] == theirs["recommended"]
    assert ours["model1"]["recommended"] == 2


def test_fit_many_is_fit_per_series_whatever_the_threads():
    x, _ = tones(24)
    Y = np.stack([tones(24, shift)[1] for shift in np.linspace(0, 3, 7)])
    Y[2, [0, 5, 9]] = np.nan   # missing observations are left out
    Y[4, 3:] = np.nan          # 3 pairs left: not fitted, the others are
    one = harmora.fit_many(x, Y, harmonics=2, seed=(5, 77), refine=True, threads=1)
    two = harmora.fit_many(x, Y, harmonics=2, seed=(5, 77), refine=True, threads=2)
    assert one.fitted.tolist() == [True] * 4 + [False] + [True] * 2
    assert "at least 4" in one.error[4] and one.error[0] == ""
    assert one.model1.A.shape == one.refined.model2.period_se.shape == (7, 2)
    for name in ("A", "B", "C", "period", "period_se", "r2"):
        assert same_bits(one.refined.model1[name], two.refined.model1[name]), name
    for i in (0, 2, 6):
        assert tuple(one.seeds[i]) == (5 + 2 * i, 77 + 2 * i)
        keep = np.isfinite(Y[i])
        alone = harmora.fit(x[keep], Y[i, keep], harmonics=2, seed=tuple(one.seeds[i]),
                            refine=True)
        for name in ("A", "B", "C"):
            assert same_bits(alone.model2[name], one.model2[name][i]), name
            assert same_bits(alone.refined.model1[name], one.refined.model1[name][i]), name


@pytest.mark.parametrize("trend,absolute", [(False, False), (True, False), (True, True)])
def test_known_periods_with_sigma_are_weighted_least_squares(trend, absolute):
    # The linear fit against NumPy's weighted least squares, with scipy's covariance rule: scaled
    # by the reduced chi2 unless the sigma are absolute.
    rng = np.random.default_rng(3)
    x = np.sort(rng.uniform(0, 60, 40))
    sigma = rng.uniform(0.2, 2, x.size)
    y = 15 + 0.02 * x + 3 * np.sin(2 * np.pi * x / 12 + 1) + sigma * rng.normal(size=x.size)
    b = 2 * np.pi / 12
    columns = [np.sin(b * x), np.cos(b * x), np.ones_like(x)] + ([x] if trend else [])
    design = np.stack(columns, axis=1) / sigma[:, None]
    beta, chi2 = np.linalg.lstsq(design, y / sigma, rcond=None)[:2]
    covariance = np.linalg.inv(design.T @ design)
    if not absolute:
        covariance *= chi2[0] / (x.size - design.shape[1])
    r = harmora.fit(x, y, periods=[12], constant=True, trend=trend, sigma=sigma,
                    absolute_sigma=absolute).refined.model1
    amplitude = np.hypot(beta[0], beta[1])
    gradient = np.array([beta[0], beta[1]]) / amplitude
    assert r.termination == "linear least squares"
    assert r.A[0] == pytest.approx(amplitude, rel=1e-9)
    assert r.C[0] == pytest.approx(np.arctan2(beta[1], beta[0]) % (2 * np.pi), rel=1e-9)
    assert r.A_se[0] == pytest.approx(np.sqrt(gradient @ covariance[:2, :2] @ gradient), rel=1e-6)
    assert r.chi2 == pytest.approx(chi2[0], rel=1e-9)
    assert r.period_se[0] == 0
    assert r.constant == pytest.approx(beta[2], rel=1e-9)
    assert r.constant_se == pytest.approx(np.sqrt(covariance[2, 2]), rel=1e-6)
    if trend:
        assert r.trend == pytest.approx(beta[3], rel=1e-9)
        assert r.trend_se == pytest.approx(np.sqrt(covariance[3, 3]), rel=1e-6)
    many = harmora.fit_many(x, y[None], periods=[12], constant=True, trend=trend, sigma=sigma,
                            absolute_sigma=absolute)
    assert same_bits(many.refined.model1.A_se[0], r.A_se)


@pytest.mark.parametrize("kwargs,error", [
    (dict(periods=[1.0] * 6), ValueError),
    (dict(periods=[-12.0]), ValueError),
    (dict(sigma=-1.0), ValueError),
    (dict(sigma=np.ones(5)), ValueError),
    (dict(harmonics=6), ValueError),
    (dict(seed=2**32), ValueError),
    (dict(seed=(1, 2, 3)), TypeError),
    (dict(refine_budget=0), ValueError),
    (dict(refine_budget=1001), ValueError),
])
def test_refused_requests(kwargs, error):
    x, y = tones(24)
    with pytest.raises(error):
        harmora.fit(x, y, **kwargs)
    with pytest.raises(error):
        harmora.fit_many(x, y[None], **kwargs)


def test_more_than_the_window_s_hundred_are_fitted():
    x, y = tones(1000)
    one = harmora.fit(x, y, harmonics=2, seed=5)
    many = harmora.fit_many(x, y[None], harmonics=2, seed=5)
    assert one.count == 1000 and many.count[0] == 1000
    assert np.allclose(np.sort(one.model1.B), [0.45, 1.35], rtol=1e-3)


def test_progress_cancels_and_passes_its_exception_on():
    x, y = tones(24)
    Y = np.tile(y, (40, 1))
    seen = []

    def stop_after_three(stage, fraction):
        seen.append((stage, fraction))
        return len(seen) < 3

    r = harmora.fit_many(x, Y, seed=1, threads=1, progress=stop_after_three)
    assert seen[0][0] == "series" and r.fitted.sum() == 3 and r.error[-1] == "cancelled"

    def fail(stage, fraction):
        raise KeyError("from the callback")

    with pytest.raises(KeyError, match="from the callback"):
        harmora.fit(x, y, seed=1, refine=True, progress=fail)
    refine_stages = []
    r = harmora.fit(x, y, seed=1, refine=True,
                    progress=lambda stage, f: refine_stages.append(stage) or stage != "refine")
    assert "refine" in refine_stages and r.cancelled
    assert r.refined.model1.termination == "cancelled"


def test_dates_are_days_since_the_first():
    days = np.arange(0.0, 40.0) * 7 + 0.25
    dates = np.datetime64("2020-06-01") + (days * 86400).astype("timedelta64[s]")
    y = np.sin(2 * np.pi * days / 60)
    by_date = harmora.fit(dates, y, harmonics=1, seed=3)
    by_day = harmora.fit(days, y, harmonics=1, seed=3)
    np.testing.assert_array_equal(by_date.model1["period"], by_day.model1["period"])


def test_climate_model_calendars_count_days_in_their_calendar():
    import cftime  # xarray's CFTimeIndex holds these for noleap and 360_day model output
    months = [cftime.Datetime360Day(2000 + m // 12, m % 12 + 1, 1) for m in range(48)]
    y = np.sin(2 * np.pi * np.arange(48) / 12)
    got = harmora.fit(months, y, harmonics=1, seed=3, refine=True)
    np.testing.assert_allclose(got.refined.model1["period"], 360, rtol=1e-9)


# Arrays read from an archive without its conventions are fitted as given, with a warning.
@pytest.mark.parametrize("x, y, warned", [
    (185001 + np.arange(30) // 12 * 100 + np.arange(30) % 12, np.sin(np.arange(30.0)), "YYYYMM"),
    (np.arange(30.0), np.where(np.arange(30) % 9 == 4, -99.99, 310 + np.arange(30.0)), "-99.99"),
    (np.arange(30.0) + 1990, np.where(np.arange(30) % 9 == 4, -9, np.arange(30.0) % 7 - 12),
     None),
])
def test_dates_as_integers_and_missing_codes_are_warned(x, y, warned):
    import warnings
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        harmora.fit(np.asarray(x, dtype=float), y, harmonics=1, seed=1)
    texts = [str(w.message) for w in caught if "autocorrelated" not in str(w.message)]
    assert len(texts) == (0 if warned is None else 1)
    if warned:
        assert ("%Y%m" if warned == "YYYYMM" else warned) in texts[0]


def test_dates_as_pandas_and_python_hold_them_and_missing_pairs():
    import pandas as pd
    days = np.arange(0.0, 40.0) * 7 + 0.25
    instants = pd.Timestamp("2020-06-01") + pd.to_timedelta(days, unit="D")
    y = np.sin(2 * np.pi * days / 60)
    want = harmora.fit(days, y, harmonics=1, seed=3, refine=True).refined.model1["period"]
    holed_y = np.insert(y, 5, np.nan)
    holed_x = np.insert(days, 5, 36.0)
    for x, yy in [
        (pd.Series(instants.tz_localize("Europe/Moscow")), y),
        (pd.DatetimeIndex(instants).tz_localize("UTC"), y),
        (list(instants.to_pydatetime()), y),
        ([str(t) for t in instants], y),  # ISO 8601 text
        (pd.to_timedelta(days, unit="D"), y),  # durations, in days
        (pd.Series(holed_x), pd.Series(holed_y, dtype="Float64")),  # pd.NA where NaN was
        (holed_x, holed_y),
        # netCDF4's masked arrays: the fill value under the mask is no observation
        (holed_x, np.ma.masked_array(np.insert(y, 5, 9.96921e36), mask=np.arange(41) == 5)),
    ]:
        got = harmora.fit(x, yy, harmonics=1, seed=3, refine=True)
        assert got.count == days.size
        np.testing.assert_allclose(got.refined.model1["period"], want, rtol=1e-9)
    months = pd.period_range("2000-01", periods=48, freq="M")
    ym = np.sin(2 * np.pi * np.arange(48) / 12)
    by_period = harmora.fit(months, ym, harmonics=1, seed=3).model1["period"]
    np.testing.assert_array_equal(
        by_period, harmora.fit(months.to_timestamp(), ym, harmonics=1, seed=3).model1["period"])
    with pytest.raises(ValueError, match="ISO 8601"):
        harmora.fit(["a", "b", "c", "d"], [1.0, 2.0, 3.0, 4.0])
