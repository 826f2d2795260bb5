"""The refinement's optimum against an independent one, on series shaped like measured ones.

Each series is monthly (x in years or in days) or yearly: a level, a trend, an annual cycle with
its harmonic or an 11-year cycle, red noise; n from 60 to 480. harmora.fit fits it with a
constant (model 1, N = 1..5); SciPy then looks for a lower sum of squares of the same model
(a constant plus N sinusoids) by variable projection: the frequencies by
scipy.optimize.least_squares (trust region reflective, in x scaled to [-1, 1], bounded by the
grid's Nyquist frequency), the amplitudes, phases and constant solved linearly, from harmora's
frequencies, from every set of the Lomb-Scargle periodogram's top peaks, from random
frequencies (all at least 1e-3 in u), and at the limits of k frequencies going to 0, where the
constant and those harmonics span a polynomial of degree 2k.
A series counts as reached when harmora's objective is within 1e-6 (relative) of the lowest.

Usage: PYTHONPATH=build-dev/python python3 bench/independent_reach.py [series] [seed] [sizes]
(sizes: the lengths cycled through, comma-separated; 60,120,240,480 unless given)
"""

import itertools
import sys

import numpy as np
from scipy.optimize import least_squares
from scipy.signal import lombscargle

import harmora


def series(rng, n, shape, unit):
    step = {"years": 1 / 12, "days": 365.25 / 12, "rows": 1.0}[unit]
    per_year = {"years": 1.0, "days": 365.25, "rows": 12.0}[unit]
    x = 1960 * (unit == "years") + step * np.arange(n)
    t = np.arange(n) / 12  # years
    red = np.zeros(n)
    for i in range(1, n):
        red[i] = 0.6 * red[i - 1] + rng.normal(0, 0.3)
    level = 300 * rng.uniform(0.5, 1.5)
    trend = rng.uniform(-2, 2) * t
    if shape == "seasonal":
        y = level + trend + 3 * np.sin(2 * np.pi * t + rng.uniform(0, 6)) \
            + 1 * np.sin(4 * np.pi * t + rng.uniform(0, 6))
    else:  # a solar-like cycle, skewed, plus a weak annual one
        phase = 2 * np.pi * t / 11 + rng.uniform(0, 6)
        y = level + trend + 20 * np.abs(np.sin(phase / 2)) ** 1.5 \
            + 0.5 * np.sin(2 * np.pi * t + rng.uniform(0, 6))
    return x, y + red, per_year


# The lowest frequency polished, in u: below it the sine and cosine columns beside the constant
# differ from 1, u and u^2 by less than rounding can resolve, and the sums of squares SciPy
# reports there are rounding, not fit (amplitudes near 1e12 cancel). Lower frequencies are
# covered by their limit, the polynomial they tend to, solved as such.
kLow = 1e-3


class Problem:
    """y ~ c + sum a_k sin(w_k u) + b_k cos(w_k u) with u = (x - centre) / scale."""

    def __init__(self, x, y):
        self.centre, self.scale = (x.max() + x.min()) / 2, (x.max() - x.min()) / 2
        self.u, self.y = (x - self.centre) / self.scale, y
        self.top = np.pi / np.median(np.diff(x)) * self.scale  # the grid's Nyquist, in u

    def design(self, w, degree=0):
        cols = [self.u**k for k in range(degree + 1)]
        for f in w:
            cols += [np.sin(f * self.u), np.cos(f * self.u)]
        return np.column_stack(cols)

    def residual(self, w, degree=0):
        a = self.design(w, degree)
        coef, *_ = np.linalg.lstsq(a, self.y, rcond=None)
        return self.y - a @ coef

    def sse(self, w, degree=0):
        r = self.residual(w, degree)
        return float(r @ r)

    def polish(self, w):
        w = np.clip(np.asarray(w, float), kLow, self.top)
        fit = least_squares(self.residual, w, bounds=(kLow, self.top), method="trf",
                            x_scale="jac", xtol=1e-15, ftol=1e-15, gtol=1e-15, max_nfev=400)
        return self.sse(fit.x), fit.x


def best_independent(p, n_harm, ours, rng, random_starts):
    best, source = (p.sse(ours) if len(ours) else np.inf), "harmora's frequencies"
    starts = [ours]
    grid = np.linspace(p.top / 2000, p.top, 4000)
    power = lombscargle(p.u, p.y - p.y.mean(), grid)
    peaks = [grid[i] for i in range(1, len(grid) - 1)
             if power[i] >= power[i - 1] and power[i] >= power[i + 1]]
    peaks = sorted(peaks, key=lambda w: -power[np.searchsorted(grid, w)])[:8]
    starts += [list(c) for c in itertools.combinations(peaks, n_harm)][:60]
    starts += [rng.uniform(0, p.top, n_harm) for _ in range(random_starts)]
    for j, w in enumerate(starts):
        value, _ = p.polish(w)
        if value < best:
            best, source = value, "start %d of %d" % (j, len(starts))
    # k frequencies gone to 0 beside the constant span, in the limit, a polynomial of degree 2k:
    # the objective's infimum there, the other frequencies polished beside it.
    for low in range(1, n_harm + 1):
        limit = np.inf
        for w in starts[:20]:
            rest = np.clip(sorted(w, reverse=True)[: n_harm - low], kLow, p.top)
            if len(rest):
                fit = least_squares(lambda v: p.residual(v, 2 * low), rest, bounds=(kLow, p.top),
                                    xtol=1e-15, ftol=1e-15, gtol=1e-15)
                rest = fit.x
            limit = min(limit, p.sse(rest, 2 * low))
        if limit < best:
            best, source = limit, "limit of %d frequencies -> 0" % low
    return best, source


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 12
    rng = np.random.default_rng(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    sizes = [int(v) for v in sys.argv[3].split(",")] if len(sys.argv) > 3 else [60, 120, 240, 480]
    reached = total = 0
    for s in range(count):
        shape = ("seasonal", "cycle")[s % 2]
        unit = ("years", "days", "rows")[s % 3]
        n = sizes[s % len(sizes)]
        x, y, _ = series(rng, n, shape, unit)
        p = Problem(x, y)
        for n_harm in range(1, 6):
            r = harmora.fit(x, y, harmonics=n_harm, constant=True, seed=s + 1)
            m = r.refined.model1
            ours_sse = float(np.sum((y - model_values(m, x)) ** 2))
            ours_w = np.sort(np.asarray(m.B) * p.scale)
            best, source = best_independent(p, n_harm, ours_w, rng, 40)
            gap = (ours_sse - best) / best
            ok = gap <= 1e-6
            reached += ok
            total += 1
            if not ok:
                print("gap %-8s %-5s n=%3d N=%d: harmora %.9g, independent %.9g (%.2e, %s);"
                      " harmora's B %s" % (shape, unit, n, n_harm, ours_sse, best, gap, source,
                                           np.array2string(np.asarray(m.B), precision=5)),
                      flush=True)
    print("reached %d of %d (%.1f %%)" % (reached, total, 100 * reached / total))


def model_values(m, x):
    return m.constant + sum(a * np.sin(b * x + c) for a, b, c in zip(m.A, m.B, m.C))


if __name__ == "__main__":
    main()
