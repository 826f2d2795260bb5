"""harmora-fit under the faults of a real shell: output to a full device and to a closed pipe
(SIGPIPE ignored, as Python and many daemons leave it) ends with the cause and status 3; SIGINT
or SIGTERM during a batch ends it within seconds with 130 or 143, every line written whole; a
FIFO without a writer, /dev/zero, a table over the size limit and one over the free memory are
refused at once with status 1, saying what they are.

usage: python3 check_faults.py HARMORA_FIT
"""
import json
import math
import os
import resource
import signal
import subprocess
import sys
import tempfile
import time

TOOL = os.path.abspath(sys.argv[1])
ENV = dict(os.environ, LC_ALL="C.UTF-8")
# AddressSanitizer maps terabytes of shadow memory at the start: a tool built with it cannot run
# under an address-space limit, so the cases that need one run in the plain build only.
with open(TOOL, "rb") as binary:
    SANITIZED = b"__asan_init" in binary.read()
FAILURES = []


def check(condition, text):
    if not condition:
        FAILURES.append(text)


def tones(count, shift):
    return "".join(f"{0.5 * i} {2 * math.sin(0.9 * 0.5 * i + shift) + math.sin(2.7 * i)}\n"
                   for i in range(count))


with tempfile.TemporaryDirectory() as folder:
    files = []
    for k in range(40):
        files.append(os.path.join(folder, f"f{k}.txt"))
        with open(files[-1], "w") as f:
            f.write(tones(100, 0.1 * k))

    for form in ("report", "json", "csv", "csv --predict 0:50:0.01"):
        with open("/dev/full", "w") as full:
            done = subprocess.run([TOOL, "--format", *form.split(), "--seed", "1", *files[:3]],
                                  stdout=full, stderr=subprocess.PIPE, env=ENV, timeout=120)
        err = done.stderr.decode()
        check(done.returncode == 3 and "No space left on device" in err,
              f"/dev/full, {form}: status {done.returncode}, {err!r}")

    # A reader that takes one byte and goes; SIGPIPE ignored in the tool, as subprocess can leave it.
    tool = subprocess.Popen([TOOL, "--format", "json", "--seed", "1", *files], env=ENV,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
    tool.stdout.read(1)
    tool.stdout.close()
    err = tool.stderr.read().decode()
    status = tool.wait(timeout=120)
    check(status == 3 and "Broken pipe" in err, f"closed pipe: status {status}, {err!r}")

    # A slow batch, stopped after its first line: the lines written are whole, the end is prompt.
    for sig, expected in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
        tool = subprocess.Popen([TOOL, "--format", "json", "--seed", "1", "-n", "5", "--depth",
                                 "998888", *files], env=ENV, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        first = tool.stdout.readline()
        sent = time.monotonic()
        tool.send_signal(sig)
        rest = tool.stdout.read()
        err = tool.stderr.read().decode()
        status = tool.wait(timeout=120)
        seconds = time.monotonic() - sent
        lines = (first + rest).decode().splitlines()
        whole = all(json.loads(line) for line in lines)
        check(status == expected and "stopped by" in err and whole and len(lines) < len(files),
              f"{sig.name}: status {status}, {len(lines)} lines, {err!r}")
        check(seconds < 30, f"{sig.name}: {seconds:.1f} s to stop")

    # Inputs no table can be read from: refused before any is read, in well under a second each.
    fifo = os.path.join(folder, "pipe.csv")
    os.mkfifo(fifo)
    huge = os.path.join(folder, "huge.csv")  # sparse: 2 GiB and a byte, no disk taken
    with open(huge, "wb") as f:
        f.truncate((2 << 30) + 1)
    rows = os.path.join(folder, "rows.csv")
    with open(rows, "w") as f:
        f.write("x,y\n" + "".join(f"{i},{i % 7}\n" for i in range(300000)))
    # The address space held to 400 MB: 300,000 rows and their fit are estimated at 0.6 GB.
    low = lambda: resource.setrlimit(resource.RLIMIT_AS, (400 << 20, 400 << 20))
    zero = open("/dev/zero", "rb")
    for name, path, words, limit, stdin in (
            ("FIFO", fifo, "named pipe (FIFO)", None, None),
            ("/dev/zero", "/dev/zero", "character device", None, None),
            ("over the size limit", huge, "the most a table may hold", None, None),
            ("over the memory", rows, "(ulimit -v) is free", low, None),
            # Read up to its first NUL byte, not to the size limit that the memory would not hold.
            ("/dev/zero as standard input", "-", "NUL bytes", low, zero)):
        if limit and SANITIZED:
            print(f"{name}: not run under AddressSanitizer (it needs an address-space limit)")
            continue
        sent = time.monotonic()
        done = subprocess.run([TOOL, "--seed", "1", path], env=ENV, capture_output=True,
                              timeout=60, preexec_fn=limit, stdin=stdin)
        err = done.stderr.decode()
        check(done.returncode == 1 and path in err and words in err
              and time.monotonic() - sent < 10, f"{name}: status {done.returncode}, {err!r}")
    zero.close()

for failure in FAILURES:
    print("FAILED:", failure)
print(f"{len(FAILURES)} failed")
sys.exit(1 if FAILURES else 0)
