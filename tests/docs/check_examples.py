"""Runs every harmora-fit command that README.md and docs/command_line.md show, in a copy of
docs/examples/ with the built tool first on PATH, and compares what it prints (standard output
and error, as a terminal shows them) with the text shown below the command.

In the text shown, a line "..." stands for any lines and ",..." inside a line for any text;
numbers are compared to 6 significant digits. README.md's inline commands (`harmora-fit ...` in
backticks) are run from the repository's root and must succeed.

usage: python3 check_examples.py HARMORA_FIT [--update]
  --update  writes each shown output without an elision as the tool now prints it
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

TOOL = os.path.abspath(sys.argv[1])
UPDATE = "--update" in sys.argv[2:]
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PAGES = ["README.md", "docs/command_line.md"]
NUMBER = re.compile(r"-?\d+\.\d+(?:e[-+]?\d+)?|-?\d+e[-+]?\d+")
ELISION = re.compile(r"(?<=,)\.\.\.")  # ",...": the fields left out of a JSON line
FAILURES = []


def rounded(text):
    return NUMBER.sub(lambda m: f"{float(m.group()):.6g}", text)


def pattern(shown):
    """The shown lines as one regular expression over the printed text."""
    parts = []
    for line in shown:
        if line.strip() == "...":
            parts.append(r"(?:[^\n]*\n)*?")
        else:
            pieces = [re.escape(rounded(p)) for p in ELISION.split(line)]
            parts.append("[^\n]*".join(pieces) + r"\n")
    return "".join(parts)


def blocks(lines):
    """(first, last) line indices of each indented block (blank lines inside kept)."""
    i = 0
    while i < len(lines):
        if lines[i].startswith("    $ "):
            j = i
            while j + 1 < len(lines) and (lines[j + 1].startswith("    ") or not lines[j + 1].strip()):
                j += 1
            while not lines[j].strip():
                j -= 1
            yield i, j
            i = j + 1
        else:
            i += 1


def commands(block):
    """(command, its lines as written, shown output lines) for each "$ " line of a block,
    continuations joined."""
    out = []
    i = 0
    while i < len(block):
        written = [block[i]]
        command = block[i][6:]
        while command.endswith("\\") and i + 1 < len(block):
            i += 1
            written.append(block[i])
            command = command[:-1] + " " + block[i].strip()
        i += 1
        shown = []
        while i < len(block) and not block[i].startswith("    $ "):
            shown.append(block[i][4:])
            i += 1
        out.append((command, written, shown))
    return out


def run(command, cwd, last_status):
    if command.strip() == "echo $?":
        return 0, f"{last_status}\n"
    env = dict(os.environ, LC_ALL="C.UTF-8", PATH=os.path.dirname(TOOL) + os.pathsep + os.environ["PATH"])
    done = subprocess.run(["bash", "-c", command], cwd=cwd, env=env, timeout=300,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout.decode("utf-8")


def check_page(page, work):
    path = os.path.join(ROOT, page)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    changed = False
    for first, last in reversed(list(blocks(lines))):
        status = 0
        replaced = []
        for command, written, shown in commands(lines[first:last + 1]):
            status, printed = run(command, work, status)
            replaced.extend(written)
            got = printed.rstrip("\n").split("\n") if printed.strip() else []
            if re.fullmatch(pattern(shown), rounded(printed.rstrip("\n") + "\n") if got else ""):
                replaced.extend(f"    {s}" if s else "" for s in shown)
                continue
            if UPDATE and not any(s.strip() == "..." or ELISION.search(s) for s in shown):
                replaced.extend(f"    {g}".rstrip() if g else "" for g in got)
                changed = True
                continue
            replaced.extend(f"    {s}" if s else "" for s in shown)
            FAILURES.append(f"{page}: $ {command}\n--- shown\n" + "\n".join(shown) +
                            "\n--- printed\n" + printed)
        if changed:
            lines[first:last + 1] = replaced
    if changed:
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))


def check_inline(work):
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        text = f.read()
    for command in re.findall(r"`(harmora-fit [^`]+)`", text):
        status, printed = run(command, ROOT, 0)
        if status != 0:
            FAILURES.append(f"README.md: `{command}` exits {status}:\n{printed}")


with tempfile.TemporaryDirectory() as scratch:
    work = os.path.join(scratch, "examples")
    shutil.copytree(os.path.join(ROOT, "docs", "examples"), work)
    for page in PAGES:
        check_page(page, work)
    check_inline(work)

for failure in FAILURES:
    print("FAILED:", failure)
print(f"{len(FAILURES)} failed")
sys.exit(1 if FAILURES else 0)
