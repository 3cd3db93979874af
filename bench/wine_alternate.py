#!/usr/bin/env python3
"""Installers timed in alternating rounds: each round runs every side once, in the order given
(A, B, C, A, B, C, ...), each into a clean state: every side's installation folder is removed
before each run, and after it the side's own folder must hold at least FILES files, so that a run
that installed nothing is caught rather than timed.

Wall times are compared round by round, so that load that comes and goes on a shared machine
touches all sides of a round alike. The first side is compared with each other one: the ratio of
the medians, and the range and median of the per-round ratios. Each round's line carries the
running median of those ratios, which shows whether enough rounds were run for it to hold still.
One round before the first is run and not counted (the warm-up).

  bench/wine_alternate.py RUNS FILES NAME INSTALL_DIR COMMAND [NAME INSTALL_DIR COMMAND]...

COMMAND runs under bash, with its output discarded.
"""
import os
import shutil
import statistics
import subprocess
import sys
import time


def file_count(folder):
    return sum(len(names) for _, _, names in os.walk(folder))


def timed_run(name, folder, command, all_folders, files):
    for f in all_folders:
        shutil.rmtree(f, ignore_errors=True)
    start = time.perf_counter()
    status = subprocess.run(["bash", "-c", command], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL).returncode
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"wine_alternate: {name} failed with status {status}")
    found = file_count(folder)
    if found < files:
        sys.exit(f"wine_alternate: {name} left {found} files in {folder}, expected at least {files}")
    return elapsed


def main():
    args = sys.argv[1:]
    if len(args) < 5 or (len(args) - 2) % 3:
        sys.exit(__doc__)
    runs, files = int(args[0]), int(args[1])
    sides = [tuple(args[i:i + 3]) for i in range(2, len(args), 3)]
    folders = [folder for _, folder, _ in sides]
    times = {name: [] for name, _, _ in sides}
    ours, others = sides[0][0], [name for name, _, _ in sides[1:]]
    ratios = {name: [] for name in others}

    for name, folder, command in sides:
        timed_run(name, folder, command, folders, files)
    for round_no in range(1, runs + 1):
        for name, folder, command in sides:
            times[name].append(timed_run(name, folder, command, folders, files))
        parts = [f"{name} {times[name][-1]:.3f} s" for name, _, _ in sides]
        for other in others:
            ratios[other].append(times[ours][-1] / times[other][-1])
            parts.append(f"{ours}/{other} {ratios[other][-1]:.3f} (median so far "
                         f"{statistics.median(ratios[other]):.3f})")
        print(f"round {round_no}: " + ", ".join(parts), flush=True)

    width = max(len(name) for name in times)
    print(f"{runs} alternating rounds after a warm-up, wall time median (min to max):")
    for name, _, _ in sides:
        t = times[name]
        print(f"  {name:<{width}}  {statistics.median(t):.3f} s  ({min(t):.3f} to {max(t):.3f})")
    for other in others:
        r = ratios[other]
        print(f"{ours} / {other}: ratio of the medians "
              f"{statistics.median(times[ours]) / statistics.median(times[other]):.3f}; per round "
              f"{min(r):.3f} to {max(r):.3f}, median {statistics.median(r):.3f}")


if __name__ == "__main__":
    main()
