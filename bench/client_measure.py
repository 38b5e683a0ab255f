#!/usr/bin/python3
"""Whole-process figures of the running client under Xvfb against the demo server: start-up time,
memory, idle CPU and the CPU cost of a large burst. Run by hand; prints "figure: <name> <value>".

    /usr/bin/python3 bench/client_measure.py [--binary PATH] [--idle-seconds 30] [--burst-mb 20]
"""

import argparse
import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402


def figure(name, value):
    print(f"figure: {name} {value}", flush=True)


def default_binary():
    release = os.path.join(ROOT, "build-release", "quorveth")
    return release if os.access(release, os.X_OK) else os.path.join(ROOT, "build", "quorveth")


def connected(s):
    harness.wait_for(lambda: "socket connect ok" in s.log(), 30, "the connection")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default=default_binary())
    parser.add_argument("--idle-seconds", type=float, default=30)
    parser.add_argument("--burst-mb", type=float, default=20)
    parser.add_argument("--starts", type=int, default=3, help="start-ups to take the median of")
    opts = parser.parse_args()
    harness.BINARY = opts.binary
    os.environ.setdefault("QUORVETH_E2E_ARTEFACTS", "/tmp/quorveth-measure")
    harness.ARTEFACTS = os.environ["QUORVETH_E2E_ARTEFACTS"]
    print(f"binary: {opts.binary}", flush=True)

    # Start-up: from the process start to the window being visible (polled every 50 ms), and the
    # resident memory two seconds later, connected and idle.
    shown, rss = [], []
    for n in range(opts.starts):
        with harness.Session(f"measure_start_{n}") as s:
            shown.append((s.window_shown - s.started) * 1000)
            connected(s)
            time.sleep(2)
            rss.append(s.rss_kb())
    figure("client_start_to_window_ms", f"{statistics.median(shown):.0f}")
    figure("client_rss_after_start_kb", statistics.median(rss))

    # Idle: connected, nothing arriving; the 20 ms tick and the toolkit are all that run.
    with harness.Session("measure_idle") as s:
        connected(s)
        time.sleep(3)
        cpu0, t0 = s.cpu_seconds(), time.monotonic()
        time.sleep(opts.idle_seconds)
        cpu1, t1 = s.cpu_seconds(), time.monotonic()
        figure("client_idle_cpu_percent", f"{100 * (cpu1 - cpu0) / (t1 - t0):.2f}")

    # Burst: the in-world command, from the typed line to "Burst done" on the screen.
    reader = harness.shared_reader()
    with harness.Session("measure_burst") as s:
        connected(s)
        time.sleep(2)
        cpu0, t0 = s.cpu_seconds(), time.monotonic()
        s.type_line(f"burst {opts.burst_mb:g}")
        s.wait_screen("burst_done", lambda sc: reader.find(sc, r"(?:^|-)Burst done: \d+ lines\.$"), 300)
        cpu1, t1 = s.cpu_seconds(), time.monotonic()
        figure(f"client_burst_{opts.burst_mb:g}mb_cpu_s", f"{cpu1 - cpu0:.2f}")
        figure(f"client_burst_{opts.burst_mb:g}mb_wall_s", f"{t1 - t0:.2f}")
        figure("client_rss_after_burst_kb", s.rss_kb())


if __name__ == "__main__":
    main()
