"""The residuals' autocorrelation and the Newey-West errors against a plain NumPy computation of
the same linear fit (known period, constant, trend), where the parameters need no search."""

import numpy as np
import pytest

import harmora


def ar1(n, rho, seed):
    rng = np.random.default_rng(seed)
    e = rng.standard_normal(n)
    for t in range(1, n):
        e[t] += rho * e[t - 1]
    return e


@pytest.mark.parametrize("rho", [0.0, 0.7])
def test_hac_errors_are_newey_wests_with_the_stated_lags(rho):
    n, period = 200, 20.0
    x = np.arange(n, dtype=float)
    y = 3 + 0.01 * x + np.sin(2 * np.pi * x / period + 1) + 0.5 * ar1(n, rho, 4)
    r = harmora.fit(x, y, harmonics=1, periods=[period], trend=True, errors="hac")
    X = np.column_stack([np.sin(2 * np.pi * x / period), np.cos(2 * np.pi * x / period),
                         np.ones(n), x])
    beta, *_ = np.linalg.lstsq(X, y, rcond=None)
    e = y - X @ beta
    lag1 = e[1:] @ e[:-1] / (e @ e)
    r1 = min(abs(lag1), 0.97)
    lags = min(int(np.ceil(1.1447 * (4 * r1**2 / (1 - r1**2) ** 2 * n) ** (1 / 3))), n // 4)
    g = X * e[:, None]
    meat = g.T @ g
    for lag in range(1, lags + 1):
        gamma = g[lag:].T @ g[:-lag]
        meat += (1 - lag / (lags + 1)) * (gamma + gamma.T)
    bread = np.linalg.inv(X.T @ X)
    hac = n / (n - 4) * bread @ meat @ bread
    m = r.refined.model1
    np.testing.assert_allclose(m.lag1_autocorrelation, lag1, rtol=1e-9)
    np.testing.assert_allclose(m.durbin_watson, np.sum(np.diff(e) ** 2) / (e @ e), rtol=1e-9)
    assert m.hac_lags == lags
    np.testing.assert_allclose([m.constant_se, m.trend_se], np.sqrt(np.diag(hac))[2:], rtol=1e-6)
    assert any("autocorrelated" in note for note in m.notes) == (rho > 0)
