"""Ctrl-C during a long call: KeyboardInterrupt soon after the signal, no engine thread left."""

import os
import signal
import subprocess
import sys
import textwrap
import time

# Fits 20,000 refined series (some 15 s on two cores) unless interrupted; prints the process's
# thread count before the call and after the KeyboardInterrupt.
CHILD = textwrap.dedent("""
    import os, sys, time
    import numpy as np, harmora
    x = np.arange(24.0)
    Y = np.sin(2 * np.pi * x / 7.3 + np.arange(20000)[:, None]) + 0.1 * np.cos(3.1 * x)
    threads = lambda: len(os.listdir("/proc/self/task"))
    before = threads()
    print("ready", flush=True)
    try:
        harmora.fit_many(x, Y, harmonics=2, seed=1, refine=True, threads=2)
        print("finished", flush=True)
    except KeyboardInterrupt:
        print("interrupted", before, threads(), flush=True)
""")


def test_sigint_stops_fit_many_within_half_a_second():
    child = subprocess.Popen([sys.executable, "-c", CHILD], stdout=subprocess.PIPE, text=True,
                             env=dict(os.environ))
    try:
        assert child.stdout.readline().strip() == "ready"
        time.sleep(1.0)  # well into the series
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        words = child.stdout.readline().split()
        waited = time.monotonic() - sent
    finally:
        child.kill()
        child.wait(30)
    assert words[:1] == ["interrupted"]
    assert waited < 0.5, f"KeyboardInterrupt {waited:.2f} s after SIGINT"
    assert words[1] == words[2], "threads left running: %s before, %s after" % tuple(words[1:])
