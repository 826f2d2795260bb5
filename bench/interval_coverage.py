"""How often the refined 95 % intervals hold the truth, as a user of the Python package meets
them: sums of N sinusoids (amplitudes 1 to 2, frequencies at least three resolutions apart
between two cycles over the range and 0.8 of the mean-spacing Nyquist frequency) on uniform or
irregular x, with a level fitted by a constant, plus Gaussian noise at a per-component SNR
(A^2 / 2 over the noise's variance, for the smallest amplitude). Per case: the share of true
amplitudes, frequencies, phases and constants inside their intervals, over all draws and over
the draws without a "Not to be trusted" note.

Usage: PYTHONPATH=build-dev/python python3 bench/interval_coverage.py [draws] [seed]
"""

import sys

import numpy as np

import harmora


def case(rng, n, harmonics, irregular, snr_db, draws):
    span = 100.0
    x = np.sort(rng.uniform(0, span, n)) if irregular else np.linspace(0, span, n)
    resolution = 2 * np.pi / span
    low, high = 2 * resolution, 0.8 * np.pi * (n - 1) / span
    truth = []
    for _ in range(draws):
        while True:
            b = np.sort(rng.uniform(low, high, harmonics))
            if harmonics == 1 or np.min(np.diff(b)) >= 3 * resolution:
                break
        truth.append((rng.uniform(1, 2, harmonics), b, rng.uniform(-np.pi, np.pi, harmonics),
                      rng.uniform(-5, 5)))
    sigma = np.array([np.sqrt(t[0].min() ** 2 / 2 / 10 ** (snr_db / 10)) for t in truth])
    y = np.array([c + (a[:, None] * np.sin(b[:, None] * x + p[:, None])).sum(0)
                  for a, b, p, c in truth])
    y += sigma[:, None] * rng.standard_normal(y.shape)
    return x, y, truth


def covered(m, s, truth):
    a, b, p, c = truth
    order = np.argsort(m.B[s])  # fitted harmonics matched to the true ones by frequency
    hits = []
    for k, j in enumerate(order):
        hits.append(m.A_lower[s, j] <= a[k] <= m.A_upper[s, j])
        hits.append(m.B_lower[s, j] <= b[k] <= m.B_upper[s, j])
        half = 0.5 * (m.C_upper[s, j] - m.C_lower[s, j])
        hits.append(abs(np.remainder(p[k] - m.C[s, j] + np.pi, 2 * np.pi) - np.pi) <= half)
    hits.append(m.constant_lower[s] <= c <= m.constant_upper[s])
    return hits  # NaN bounds (undetermined) compare False: counted as not covered


def main():
    draws = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    rng = np.random.default_rng(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    print("x          n  N  SNR dB  coverage all (params)  coverage trusted (params)  untrusted")
    for irregular in (False, True):
        for n in (50, 150):
            for harmonics in (1, 2, 3):
                for snr in (0, 10, 20):
                    x, y, truth = case(rng, n, harmonics, irregular, snr, draws)
                    r = harmora.fit_many(x, y, harmonics=harmonics, constant=True,
                                         seed=int(rng.integers(1, 2**31)))
                    m = r.refined.model1
                    every, trusted, untrusted = [], [], 0
                    for s in range(draws):
                        hits = covered(m, s, truth[s])
                        every += hits
                        if any(note.startswith("Not to be trusted") for note in m.notes[s]):
                            untrusted += 1
                        else:
                            trusted += hits
                    share = lambda h: "%5.1f %% (%5d)" % (100 * np.mean(h), len(h)) if h else "-"
                    print("%-9s %3d  %d  %6d  %21s  %25s  %6.1f %%" % (
                        "irregular" if irregular else "uniform", n, harmonics, snr,
                        share(every), share(trusted), 100 * untrusted / draws), flush=True)


if __name__ == "__main__":
    main()
