#!/usr/bin/env python3
"""Times and weighs whole tgv commands against a baseline in the same run.

Usage:
  Measure.py time RUNS NAME -- A ... [--vs B ...]
      A and B (when given) run in turn, A B A B ..., RUNS times each after one
      run not counted; prints the wall seconds of each as median (min-max) and
      the ratio A/B taken pair by pair, so a machine whose speed drifts during
      the call moves both sides of a ratio alike.
  Measure.py cpu RUNS NAME -- A ... [--vs B ...]
      The same with the processor seconds (user + system) of each command
      instead of its wall seconds: on a machine shared with other work the
      wall clock mostly counts the waits for a processor.
  Measure.py peak RUNS NAME -- A ... [--vs B ...]
      The peak resident memory of each command as /usr/bin/time -v reports it
      (its "Maximum resident set size"), median (min-max), in MiB.
Commands run without a shell; one that needs a redirection is sh -c '...'.
Their output is thrown away.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def spread(values, unit=""):
    return "%.3g%s (%.3g-%.3g)" % (statistics.median(values), unit, min(values), max(values))


def run(command):
    start = time.perf_counter()
    status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL).returncode
    seconds = time.perf_counter() - start
    if status not in (0, 1):
        sys.exit("failed (exit %d): %s" % (status, " ".join(command)))
    return seconds


def cpu(command):
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode not in (0, 1):
        sys.exit("failed (exit %d): %s" % (process.returncode, " ".join(command)))
    return usage.ru_utime + usage.ru_stime


def peak(command):
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        run(["/usr/bin/time", "-v", "-o", report.name] + command)
        for line in report:
            if "Maximum resident set size" in line:
                return int(line.split(":")[1]) / 1024.0
    sys.exit("no peak reported for: " + " ".join(command))


def main():
    mode, runs, name = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    rest = sys.argv[sys.argv.index("--") + 1:]
    a, b = (rest[:rest.index("--vs")], rest[rest.index("--vs") + 1:]) if "--vs" in rest else (rest, None)
    measure = {"time": run, "cpu": cpu, "peak": peak}[mode]
    unit = " MiB" if mode == "peak" else " s"
    measure(a)
    if b:
        measure(b)
    ta, tb = [], []
    for _ in range(runs):
        ta.append(measure(a))
        if b:
            tb.append(measure(b))
    line = "%-44s A %s" % (name, spread(ta, unit))
    if b:
        line += "   B %s   A/B %s" % (spread(tb, unit), spread([x / y for x, y in zip(ta, tb)]))
    print(line, flush=True)


if __name__ == "__main__":
    main()
