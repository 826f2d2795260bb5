"""How often the refined 95 % intervals of model 1 hold the truth when two lines are close, split
by what the refinement's notes say of the pair. Two unit sinusoids some resolutions (2 pi / span)
apart on n points over x in [0, 100] (a grid, or irregular), a level fitted by a constant,
Gaussian noise at a per-component SNR (A^2 / 2 over the noise's variance); well separated pairs
(3 to 8 resolutions) show that nothing changes where no lines are close. Per family: the coverage
of A, B and C over the draws the notes leave silent and over those told "two lines ... within
1.25 resolutions ... intervals may understate", and the shares of draws with that note, with
the "lie on one line" note, with a "Not to be trusted" note and with values not determined;
then the silent draws' coverage by the fitted pair's separation.

Usage: PYTHONPATH=build-dev/python nice python3 bench/close_line_coverage.py [draws] [seed]
"""

import sys
import warnings

import numpy as np

import harmora

SPAN = 100.0
RESOLUTION = 2 * np.pi / SPAN
FAMILIES = [  # name, n, irregular, separation in resolutions (low, high), SNR dB
    ("close 0.7", 40, False, (0.7, 0.7), 10),
    ("close 0.7 irr", 40, True, (0.7, 0.7), 10),
    ("close 0.5-1.5", 40, False, (0.5, 1.5), 10),
    ("close 1-2", 60, False, (1.0, 2.0), 10),
    ("apart 3-8", 40, False, (3.0, 8.0), 10),
    ("apart 3-8 irr", 40, True, (3.0, 8.0), 10),
    ("apart 3-8 0dB", 60, False, (3.0, 8.0), 0),
]


def draw(rng, n, irregular, separation, snr_db, draws):
    x = np.sort(rng.uniform(0, SPAN, n)) if irregular else np.linspace(0, SPAN, n)
    sigma = np.sqrt(0.5 / 10 ** (snr_db / 10))
    truth, Y = [], np.empty((draws, n))
    for s in range(draws):
        gap = rng.uniform(*separation) * RESOLUTION
        low = rng.uniform(2 * RESOLUTION, 0.8 * np.pi * (n - 1) / SPAN - gap)
        b = np.array([low, low + gap])
        c = rng.uniform(-np.pi, np.pi, 2)
        level = rng.uniform(-5, 5)
        truth.append((np.ones(2), b, c))
        Y[s] = level + np.sin(np.outer(b, x) + c[:, None]).sum(0) + sigma * rng.standard_normal(n)
    return x, Y, truth


def hits(m, s, truth):
    a, b, c = truth
    order = np.argsort(m.B[s])  # fitted harmonics matched to the true ones by frequency
    out = []
    for k, j in enumerate(order):
        half = 0.5 * (m.C_upper[s, j] - m.C_lower[s, j])
        out += [m.A_lower[s, j] <= a[k] <= m.A_upper[s, j],
                m.B_lower[s, j] <= b[k] <= m.B_upper[s, j],
                abs(np.remainder(c[k] - m.C[s, j] + np.pi, 2 * np.pi) - np.pi) <= half]
    return np.array(out, float).reshape(2, 3)  # NaN bounds compare False: not covered


def kind(m, s):
    """What model 1's notes say of draw s: two close lines, one line, not to be trusted (the
    intervals do not hold), values not determined (NaN: no intervals), or nothing of these."""
    if not np.isfinite(m.B[s]).all():
        return "undetermined"
    notes = " ".join(m.notes[s])
    if "are two lines" in notes:
        return "two"
    if "lie on one line" in notes:
        return "one"
    return "untrusted" if "Not to be trusted" in notes else "silent"


def share(h):
    if not h:
        return "      -          "
    h = np.array(h)
    return "%5.1f %5.1f %5.1f" % tuple(100 * h.mean((0, 1)))


def main():
    warnings.simplefilter("ignore")  # the autocorrelation warning of a few draws
    draws = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    rng = np.random.default_rng(int(sys.argv[2]) if len(sys.argv) > 2 else 7)
    bins = [0, 1.0, 1.25, 1.5, 2, 3, np.inf]
    kinds = ("silent", "two", "one", "untrusted", "undetermined")
    print("family           silent A/B/C %     two lines A/B/C %  % silent/two/one/untrusted/undet.")
    by_gap = {k: [] for k in range(len(bins) - 1)}
    for name, n, irregular, separation, snr in FAMILIES:
        x, Y, truth = draw(rng, n, irregular, separation, snr, draws)
        r = harmora.fit_many(x, Y, harmonics=2, constant=True, models=(1,),
                             seed=int(rng.integers(1, 2**31)), threads=1)
        m = r.refined.model1
        groups = {"silent": [], "two": [], "one": [], "untrusted": [], "undetermined": []}
        for s in range(draws):
            h = hits(m, s, truth[s])
            groups[kind(m, s)].append(h)
            if kind(m, s) == "silent":
                gap = abs(m.B[s, 1] - m.B[s, 0]) / RESOLUTION
                by_gap[int(np.searchsorted(bins, gap, side="right")) - 1].append(h)
        print("%-16s %17s  %17s  %5.1f %5.1f %5.1f %5.1f %5.1f" % (
            name, share(groups["silent"]), share(groups["two"]),
            *(100 * len(groups[g]) / draws for g in kinds)), flush=True)
    print("silent draws by fitted separation (resolutions): count, A/B/C %")
    for k, h in by_gap.items():
        print("  %4.2f-%-4.2f %5d  %s" % (bins[k], bins[k + 1], len(h), share(h)))


if __name__ == "__main__":
    main()
