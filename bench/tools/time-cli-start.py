#!/usr/bin/env python3
"""Times the fixed cost of one tallowin-cli call, start to exit: `--help` and `check` of an empty deck, set against
/bin/true, the three run in turn so that they meet the same machine.

Usage: time-cli-start.py BUILD_DIR [--runs N]
Prints, per command, the median wall time and the median processor time (user and system) over the runs, and each
one's distance from /bin/true."""

import argparse
import os
import statistics
import subprocess
import tempfile
import time


def timed(command):
    started = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = (time.perf_counter() - started) * 1000
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{' '.join(command)} failed")
    return wall, (usage.ru_utime + usage.ru_stime) * 1000


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=200)
    args = parser.parse_args()
    cli = os.path.join(args.build, "cli", "tallowin-cli")
    with tempfile.TemporaryDirectory() as folder:
        deck = os.path.join(folder, "Tallowin.md")
        subprocess.run([cli, "--file", deck, "init"], check=True, stdout=subprocess.DEVNULL)
        commands = {
            "/bin/true": ["/bin/true"],
            "tallowin-cli --help": [cli, "--help"],
            "tallowin-cli check (empty deck)": [cli, "--file", deck, "check"],
        }
        walls = {name: [] for name in commands}
        cpus = {name: [] for name in commands}
        for _ in range(10):
            for command in commands.values():
                timed(command)
        for _ in range(args.runs):
            for name, command in commands.items():
                wall, cpu = timed(command)
                walls[name].append(wall)
                cpus[name].append(cpu)
    baseline_wall = statistics.median(walls["/bin/true"])
    baseline_cpu = statistics.median(cpus["/bin/true"])
    for name in commands:
        wall = statistics.median(walls[name])
        cpu = statistics.median(cpus[name])
        print(f"{name:32s} wall {wall:6.2f} ms ({wall - baseline_wall:+6.2f})   "
              f"processor {cpu:6.2f} ms ({cpu - baseline_cpu:+6.2f})   over {args.runs} runs")


if __name__ == "__main__":
    main()
