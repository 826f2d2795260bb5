"""harmora-fit --table --refine --constant on CSV files shaped like measured series, against an
independent least-squares optimum.

usage: /usr/bin/python3 bench/real_series_check.py HARMORA-FIT... [--dir DIRECTORY] [--starts S]
                                                  [--file co2|sunspots|airline|temperature|flow]

Writes five tables as a user would have them (pandas' to_csv with its index and a date column, a
column of years, decimal years, a row number) into DIRECTORY (default: a temporary one): a CO2-like
monthly series, yearly sunspot-like cycles, airline-like multiplicative seasonality, monthly
temperatures in decimal years, a monthly river flow. Each is fitted with -n 1..5 and its refined
objective (JSON `residual`) compared with the lowest this script finds: numpy only (SVD least
squares, Levenberg-Marquardt on the frequencies with finite differences), S starts (default 30:
periodogram peaks, uniform, one low, greedy; and one low beside the strongest peaks) for each structure of the model's closure, where harmonics may merge (a frequency of multiplicity
m spans u^p sin, u^p cos for p < m) and go to 0 (with the constant, z such harmonics span a
polynomial of degree 2z), in u = x centred and scaled to [-1, 1], frequencies up to pi over the
median spacing; each candidate's objective summed in long double. Prints one line per file, N and
model: this script's optimum, each program's
relative gap to it (negative: below it), and the structure of that optimum.
"""

import json
import os
import subprocess
import sys
import tempfile

import numpy as np
import pandas as pd


def partitions(n, largest=None):
    if n == 0:
        yield ()
        return
    largest = largest or n
    for m in range(min(n, largest), 0, -1):
        for rest in partitions(n - m, m):
            yield (m,) + rest


def design(u, omegas, mults, zeros):
    cols = [u**p for p in range(2 * zeros + 1)]
    for w, m in zip(omegas, mults):
        s, c = np.sin(w * u), np.cos(w * u)
        for p in range(m):
            cols += [u**p * s, u**p * c]
    return np.column_stack(cols)


def residual(u, t, omegas, mults, zeros):
    d = design(u, omegas, mults, zeros)
    beta = np.linalg.lstsq(d, t, rcond=None)[0]
    return t - d @ beta


def exact_objective(u, t, omegas, mults, zeros):
    """The objective of the least-squares coefficients, summed in long double: near a limit the
    coefficients reach 1e10 and more, and in doubles their residuals can come out 1e-5 low."""
    beta = np.linalg.lstsq(design(u, omegas, mults, zeros), t, rcond=None)[0]
    d = design(u.astype(np.longdouble), np.asarray(omegas, np.longdouble), mults, zeros)
    r = t.astype(np.longdouble) - d @ beta.astype(np.longdouble)
    return float(r @ r)


def levenberg_marquardt(u, t, omegas, mults, zeros, top, iterations=60):
    w = np.array(omegas, float)
    r = residual(u, t, w, mults, zeros)
    f = r @ r
    damping = 1e-3
    for _ in range(iterations):
        if len(w) == 0:
            break
        jac = np.empty((len(u), len(w)))
        for k in range(len(w)):
            h = 1e-6 * max(1.0, abs(w[k]))
            up, down = w.copy(), w.copy()
            up[k] += h
            down[k] -= h
            jac[:, k] = (residual(u, t, up, mults, zeros) - residual(u, t, down, mults, zeros)) / (
                2 * h
            )
        g, h2 = jac.T @ r, jac.T @ jac
        improved = False
        while damping < 1e10:
            step = np.linalg.solve(h2 + damping * np.diag(np.maximum(np.diag(h2), 1e-12)), -g)
            wn = np.clip(np.abs(w + step), 0, top)
            rn = residual(u, t, wn, mults, zeros)
            fn = rn @ rn
            if fn < f:
                improved = True
                break
            damping *= 4
        if not improved:
            break
        damping = max(damping / 3, 1e-12)
        done = f - fn < 1e-14 * f
        w, r, f = wn, rn, fn
        if done:
            break
    return f, w


def peaks(u, t, top, count=12):
    grid = np.linspace(0.05, top, 4000)
    p = np.abs(np.exp(1j * np.outer(grid, u)) @ (t - t.mean()))
    idx = [i for i in range(1, len(grid) - 1) if p[i] >= p[i - 1] and p[i] >= p[i + 1]]
    idx.sort(key=lambda i: -p[i])
    return grid[idx[:count]]


def optimum(x, y, harmonics, kind, starts, seed=0):
    """The lowest objective over every structure of the closure, and that structure."""
    t = np.sqrt(np.maximum(y, 0)) if kind == 2 else np.asarray(y, float)
    x = np.asarray(x, float)
    centre, scale = (x.min() + x.max()) / 2, (x.max() - x.min()) / 2
    u = (x - centre) / scale
    top = np.pi / np.median(np.diff(np.sort(u)))
    rng = np.random.default_rng(seed)
    best = (np.inf, None)

    def keep(w, mults, zeros):
        nonlocal best
        f = exact_objective(u, t, w, mults, zeros)
        if f < best[0]:
            best = (f, (zeros, mults, np.round(np.sort(w), 4).tolist()))

    quadratic = design(u, [], [], 1)
    cycles = peaks(u, t - quadratic @ np.linalg.lstsq(quadratic, t, rcond=None)[0], top)
    for zeros in range(harmonics + 1):
        poly = design(u, [], [], zeros)  # the polynomial out first: the peaks are the cycles'
        pk = peaks(u, t - poly @ np.linalg.lstsq(poly, t, rcond=None)[0], top)
        for mults in partitions(harmonics - zeros):
            k = len(mults)
            for low in np.geomspace(0.02, 3, 8) if k else []:  # a long cycle beside the peaks
                f, w = levenberg_marquardt(u, t, [low] + list(cycles[: k - 1]), mults, zeros, top)
                keep(w, mults, zeros)
            for s in range(starts if k else 1):
                if s % 4 == 3:  # greedy: each component at a peak of what the others leave
                    w = []
                    for j in range(k):
                        left = residual(u, t, w, mults[:j], zeros)
                        w.append(rng.choice(peaks(u, left, top, 3)))
                        f, w = levenberg_marquardt(u, t, w, mults[: j + 1], zeros, top)
                        w = list(w)
                    keep(w, mults, zeros)
                    continue
                if s % 2 == 0 and len(pk) >= k:
                    w0 = rng.choice(pk[: max(k + 3, 2 * k)], size=k, replace=False)
                    w0 = w0 + rng.normal(0, 0.05, k)
                else:
                    w0 = rng.uniform(0.1, top, k)
                if k and s % 3 == 2:  # one component at a low frequency: a long cycle, a trend
                    w0[rng.integers(k)] = np.exp(rng.uniform(np.log(0.01), np.log(6.0)))
                f, w = levenberg_marquardt(u, t, list(np.abs(w0)), mults, zeros, top)
                keep(w, mults, zeros)
    return best


def tables(directory):
    """The five CSV files: name -> (path, x as harmora reads it, y)."""
    rng = np.random.default_rng(20261210)
    out = {}

    def red(n, phi, sigma):
        e, v = np.empty(n), 0.0
        for i in range(n):
            v = phi * v + sigma * rng.standard_normal()
            e[i] = v
        return e

    n = 240  # monthly CO2-like: level, accelerating trend, annual and half-year cycles
    dates = pd.date_range("1958-03-01", periods=n, freq="MS")
    t = np.arange(n) / 12
    co2 = 315 + 0.8 * t + 0.012 * t**2 + 3 * np.sin(2 * np.pi * t + 1)
    co2 += 0.8 * np.sin(4 * np.pi * t + 2) + red(n, 0.5, 0.25)
    out["co2"] = (pd.DataFrame({"date": dates, "co2": co2.round(2)}), (dates - dates[0]).days)

    n = 270  # yearly sunspot-like: fast rise, slow decay, each cycle its own height
    years = np.arange(1749, 1749 + n)
    phase = (years - 1749 + 0.4 * np.sin(2 * np.pi * (years - 1749) / 95)) / 11.1 + 0.3
    heights = 60 + 120 * rng.random(40)
    c = phase % 1
    shape = np.where(c < 0.4, np.sin(np.pi / 2 * c / 0.4) ** 2, np.cos(np.pi / 2 * (c - 0.4) / 0.6) ** 2)
    spots = np.maximum(heights[phase.astype(int)] * shape + 8 * rng.standard_normal(n), 0)
    out["sunspots"] = (pd.DataFrame({"year": years, "spots": spots.round(1)}), years)

    n = 144  # airline-like: growth times a seasonal pattern
    months = pd.date_range("1949-01-01", periods=n, freq="MS")
    t = np.arange(n) / 12
    pax = 110 * np.exp(0.12 * t) * (1 + 0.15 * np.sin(2 * np.pi * t - 1.4)
                                   + 0.06 * np.sin(4 * np.pi * t + 0.5))
    pax *= 1 + red(n, 0.4, 0.02)
    out["airline"] = (pd.DataFrame({"Month": months, "Passengers": pax.round()}),
                      (months - months[0]).days)

    n = 480  # monthly temperatures at mid-month in decimal years: annual cycle, slow warming
    time = 1950 + (np.arange(n) + 0.5) / 12
    temp = 9 + 0.015 * (time - 1950) + 8 * np.sin(2 * np.pi * (time - 1950) - 1.9)
    temp += 0.6 * np.sin(4 * np.pi * (time - 1950)) + red(n, 0.3, 0.9)
    out["temperature"] = (pd.DataFrame({"time": time.round(4), "temp": temp.round(2)}),
                          time.round(4))

    n = 360  # monthly river flow, skewed: log-normal around an annual cycle, a slow decline
    t = np.arange(n) / 12
    flow = np.exp(4 + 0.8 * np.sin(2 * np.pi * t + 0.7) - 0.005 * t + red(n, 0.6, 0.25))
    out["flow"] = (pd.DataFrame({"row": np.arange(1, n + 1), "flow": flow.round(1)}),
                   np.arange(1, n + 1))

    files = {}
    for name, (frame, x) in out.items():
        path = os.path.join(directory, name + ".csv")
        frame.to_csv(path)  # with pandas' nameless index column first, as to_csv writes it
        files[name] = (path, np.asarray(x, float), frame.iloc[:, 1].to_numpy(float))
    return files


def main():
    args = sys.argv[1:]
    options = {"--starts": "30", "--dir": "", "--file": ""}
    for key in options:
        if key in args:
            i = args.index(key)
            options[key] = args[i + 1]
            del args[i : i + 2]
    starts, directory = int(options["--starts"]), options["--dir"] or tempfile.mkdtemp()
    os.makedirs(directory, exist_ok=True)
    print("%-12s N model  %-16s %s  structure (zeros, multiplicities, frequencies in u)"
          % ("file", "optimum", "  ".join("gap%-6d" % (p + 1) for p in range(len(args)))))
    for name, (path, x, y) in tables(directory).items():
        if options["--file"] and name != options["--file"]:
            continue
        for harmonics in range(1, 6):
            fits = []
            for program in args:
                run = subprocess.run(
                    [program, "--table", "--refine", "--constant", "-n", str(harmonics),
                     "--seed", "1,2", "--format", "json", path],
                    capture_output=True, text=True, check=True)
                fits.append(json.loads(run.stdout.splitlines()[0])["refined"])
            for kind in (1, 2):
                best, shape = optimum(x, y, harmonics, kind, starts)
                gaps = [(f["model%d" % kind]["residual"] - best) / best for f in fits]
                print("%-12s %d %5d  %-16.10g %s  %s"
                      % (name, harmonics, kind, best, "  ".join("%9.2e" % g for g in gaps), shape),
                      flush=True)


if __name__ == "__main__":
    main()
