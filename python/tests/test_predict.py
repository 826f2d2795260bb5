"""A fitted model evaluated at new x: the fit's own values and phases (dates as the fit read
them), the covariance behind the standard errors, and the bands."""

import numpy as np
import pytest

import harmora


def series(n=40, start=0.0, noise=0.05, seed=1):
    rng = np.random.default_rng(seed)
    x = start + np.linspace(0, 20, n)
    y = 2 + 0.01 * (x - start) + np.sin(1.3 * x + 0.4) + noise * rng.standard_normal(n)
    return x, y


@pytest.mark.filterwarnings("ignore:.*constant=True")  # the level fitted by a harmonic
@pytest.mark.parametrize("start,terms", [(0.0, {"constant": False}), (2000.0, {"trend": True}),
                                         (1e6, {})])
def test_predict_gives_the_fitted_values_and_the_errors_come_from_the_covariance(start, terms):
    x, y = series(start=start)
    r = harmora.fit(x, y, seed=3, refine=True, **terms)
    for model, target in ((1, y), (2, y)):
        fitted = r.refined[f"model{model}"]
        residual = target - r.predict(x, model=model)
        assert np.sum(residual ** 2) == pytest.approx(fitted.sse, rel=1e-9)
        errors = dict(zip(fitted.parameters, np.sqrt(np.diag(fitted.covariance))))
        for name, se in errors.items():
            expected = fitted[f"{name}_se"] if name in ("constant", "trend") else \
                fitted[name[0] + "_se"][int(name[1:]) - 1]
            np.testing.assert_allclose(se, expected, rtol=1e-6, err_msg=name)  # NaN: undetermined


def test_dates_are_read_with_the_fits_origin():
    x, y = series(n=60)
    dates = np.datetime64("2001-03-04T06:00") + (x * 86400).astype("timedelta64[s]")
    r = harmora.fit(dates, y, seed=5, trend=True)
    assert r.x_units == "days since 2001-03-04"
    whole = r.predict(dates)
    assert np.sum((y - whole) ** 2) == pytest.approx(r.refined.model1.sse, rel=1e-9)
    pd = pytest.importorskip("pandas")
    later = r.predict(pd.DatetimeIndex(dates[10:]).tz_localize("UTC"))
    np.testing.assert_allclose(later, whole[10:], rtol=1e-12)


def test_bands():
    x, y = series()
    r = harmora.fit(x, y, seed=3)
    new = np.linspace(-5, 25, 31)
    b = r.predict(new, band=0.95)
    assert np.all(b.obs_ci_lower < b.mean_ci_lower) and np.all(b.mean_ci_lower < b.mean)
    assert np.all(b.mean < b.mean_ci_upper) and np.all(b.mean_ci_upper < b.obs_ci_upper)
    wider = r.predict(new, band=0.99)
    assert np.all(wider.mean_ci_upper - wider.mean > b.mean_ci_upper - b.mean)
    # Within the data a new point is known to about t * s (2.03 s at 36 df), the mean far better.
    inside = (new >= 0) & (new <= 20)
    s = np.sqrt(r.refined.model1.sse / r.refined.model1.df)
    half = (b.obs_ci_upper - b.mean)[inside]
    assert np.all(half > 2.03 * s) and np.all(half < 2.03 * 1.15 * s)
    squared = r.predict(new, model=2, band=0.95)
    assert np.all(squared.obs_ci_lower >= 0) and np.all(squared.obs_ci_upper > squared.mean)
    weighted = harmora.fit(x, y, seed=3, sigma=np.full(x.size, 0.05))
    assert np.all(np.isfinite(weighted.predict(new, band=0.95).mean_ci_lower))
    assert np.all(np.isnan(weighted.predict(new, band=0.95).obs_ci_lower))
    assert np.all(np.isfinite(weighted.predict(new, band=0.95, sigma=0.05).obs_ci_lower))
    with pytest.raises(ValueError, match="refine"):
        r.predict(new, band=0.95, refined=False)


def test_fit_many_predicts_each_series_as_fit_does():
    x, y = series()
    Y = np.stack([y, y[::-1]])
    many = harmora.fit_many(x, Y, seed=9, refine=True)
    values = many.predict(x, band=0.9)
    one = harmora.fit(x, Y[1], seed=tuple(many.seeds[1]), refine=True).predict(x, band=0.9)
    assert values.mean.shape == (2, x.size)
    assert values.obs_ci_upper[1].tobytes() == one.obs_ci_upper.tobytes()
    assert many.predict(x, series=1).tobytes() == one.mean.tobytes()
