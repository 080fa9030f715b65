#!/usr/bin/env python3
"""Times `tallowin-cli complete` of one card in a large deck as a whole process, start to exit, and
sets it against the bare I/O floor of StorageBenchmark on the same deck size, measured in between.

Usage: time-cli-complete.py BUILD_DIR [--cards N] [--runs N]
BUILD_DIR is a Release build with benchmarks (for example build/bench)."""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def floor_ms(build, cards):
    out = subprocess.run(
        [os.path.join(build, "bench", "StorageBenchmark"), f"--benchmark_filter=ioFloor/{cards}/",
         "--benchmark_repetitions=3", "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return [b["real_time"] for b in runs]


def timed_complete(cli, deck, card):
    started = time.perf_counter()
    child = subprocess.Popen([cli, "--file", deck, "complete", card, "Done, see https://example.com/r/1"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = (time.perf_counter() - started) * 1000
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"tallowin-cli failed: {child.stderr.read().decode()}")
    return elapsed, usage.ru_maxrss * 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--cards", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=21)
    args = parser.parse_args()
    cli = os.path.join(args.build, "cli", "tallowin-cli")
    with tempfile.TemporaryDirectory() as folder:
        pristine = os.path.join(folder, "pristine.md")
        subprocess.run([os.path.join(args.build, "tests", "support", "tallowin-generate-deck"), str(args.cards), "20260314",
                        pristine], check=True, stdout=subprocess.DEVNULL)
        size = os.path.getsize(pristine)
        deck = os.path.join(folder, "Tallowin.md")
        queue = subprocess.run([cli, "--file", pristine, "queue"], check=True, capture_output=True,
                               text=True).stdout.splitlines()
        card = queue[0].split("\t")[0]
        floors = floor_ms(args.build, args.cards)
        times, peaks = [], []
        for _ in range(args.runs):
            shutil.copyfile(pristine, deck)
            os.chmod(deck, 0o600)
            # The copy's dirty pages would otherwise be flushed by the command's own fsync.
            os.sync()
            elapsed, peak = timed_complete(cli, deck, card)
            times.append(elapsed)
            peaks.append(peak)
        floors += floor_ms(args.build, args.cards)
    floor = statistics.median(floors)
    median = statistics.median(times)
    print(f"deck: {args.cards} cards, {size / 1e6:.1f} MB")
    print(f"complete: median {median:.1f} ms over {args.runs} runs (range {min(times):.1f}-{max(times):.1f})")
    print(f"I/O floor: median {floor:.1f} ms over {len(floors)} repetitions (before and after)")
    print(f"ratio: {median / floor:.2f}x")
    print("runs:", " ".join(f"{t:.0f}" for t in sorted(times)))
    print(f"peak memory: {max(peaks) / 1e6:.1f} MB = {max(peaks) / size:.2f}x the file")


if __name__ == "__main__":
    main()
