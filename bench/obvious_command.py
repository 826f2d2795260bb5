"""The first command a scientist types, on files of known truth written as their tools write them:
`harmora-fit -n K --format json FILE` (and --all-columns for a wide table). Prints, per file, the
true and the fitted periods of model 1 (refined) and whether each is within 0.5 % of the truth.

usage: python3 bench/obvious_command.py build-dev/cli/harmora-fit [--wide 500]
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

TOOL = os.path.abspath(sys.argv[1])
WIDE = int(sys.argv[sys.argv.index("--wide") + 1]) if "--wide" in sys.argv else 500
rng = np.random.default_rng(2026)


def sines(x, level, parts, noise):
    y = level + sum(a * np.sin(2 * np.pi * x / p + c) for a, p, c in parts)
    return y + rng.normal(0, noise, x.size)


def cases(folder):
    """(name, path, true periods, extra arguments) of each kind of file."""
    out = []
    # pandas, hourly timestamps as the index, a daily cycle on a level
    t = pd.date_range("2025-01-01", periods=24 * 90, freq="h")
    h = np.arange(t.size) / 24
    path = os.path.join(folder, "hourly.csv")
    pd.DataFrame({"load": sines(h, 40, [(6, 1.0, 0.3)], 1)}, index=t).to_csv(path)
    out.append(("pandas hourly CSV", path, [1.0], []))
    # a Russian Excel CSV: ';', decimal commas, dates as DD.MM.YYYY, a weekly cycle
    d = pd.date_range("2024-01-01", periods=730, freq="D")
    x = np.arange(d.size, dtype=float)
    frame = pd.DataFrame({"Дата": d.strftime("%d.%m.%Y"), "Продажи": sines(x, 120, [(15, 7.0, 1)], 4)})
    path = os.path.join(folder, "excel_ru.csv")
    frame.to_csv(path, sep=";", decimal=",", index=False, encoding="utf-8-sig")
    out.append(("Russian Excel CSV (dates, ;, decimal comma)", path, [7.0], []))
    # a light curve with sigma, irregular times
    x = np.sort(rng.uniform(0, 60, 3000))
    s = rng.uniform(0.01, 0.03, x.size)
    path = os.path.join(folder, "light_curve.csv")
    pd.DataFrame({"mjd": 59000 + x, "mag": sines(x, 12.3, [(0.2, 2.345, 0.1)], 0.02), "sigma": s}).to_csv(
        path, index=False)
    out.append(("light curve with sigma", path, [2.345], ["--sigma-column", "sigma"]))
    # 30 years of daily temperature with its yearly cycle
    d = pd.date_range("1990-01-01", "2019-12-31", freq="D")
    x = np.arange(d.size, dtype=float)
    path = os.path.join(folder, "temperature.csv")
    pd.DataFrame({"date": d.strftime("%Y-%m-%d"), "t": sines(x, 9, [(11, 365.25, 2)], 3)}).to_csv(
        path, index=False)
    out.append(("30 years of daily temperature", path, [365.25], []))
    # NumPy savetxt (exponents), period 0.02
    x = np.arange(4000) * 0.001
    path = os.path.join(folder, "savetxt.txt")
    np.savetxt(path, np.c_[x, sines(x, 1.5, [(1, 0.02, 0)], 0.2)])
    out.append(("NumPy savetxt", path, [0.02], []))
    # a 20,000-row two-column text file
    x = np.arange(20000) * 0.05
    path = os.path.join(folder, "long.txt")
    np.savetxt(path, np.c_[x, sines(x, 3, [(2, 37.3, 0.5), (1, 9.1, 1)], 0.5)], fmt="%.6f")
    out.append(("20,000-row two-column text", path, [37.3, 9.1], []))
    # R's write.csv: a quoted header, a row-number column, NA
    x = np.arange(400, dtype=float)
    y = sines(x, 50, [(5, 12.0, 0.7)], 1)
    y[[17, 200]] = np.nan
    path = os.path.join(folder, "r_write.csv")
    frame = pd.DataFrame({"month": x, "count": y}, index=np.arange(1, x.size + 1))
    frame.to_csv(path, na_rep="NA", quoting=1)
    out.append(("R write.csv (row names, NA)", path, [12.0], []))
    return out


def periods(record):
    model = record.get("refined", {}).get("model1") or record["model1"]
    return sorted(model["period"], reverse=True)


def run(args):
    start = time.time()
    done = subprocess.run([TOOL, "--seed", "1", "--format", "json", *args], capture_output=True,
                          text=True, timeout=1200)
    return done, time.time() - start


with tempfile.TemporaryDirectory() as folder:
    right = 0
    all_cases = cases(folder)
    for name, path, truth, extra in all_cases:
        done, seconds = run(["-n", str(len(truth)), *extra, path])
        if done.returncode != 0:
            print(f"{name:45s} status {done.returncode}: {done.stderr.strip()[:200]}")
            continue
        found = periods(json.loads(done.stdout))
        ok = all(abs(f - t) <= 0.005 * t for f, t in zip(found, sorted(truth, reverse=True)))
        right += ok
        print(f"{name:45s} true {truth}  found {[round(f, 4) for f in found]}  "
              f"{'right' if ok else 'WRONG'}  {seconds:.2f} s")
    # a wide table: genes x 48 time points, each gene its own period and level
    hours = np.arange(48, dtype=float)
    true = rng.uniform(8, 30, WIDE)
    table = {"hour": hours}
    for g in range(WIDE):
        table[f"g{g}"] = sines(hours, rng.uniform(2, 20), [(2, true[g], rng.uniform(0, 6))], 0.2)
    path = os.path.join(folder, "genes.csv")
    pd.DataFrame(table).to_csv(path, index=False)
    done, seconds = run(["--all-columns", "--model", "1", path])
    records = [json.loads(line) for line in done.stdout.splitlines()]
    good = sum(abs(periods(r)[0] - t) <= 0.02 * t for r, t in zip(records, true))
    in_order = [r["series"] for r in records] == [f"g{g}" for g in range(WIDE)]
    print(f"wide table, {WIDE} genes x 48 points, --all-columns --model 1: {len(records)} fits in "
          f"column order: {in_order}, period within 2 %: {good}, {seconds:.1f} s")
    print(f"{right} of {len(all_cases)} files right with the obvious command")
