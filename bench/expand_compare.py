#!/usr/bin/env python3
"""Expansion of a set by `vurerode unpack` against bsdtar extracting the same files from one .lzh,
in alternating runs, with the peak resident memory of each unpack read from the kernel.

Wall times are compared run by run (the two programs run one after the other, in turns, their
order swapped every run), so that a machine whose load changes affects both sides of each ratio.
Peak memory is VmHWM of /proc/PID/status: polled while the program runs and kept at its largest
(a process's high-water mark only grows, so the last reading is the peak of the run up to then).
A last unpack runs with its writer thread starved (on one processor beside a busy loop, at nice
19), so that the files written behind queue up as far as the tool lets them: its peak is the
memory the write queue can take, which a quiet machine never shows.

  bench/expand_compare.py VURERODE SET_FIRST_SEGMENT ARCHIVE.lzh WORK_DIR [RUNS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import time


def run(cmd, starve_threads=False):
    """Runs cmd; returns its wall time in seconds and the largest VmHWM seen, in KB. With
    starve_threads, every thread but the first gets nice 19 as soon as it appears."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    status_path = f"/proc/{proc.pid}/status"
    peak = 0
    starved = set()
    while proc.poll() is None:
        if starve_threads:
            try:
                for tid in map(int, os.listdir(f"/proc/{proc.pid}/task")):
                    if tid != proc.pid and tid not in starved:
                        os.setpriority(os.PRIO_PROCESS, tid, 19)
                        starved.add(tid)
            except OSError:
                pass
        try:
            with open(status_path) as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
                        break
        except OSError:
            pass  # gone between the poll and the read
        time.sleep(0.001)
    elapsed = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit(f"expand_compare: {' '.join(cmd)} failed with status {proc.returncode}")
    return elapsed, peak


def main():
    if len(sys.argv) not in (5, 6):
        sys.exit(__doc__)
    vurerode, first_segment, lzh, work = sys.argv[1:5]
    runs = int(sys.argv[5]) if len(sys.argv) == 6 else 7
    out_set = os.path.join(work, "out-set")
    out_lzh = os.path.join(work, "out-lzh")
    ratios, peaks = [], []
    for i in range(runs):
        for d in (out_set, out_lzh):
            shutil.rmtree(d, ignore_errors=True)
        os.mkdir(out_lzh)
        sides = [("set", [vurerode, "unpack", first_segment, "-C", out_set]),
                 ("lzh", ["bsdtar", "-xf", lzh, "-C", out_lzh])]
        if i % 2:
            sides.reverse()
        result = {name: run(cmd) for name, cmd in sides}
        (t_set, peak), (t_lzh, _) = result["set"], result["lzh"]
        ratios.append(t_lzh / t_set)
        peaks.append(peak)
        print(f"run {i + 1}: vurerode unpack {t_set:.3f} s, bsdtar -x {t_lzh:.3f} s, "
              f"ratio {t_lzh / t_set:.2f}, VmHWM {peak} KB", flush=True)
    print(f"expansion: {runs} alternating runs, vurerode unpack against bsdtar -x: ratio "
          f"{min(ratios):.2f} to {max(ratios):.2f}, median {statistics.median(ratios):.2f} (target >= 1.5)")
    print(f"peak memory of vurerode unpack (VmHWM): {min(peaks)} to {max(peaks)} KB (target < 16384 KB)")

    shutil.rmtree(out_set, ignore_errors=True)
    cpu = str(max(os.sched_getaffinity(0)))
    busy = subprocess.Popen(["taskset", "-c", cpu, "sh", "-c", "while :; do :; done"])
    try:
        _, peak = run(["taskset", "-c", cpu, vurerode, "unpack", first_segment, "-C", out_set], starve_threads=True)
    finally:
        busy.kill()
    print(f"peak memory with the writer thread starved (VmHWM): {peak} KB (target < 16384 KB)")


if __name__ == "__main__":
    main()
