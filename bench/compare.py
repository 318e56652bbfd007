#!/usr/bin/env python3
"""Old against new in one run, so that a busy machine slows both alike.

Usage: bench/compare.py OLD_BENCH NEW_BENCH FILTER ROUNDS
Each round runs both vornex_bench binaries on FILTER from the repository's top folder,
alternating which goes first; the figure of each benchmark is its minimum CPU time (wall time
for real_time benchmarks) over the rounds.
"""
import collections
import json
import os
import subprocess
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
old, new = (os.path.abspath(b) for b in sys.argv[1:3])
pattern, rounds = sys.argv[3], int(sys.argv[4])
times = collections.defaultdict(lambda: {"old": [], "new": [], "unit": ""})
for r in range(rounds):
    order = [("old", old), ("new", new)] if r % 2 == 0 else [("new", new), ("old", old)]
    for tag, binary in order:
        out = subprocess.run([binary, "--benchmark_filter=" + pattern, "--benchmark_format=json",
                              "--benchmark_min_time=0.2"], capture_output=True, text=True, cwd=top).stdout
        for b in json.loads(out)["benchmarks"]:
            key = "real_time" if "real_time" in b["name"] else "cpu_time"
            times[b["name"]][tag].append(b[key])
            times[b["name"]]["unit"] = b["time_unit"]
for name, t in times.items():
    o, n = min(t["old"]), min(t["new"])
    print(f"{name:45s} old {o:12.3f} new {n:12.3f} {t['unit']}  new/old {n / o:5.2f}")
