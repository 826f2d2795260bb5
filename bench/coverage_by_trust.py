#!/usr/bin/env python3
"""Coverage of model 1's 95 % intervals by how well posed the fit is and whether the trust note
fired, from `refine_quality --detail` output.

    build-bench/bench/refine_quality --replicates 6 --detail > detail.txt
    python3 bench/coverage_by_trust.py detail.txt

A parameter is covered when |z| <= q, the line's Student quantile; posing counts observations per
fitted parameter (3N and the family's terms); T / U: trusted or not (the note fired).
"""
import collections
import re
import sys

TERMS = {"offset+c": 1, "trend+ct": 2}
LINE = re.compile(r"detail (\S+)\s+N=(\d) n=\s*(\d+) dof=\s*(-?\d+) q=(\S+) (\S)")


def main():
    by_group = collections.defaultdict(lambda: [0, 0])
    by_family = collections.defaultdict(lambda: [0, 0])
    for line in open(sys.argv[1]):
        m = LINE.match(line)
        if not m:
            continue
        family, n, count, _, q, trust = m.groups()
        per = int(count) / (3 * int(n) + TERMS.get(family, 0))
        posing = "n >= 4p" if per >= 4 else "n >= 2p" if per >= 2 else "n < 2p"
        snr = "below 0 dB" if family.startswith("snr") else "0 dB and up"
        for z in re.findall(r"z[ABCct] (\S+?)[\] ]", line + " "):
            if z == "nan":
                continue
            covered = abs(float(z)) <= float(q)
            for key in ((snr, posing, trust), (snr, posing, "all"), (snr, "all", trust),
                        (snr, "all", "all")):
                by_group[key][0] += 1
                by_group[key][1] += covered
            for key in ((family, trust), (family, "all")):
                by_family[key][0] += 1
                by_family[key][1] += covered
    print(f"{'SNR':12} {'posing':8} {'trust':5} {'checked':>7} {'covered':>8}")
    for key in sorted(by_group):
        checked, covered = by_group[key]
        print(f"{key[0]:12} {key[1]:8} {key[2]:5} {checked:7d} {100 * covered / checked:7.1f}%")
    print(f"\n{'family':12} {'trust':5} {'checked':>7} {'covered':>8}")
    for key in sorted(by_family):
        checked, covered = by_family[key]
        print(f"{key[0]:12} {key[1]:5} {checked:7d} {100 * covered / checked:7.1f}%")


if __name__ == "__main__":
    main()
