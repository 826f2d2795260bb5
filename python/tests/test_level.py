"""A level fitted by default, a warning where a fit without it parks a harmonic on the level, and
a DataFrame's columns fitted as series."""

import warnings

import numpy as np
import pytest

import harmora


def hourly(level, n=240, seed=1):
    rng = np.random.default_rng(seed)
    x = np.arange(n) / 24.0  # days
    return x, level + 2 * np.sin(2 * np.pi * x + 1) + 0.3 * rng.standard_normal(n)


def caught(call):
    with warnings.catch_warnings(record=True) as seen:
        warnings.simplefilter("always")
        result = call()
    return result, [str(w.message) for w in seen if "autocorrelated" not in str(w.message)]


@pytest.mark.parametrize("level,kwargs,period,warned", [
    (15.0, {}, 1.0, None),                    # the default fits the level and finds the day
    (15.0, {"constant": False}, None, "harmonic 1"),
    (0.0, {"constant": False}, 1.0, None),    # no level: nothing to say
    (15.0, {"constant": False, "trend": True}, None, "harmonic 1"),
])
def test_a_level_is_fitted_or_warned_of(level, kwargs, period, warned):
    x, y = hourly(level)
    for many in (False, True):
        fit = (lambda: harmora.fit_many(x, np.stack([y, y]), seed=2, **kwargs)) if many else \
            (lambda: harmora.fit(x, y, seed=2, **kwargs))
        r, texts = caught(fit)
        assert len(texts) == (warned is not None), texts
        if warned:
            assert warned in texts[0] and "constant=True" in texts[0]
            assert texts[0].startswith("2 of 2 series") == many
        if period:
            found = r.refined.model1.period if "refined" in r else r.model1.period
            np.testing.assert_allclose(np.ravel(found), period, rtol=1e-3)


def test_fit_many_takes_a_dataframe_s_columns_as_series():
    pd = pytest.importorskip("pandas")
    x, y = hourly(15.0, n=96)
    frame = pd.DataFrame({"hours": x * 24, "a": y, "flag": y > 15, "b": y[::-1],
                          "c": pd.Series(np.where(np.arange(x.size) == 3, np.nan, y),
                                         dtype="Float64")})
    Y = np.stack([y, y[::-1], np.where(np.arange(x.size) == 3, np.nan, y)])
    want = harmora.fit_many(x * 24, Y, seed=4)
    by_column = harmora.fit_many("hours", frame, seed=4)
    by_index = harmora.fit_many(frame.set_index("hours"), seed=4)
    for got in (by_column, by_index):
        assert got.series == ["a", "b", "c"]
        assert got.refined.model1.period.tobytes() == want.refined.model1.period.tobytes()
        assert got.count.tolist() == [96, 96, 95]
    assert by_index.predict(x, series="b").tobytes() == want.predict(x, series=1).tobytes()
    with pytest.raises(ValueError, match="no column 'time'"):
        harmora.fit_many("time", frame)
