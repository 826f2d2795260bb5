"""Runs the built harmora-fit as a user's script and shell would: JSON Lines that a strict parser
reads, every real in its shortest exact text, clock seeds that repeat the fit, standard input,
pipes and process substitution, one CSV table across files, the locale's language, and no Qt
in its links. (The statuses and hostile paths are tested in-process, in harmora_fit_test.cpp.)

usage: python3 check_tool.py HARMORA_FIT
"""
import csv
import io
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TOOL = sys.argv[1]
FAILURES = []
# A guard against a hang only: a fit of these files takes milliseconds.
HANG_GUARD_SECONDS = 60


def check(condition, text):
    if not condition:
        FAILURES.append(text)


def run(*args, stdin=None, env=None):
    """The tool as the window reads and fits: pairs, no constant."""
    done = subprocess.run([TOOL, "--pairs", "--no-constant", *args], capture_output=True, timeout=HANG_GUARD_SECONDS,
                          input=stdin, env={**os.environ, "LC_ALL": "C.UTF-8", **(env or {})})
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def shortest(text):
    """True when no text with fewer significant digits reads back as the same double."""
    digits = len(re.sub(r"e.*|[-.]", "", text).strip("0")) or 1
    return digits == 1 or float(format(float(text), f".{digits - 2}e")) != float(text)


def reject_constant(name):
    raise ValueError("not JSON: " + name)


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def tones(count):
    return "".join(
        f"{0.5 * i!r} {2 * math.sin(0.45 * i + 0.3) + 0.7 * math.sin(1.35 * i + 1):.17g}\n"
        for i in range(count))


with tempfile.TemporaryDirectory() as folder:
    files = [write(folder, f"run{i}.txt", tones(12 + 7 * i)) for i in range(3)]
    status, out, err = run("--format", "json", "-n", "3", "--seed", "9,10", *files)
    check(status == 0, f"json batch: status {status}, {err}")
    lines = out.splitlines()
    check(len(lines) == 3, f"json batch: {len(lines)} lines")
    for i, line in enumerate(lines):
        record = json.loads(line, parse_constant=reject_constant)
        check(record["file"] == files[i], f"file {record['file']}")
        check(record["count"] == 12 + 7 * i, f"count {record['count']}")
        check(record["harmonics"] == 3 and record["depth"] == 10000, "settings")
        check(record["seeds"] == [9, 10], f"seeds {record['seeds']}")
        check(record["min_period"] == 1.0, f"min_period {record['min_period']}")
        for model in ("model1", "model2"):
            m = record[model]
            for key in ("A", "B", "C"):
                check(len(m[key]) == 3 and all(isinstance(v, float) for v in m[key]),
                      f"{model}.{key} {m[key]}")
            check(m["residual"] >= 0 and m["relative_deviation"] >= 0, f"{model} figures")
        # Every real in its shortest text that reads back to the same double.
        for text in re.findall(r"(?<=[:\[,])-?[0-9][0-9.e+-]*", line):
            check(shortest(text), f"not the shortest: {text}")

    # The report format, and its seeds given back, repeat the same text.
    first = run("-n", "2", files[0])
    seeds = first[1].splitlines()[0].rsplit("seeds ", 1)[1]
    again = run("-n", "2", "--seed", seeds, files[0])
    check(first[0] == 0 and again[1] == first[1], "clock seeds given back repeat the report")

    # Standard input, /dev/stdin, a pipe and a process substitution read as the file itself.
    data = open(files[0], "rb").read()
    expected = run("--format", "json", "--seed", "4", files[0])[1].replace(files[0], "NAME")
    for name, args in (("-", ["-"]), ("/dev/stdin", ["/dev/stdin"])):
        got = run("--format", "json", "--seed", "4", *args, stdin=data)
        check(got[0] == 0 and got[1].replace(f'"{name}"', '"NAME"') == expected, f"{name}: {got}")
    shell = subprocess.run(["bash", "-c", f'"$0" --pairs --no-constant --format json --seed 4 <(cat "$1")', TOOL, files[0]],
                           capture_output=True, text=True, timeout=HANG_GUARD_SECONDS)
    check(re.sub(r'"/dev/fd/[0-9]+"', '"NAME"', shell.stdout) == expected, f"<(...): {shell}")

    # One CSV table across the files: one header, a file column, every row its file's.
    status, out, err = run("--format", "csv", "--seed", "2", *files)
    rows = list(csv.reader(io.StringIO(out)))
    check(rows[0] == ["file", "x", "y", "model1", "model2", "residual1", "residual2"], rows[0])
    check([r[0] for r in rows[1:]] == sum(([f] * (12 + 7 * i) for i, f in enumerate(files)), []),
          "csv: one row per observation, named by its file")

# --plot: the window's drawing as SVG that a strict XML parser reads, with both curves (model 1
# white, model 2 blue) and a marker per observation.
with tempfile.TemporaryDirectory() as folder:
    data = write(folder, "tones.txt", tones(20))
    svg = os.path.join(folder, "plot.svg")
    status, out, err = run("--seed", "3", "--plot", svg, data)
    root = ET.parse(svg).getroot()
    strokes = [e.get("stroke") for e in root if e.tag.endswith("line")]
    check(status == 0 and strokes.count("#ffffff") > 20 and strokes.count("#0000ff") > 20,
          f"plot curves: {status} {err}")
    markers = [e for e in root if e.tag.endswith("rect") and e.get("width") == e.get("height")]
    check(len(markers) >= 20, f"plot markers: {len(markers)}")
    # The light theme swaps black and white; the titles are text of their own.
    status, out, err = run("--seed", "3", "--plot", svg, "--plot-theme", "light",
                           "--x-title", "t <h>", "--y-title", "level", data)
    root = ET.parse(svg).getroot()
    strokes = [e.get("stroke") for e in root if e.tag.endswith("line")]
    texts = [e.text for e in root if e.tag.endswith("text")]
    check(status == 0 and strokes.count("#000000") > 20 and "#ffffff" not in strokes
          and "t <h>" in texts and "level" in texts, f"light plot: {status} {err} {texts[-2:]}")

# The locale's language for every message: usage errors, refusals and faults.
for env, words in (({"LC_ALL": "ru_RU.UTF-8"}, ("параметр", "файл")),
                   ({"LC_ALL": "", "LANG": "de_DE.UTF-8"}, ("option", "file"))):
    usage = run("--frobnicate", env=env)[2]
    missing = run("/nonexistent/file", env=env)[2]
    check(words[0] in usage and words[1] in missing.lower(), f"{env}: {usage} {missing}")
status, out, err = run("--version")
check(status == 0 and re.fullmatch(r"harmora-fit [0-9]+\.[0-9]+\.[0-9]+\n", out), out)

# The tool is Qt-free: none of its shared libraries is Qt's.
links = subprocess.run(["ldd", TOOL], capture_output=True, text=True).stdout
check("Qt" not in links, "harmora-fit links Qt:\n" + links)

for failure in FAILURES:
    print("FAILED:", failure)
print(f"{0 if FAILURES else 1} passed, {len(FAILURES)} failed")
sys.exit(1 if FAILURES else 0)
