#!/usr/bin/env python3
"""Summarises soak runs: the logs of `make test`, one per run, named
run-NN-<setting>.log. Prints each test's runs, failures and slowest time, then
each run's outcome and length, and the slowest run. Exits 1 when any run failed.
  soak-table.py <run log>..."""
import os
import re
import sys

CTEST = re.compile(r"^\s*\d+/\d+ Test +#\d+: (\S+) \.+\s*(\*\*\*)?(\w[\w ]*?)\s+([\d.]+) sec")
# Node's TAP reporter: one top-level line per test file, then its duration.
NODE = re.compile(r"^(not ok|ok) \d+ - (.+)$")
NODE_TIME = re.compile(r"^  duration_ms: ([\d.]+)")
RUN_END = re.compile(r"== test-anywhere: under .*: (passed|FAILED.*) in (\d+) s ==")

tests = {}   # name -> [runs, failures, slowest seconds]
runs = []    # (log name, outcome, seconds, failed tests)
for path in sys.argv[1:]:
    failed, outcome, seconds, last_node = [], "no end line (cut short?)", 0, None
    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            line = line.rstrip("\n")
            m = CTEST.match(line)
            if m:
                name, bad, result, secs = m.group(1), m.group(2), m.group(3), float(m.group(4))
                entry = tests.setdefault(name, [0, 0, 0.0])
                entry[0] += 1
                entry[2] = max(entry[2], secs)
                if bad or result != "Passed":
                    entry[1] += 1
                    failed.append(name)
                continue
            m = NODE.match(line)
            if m:
                last_node = m.group(2).strip()
                entry = tests.setdefault(last_node, [0, 0, 0.0])
                entry[0] += 1
                if m.group(1) == "not ok":
                    entry[1] += 1
                    failed.append(last_node)
                continue
            m = NODE_TIME.match(line)
            if m and last_node:
                tests[last_node][2] = max(tests[last_node][2], float(m.group(1)) / 1000)
                last_node = None
                continue
            m = RUN_END.search(line)
            if m:
                outcome, seconds = m.group(1), int(m.group(2))
    runs.append((os.path.basename(path), outcome, seconds, failed))

width = max([len(n) for n in tests] + [4])
print(f"{'test'.ljust(width)}  runs  failures  slowest (s)")
for name in sorted(tests):
    r, f, slow = tests[name]
    print(f"{name.ljust(width)}  {r:4}  {f:8}  {slow:11.1f}")
print()
for name, outcome, seconds, failed in runs:
    print(f"{name}: {outcome} in {seconds} s" + (f" ({', '.join(failed)})" if failed else ""))
if runs:
    slowest = max(runs, key=lambda r: r[2])
    print(f"slowest run: {slowest[0]}, {slowest[2]} s")
bad = [r for r in runs if r[1] != "passed"]
print(f"{len(runs) - len(bad)} of {len(runs)} runs passed")
sys.exit(1 if bad else 0)
