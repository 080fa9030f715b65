#!/usr/bin/env bash
# Builds the deck codec fuzzer with the "fuzz" preset (clang, address and undefined behaviour sanitizers) and runs
# it for SECONDS (default 60) over a copy of tests/fuzz/corpus-codec in a temporary folder; the repository is never
# written to. Exits non-zero on a finding and keeps the temporary folder, whose artifacts/ holds the input.
set -euo pipefail

seconds="${1:-60}"
if [[ ! "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target tallowin-codec-fuzzer

work="$(mktemp -d "${TMPDIR:-/tmp}/tallowin-fuzz.XXXXXX")"
mkdir "$work/corpus" "$work/artifacts"
cp tests/fuzz/corpus-codec/* "$work/corpus/"

status=0
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    build/fuzz/tests/fuzz/tallowin-codec-fuzzer \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -dict=tests/fuzz/codec.dict -artifact_prefix="$work/artifacts/" "$work/corpus" || status=$?

if [[ $status -ne 0 ]]; then
    echo "run-fuzzer: finding (exit status $status); inputs kept in $work/artifacts" >&2
    ls -l "$work/artifacts" >&2 || true
    exit "$status"
fi
rm -rf "$work"
echo "run-fuzzer: no findings in ${seconds} s"
