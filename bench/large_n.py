"""Long series side by side: harmora-fit against astropy's fast Lomb-Scargle prewhitening and
scipy's Levenberg-Marquardt, on the same generated data in one run.

usage: /usr/bin/python3 bench/large_n.py [--sizes 1e3,1e4,1e5,1e6] [--xs random,jittered,gapped]
           [--harmonics 3,5] [--terms constant,trend] [--replicates R] [--ten-million]
           [--harmora build-dev/cli/harmora-fit] [--no-pipeline] [--no-reference]
           [--dense-max 1e5]

Each series: sinusoids (periods 37.3, 9.1, 2.71, then 5.37 and 1.13; amplitudes 2, 1, 0.6, 0.8,
0.5) on a level of 5 (and with `trend` a drift of 3 over the span), noise of sd 0.5, x at a mean
spacing of 0.1: `random` sorted uniform, `jittered` a grid moved by up to 0.4 of its step,
`gapped` a grid observed 45 % of every 2.4 and 80 % of every 300 (a nightly and a seasonal gap).

- harmora: `harmora-fit --table --refine --constant [--trend] -n K --seed 1 --format json` on a
  two-column CSV; its CPU seconds (user + system of the child) and peak resident memory;
- pipeline: astropy `LombScargle(...).autopower(method="fast", samples_per_peak=10,
  nyquist_factor=2)` prewhitening K peaks, then `least_squares(method="lm")` on every parameter
  (the level, the trend, and each line's cosine, sine and frequency), CPU seconds of this process;
- reference (not timed): LM from the generating parameters and, up to --dense-max rows (1e5),
  the fast periodogram at 20 points per peak over Harmora's whole band, each new line refined
  jointly with the others; the better of the two.

Printed per case: CPU seconds, each residual sum of squares over the best of the three (1.000000
is the best), the periods found and whether each true line was found (a fitted frequency within a fifth
of the resolution 1/span of it). `--ten-million` adds 10^7 rows (Harmora alone).
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from astropy.timeseries import LombScargle
from scipy.optimize import least_squares

PERIODS = [37.3, 9.1, 2.71, 5.37, 1.13]
AMPLITUDES = [2.0, 1.0, 0.6, 0.8, 0.5]
LEVEL, NOISE, SPACING = 5.0, 0.5, 0.1


def abscissa(kind, n, rng):
    if kind == "random":
        return np.sort(rng.uniform(0, SPACING * n, n))
    if kind == "jittered":
        return SPACING * (np.arange(n) + rng.uniform(-0.4, 0.4, n))
    # gapped: a regular grid kept where both gaps leave it
    t = SPACING * np.arange(int(n / (0.45 * 0.8)) + 1000)
    keep = (np.mod(t, 2.4) < 0.45 * 2.4) & (np.mod(t, 300.0) < 0.8 * 300.0)
    return t[keep][:n]


def series(kind, n, harmonics, trend, seed):
    rng = np.random.default_rng(seed)
    x = abscissa(kind, n, rng)
    slope = 3.0 / (x[-1] - x[0]) if trend else 0.0
    y = LEVEL + slope * (x - x[0]) + NOISE * rng.standard_normal(n)
    for k in range(harmonics):
        y += AMPLITUDES[k] * np.sin(2 * np.pi * x / PERIODS[k] + rng.uniform(0, 2 * np.pi))
    return x, y


# The model as the pipeline fits it: p = [level, (slope,) then a, b, f for each line].
def unpack(p, trend):
    base = 2 if trend else 1
    lines = (len(p) - base) // 3
    return p[:base], p[base:].reshape(lines, 3)


def model(p, x, trend):
    base, lines = unpack(p, trend)
    out = np.full_like(x, base[0])
    if trend:
        out += base[1] * x
    for a, b, f in lines:
        arg = 2 * np.pi * f * x
        out += a * np.cos(arg) + b * np.sin(arg)
    return out


def jacobian(p, x, trend):
    base, lines = unpack(p, trend)
    cols = [np.ones_like(x)] + ([x] if trend else [])
    for a, b, f in lines:
        arg = 2 * np.pi * f * x
        c, s = np.cos(arg), np.sin(arg)
        cols += [c, s, 2 * np.pi * x * (b * c - a * s)]
    return np.column_stack(cols)


def linear_fit(x, y, freqs, trend):
    """The level, slope and each line's cosine and sine at fixed frequencies."""
    cols = [np.ones_like(x)] + ([x] if trend else [])
    for f in freqs:
        cols += [np.cos(2 * np.pi * f * x), np.sin(2 * np.pi * f * x)]
    coef, *_ = np.linalg.lstsq(np.column_stack(cols), y, rcond=None)
    base = 2 if trend else 1
    p = list(coef[:base])
    for k, f in enumerate(freqs):
        p += [coef[base + 2 * k], coef[base + 2 * k + 1], f]
    return np.array(p)


def lm(p, x, y, trend):
    fit = least_squares(
        lambda q: model(q, x, trend) - y, p, jac=lambda q: jacobian(q, x, trend), method="lm"
    )
    return fit.x


def prewhiten(x, y, harmonics, trend, samples, nyquist, fmax=None, joint=False):
    freqs = []
    p = linear_fit(x, y, freqs, trend)
    for _ in range(harmonics):
        r = y - model(p, x, trend)
        ls = LombScargle(x, r)
        if fmax is None:
            f, power = ls.autopower(
                method="fast", samples_per_peak=samples, nyquist_factor=nyquist
            )
        else:
            f, power = ls.autopower(
                method="fast", samples_per_peak=samples, maximum_frequency=fmax
            )
        freqs.append(f[np.argmax(power)])
        p = linear_fit(x, y, freqs, trend)
        if joint:
            p = lm(p, x, y, trend)
    return lm(p, x, y, trend)


def rss(p, x, y, trend):
    r = model(p, x, trend) - y
    return float(r @ r)


def periods_of(p, trend):
    return sorted(1 / abs(f) for _, _, f in unpack(p, trend)[1] if f != 0)


def run_harmora(binary, x, y, harmonics, trend, directory):
    path = os.path.join(directory, "series.csv")
    np.savetxt(path, np.column_stack([x, y]), delimiter=",", fmt="%.17g", header="x,y", comments="")
    args = [binary, "--table", "--refine", "--constant", "-n", str(harmonics), "--seed", "1"]
    args += ["--trend"] if trend else []
    args += ["--format", "json", path]
    with open(path + ".out", "w+b") as out, open(path + ".err", "w+b") as err:
        start = time.perf_counter()
        child = subprocess.Popen(args, stdout=out, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        cpu = usage.ru_utime + usage.ru_stime
        return out.read().decode(), err.read().decode(), cpu, wall, usage.ru_maxrss / 1024


def harmora_model(text, trend):
    """The refined model 1 (with its level and trend) as the pipeline's parameters."""
    record = json.loads(text.strip().splitlines()[-1])
    fit = record["refined"]["model1"]

    def value(name):
        term = fit.get(name, 0.0)
        return term["value"] if isinstance(term, dict) else term

    p = [value("constant")] + ([value("trend")] if trend else [])
    for a, b, c in zip(fit["A"], fit["B"], fit["C"]):
        # a sin(b x + c) = a sin c cos(b x) + a cos c sin(b x)
        p += [a * np.sin(c), a * np.cos(c), b / (2 * np.pi)]
    return np.array(p), record


def found_lines(p, trend, harmonics, span):
    """How many true lines have a fitted frequency within a fifth of a resolution (1/span)."""
    got = [f for _, _, f in unpack(p, trend)[1]]
    hits = 0
    for k in range(harmonics):
        f0 = 1 / PERIODS[k]
        hits += any(abs(abs(f) - f0) < 0.2 / span for f in got)
    return hits


def case(args, kind, n, harmonics, trend, seed, directory):
    x, y = series(kind, n, harmonics, trend, seed)
    span = x[-1] - x[0]
    row = {"kind": kind, "n": n, "N": harmonics, "trend": trend, "seed": seed}

    out, err, *measured = run_harmora(args.harmora, x, y, harmonics, trend, directory)
    row["h_cpu"], row["h_wall"], row["h_rss_mb"] = measured
    record = {}
    try:
        hp, record = harmora_model(out, trend)
        row["h_rss"] = rss(hp, x, y, trend)
        row["h_periods"] = periods_of(hp, trend)
        row["h_found"] = found_lines(hp, trend, harmonics, span)
        row["search"] = record.get("search", "?")
        row["notes"] = record["refined"]["model1"].get("notes", [])
    except (ValueError, KeyError, IndexError) as fault:
        sys.stderr.write(f"harmora failed ({fault}): {err[-400:]}\n")
        row["h_rss"], row["h_periods"], row["h_found"] = float("inf"), [], 0

    if not args.no_pipeline and n <= 10**6:
        start = time.process_time()
        pp = prewhiten(x, y, harmonics, trend, 10, 2)
        row["p_cpu"] = time.process_time() - start
        row["p_rss"] = rss(pp, x, y, trend)
        row["p_periods"] = periods_of(pp, trend)
        row["p_found"] = found_lines(pp, trend, harmonics, span)
    if not args.no_reference and n <= 10**6:
        fmax = 1 / record["min_period"] if "min_period" in record else 0.5 / SPACING
        truth = linear_fit(x, y, [1 / PERIODS[k] for k in range(harmonics)], trend)
        row["r_rss"] = rss(lm(truth, x, y, trend), x, y, trend)
        if n <= args.dense_max:
            dense = prewhiten(x, y, harmonics, trend, 20, None, fmax=fmax, joint=True)
            row["r_rss"] = min(row["r_rss"], rss(dense, x, y, trend))
    return row


def fmt_periods(periods):
    return ", ".join(f"{p:.4g}" for p in periods)


def print_row(row):
    best = min(v for k, v in row.items() if k in ("h_rss", "p_rss", "r_rss"))
    cells = [
        f"{row['n']:>9,}",
        f"{row['kind']:<8}",
        f"{row['N']}",
        "trend" if row["trend"] else "level",
        f"{row['h_cpu']:8.2f}",
        f"{row['h_wall']:7.2f}",
        f"{row['h_rss_mb']:7.0f}",
        f"{row['p_cpu']:8.2f}" if "p_cpu" in row else "       -",
        f"{row['h_rss'] / best:.6f}",
        f"{row['p_rss'] / best:.6f}" if "p_rss" in row else "       -",
        f"{row['h_found']}/{row['N']}",
        f"{row.get('p_found', '-')}/{row['N']}",
        fmt_periods(row["h_periods"]),
    ]
    print(" | ".join(cells), flush=True)
    if "p_periods" in row and row["p_found"] < row["N"]:
        print(f"{'':>9}   pipeline's periods: {fmt_periods(row['p_periods'])}", flush=True)
    for note in row.get("notes", []):
        print(f"{'':>9}   note: {note}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="1e3,1e4,1e5,1e6")
    parser.add_argument("--xs", default="random,jittered,gapped")
    parser.add_argument("--harmonics", default="3,5")
    parser.add_argument("--terms", default="constant,trend")
    parser.add_argument("--replicates", type=int, default=1)
    parser.add_argument("--ten-million", action="store_true")
    parser.add_argument("--harmora", default="build-dev/cli/harmora-fit")
    parser.add_argument("--no-pipeline", action="store_true")
    parser.add_argument("--no-reference", action="store_true")
    parser.add_argument("--dense-max", type=float, default=1e5)
    args = parser.parse_args()
    sizes = [int(float(s)) for s in args.sizes.split(",")]
    if args.ten_million:
        sizes.append(10**7)
    print(
        "rows | x | N | terms | harmora cpu s | wall s | peak MB | pipeline cpu s | "
        "harmora rss/best | pipeline rss/best | harmora found | pipeline found | harmora periods"
    )
    with tempfile.TemporaryDirectory() as directory:
        for n in sizes:
            for kind in args.xs.split(","):
                for harmonics in [int(h) for h in args.harmonics.split(",")]:
                    for terms in args.terms.split(","):
                        for r in range(args.replicates):
                            seed = 1000 * r + 17 * harmonics + (terms == "trend")
                            row = case(args, kind, n, harmonics, terms == "trend", seed, directory)
                            print_row(row)


if __name__ == "__main__":
    main()
