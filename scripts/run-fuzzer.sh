#!/usr/bin/env bash
# Builds the fuzz targets with the "fuzz" preset (clang, address and undefined behaviour sanitizers) and runs each
# for its share of SECONDS (default 120) over a copy of its corpus, tests/fuzz/corpus-NAME, with the dictionary
# tests/fuzz/NAME.dict, in a temporary folder; the repository is never written to. TARGET names limit the run to
# those targets (codec, contract, settings, checkpoint, couch-response). Every target runs even after a finding;
# then the script exits non-zero and keeps the temporary folder, whose NAME/artifacts/ holds the inputs.
set -euo pipefail

all_targets=(codec contract settings checkpoint couch-response)

usage() {
    echo "usage: $0 [SECONDS [TARGET...]]   (targets: ${all_targets[*]})" >&2
    exit 2
}

seconds="${1:-120}"
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${all_targets[@]}")
for name in "${targets[@]}"; do
    [[ " ${all_targets[*]} " == *" $name "* ]] || usage
done
share=$((seconds / ${#targets[@]}))
[[ $share -ge 1 ]] || share=1

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset fuzz >/dev/null
executables=()
for name in "${targets[@]}"; do
    executables+=("tallowin-$name-fuzzer")
done
cmake --build build/fuzz --target "${executables[@]}"

work="$(mktemp -d "${TMPDIR:-/tmp}/tallowin-fuzz.XXXXXX")"
found=()
for name in "${targets[@]}"; do
    mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
    cp "tests/fuzz/corpus-$name"/* "$work/$name/corpus/"
    echo "== tallowin-$name-fuzzer for $share s"
    status=0
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
        "build/fuzz/tests/fuzz/tallowin-$name-fuzzer" \
        -max_total_time="$share" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -dict="tests/fuzz/$name.dict" -artifact_prefix="$work/$name/artifacts/" "$work/$name/corpus" \
        || status=$?
    if [[ $status -ne 0 ]]; then
        echo "run-fuzzer: tallowin-$name-fuzzer found something (exit status $status)" >&2
        found+=("$name")
    fi
done

if [[ ${#found[@]} -gt 0 ]]; then
    for name in "${found[@]}"; do
        echo "run-fuzzer: finding of tallowin-$name-fuzzer; inputs kept in $work/$name/artifacts" >&2
        ls -l "$work/$name/artifacts" >&2 || true
    done
    exit 1
fi
rm -rf "$work"
echo "run-fuzzer: no findings in ${seconds} s over ${targets[*]}"
