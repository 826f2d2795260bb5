"""How often the refined 95 % intervals hold the truth when the noise is AR(1), with the
ordinary errors and with errors="hac" (Newey-West). Each draw: n daily values of a level, a
trend and one cycle (period 60 days, amplitude 1, random phase), searched, plus AR(1) noise of
lag-1 correlation rho scaled to a marginal standard deviation of 0.5. Per rho: the share of true
trends, periods and constants inside their 95 % intervals, and the median ratio of the HAC to the
ordinary trend error.

Usage: PYTHONPATH=build-dev/python python3 bench/hac_coverage.py [draws] [n] [seed]
"""

import sys
import warnings

import numpy as np

import harmora


def ar1(rng, draws, n, rho):
    e = rng.standard_normal((draws, n))
    for t in range(1, n):
        e[:, t] = rho * e[:, t - 1] + np.sqrt(1 - rho * rho) * e[:, t]
    return e


def covered(model, truth):
    lower, upper = np.asarray(model[truth[0] + "_lower"]), np.asarray(model[truth[0] + "_upper"])
    if lower.ndim == 2:
        lower, upper = lower[:, 0], upper[:, 0]
    return np.mean((lower <= truth[1]) & (truth[1] <= upper))


def main():
    draws = int(sys.argv[1]) if len(sys.argv) > 1 else 400
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    rng = np.random.default_rng(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    x = np.arange(n, dtype=float)
    level, trend, period = 2.0, 0.003, 60.0
    print(f"n = {n}, {draws} draws per rho; coverage of the 95 % intervals, ordinary / HAC")
    print("| rho | trend | period | constant | HAC lags (median) | HAC / ordinary trend error |")
    print("|---|---|---|---|---|---|")
    for rho in (0.0, 0.3, 0.6, 0.8, 0.9):
        phase = rng.uniform(-np.pi, np.pi, (draws, 1))
        Y = level + trend * x + np.sin(2 * np.pi * x / period + phase) + 0.5 * ar1(rng, draws, n, rho)
        fits = {}
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # the autocorrelation's warning, expected here
            for errors in ("ordinary", "hac"):
                fits[errors] = harmora.fit_many(x, Y, harmonics=1, trend=True, seed=7,
                                                errors=errors).refined.model1
        cells = []
        for truth in (("trend", trend), ("period", period), ("constant", level)):
            cells.append(" / ".join(f"{100 * covered(fits[e], truth):.1f}" for e in fits))
        ratio = np.nanmedian(fits["hac"]["trend_se"] / fits["ordinary"]["trend_se"])
        lags = np.median(fits["hac"]["hac_lags"])
        print(f"| {rho} | " + " | ".join(cells) + f" | {lags:.0f} | {ratio:.2f} |", flush=True)


if __name__ == "__main__":
    main()
