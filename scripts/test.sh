#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suites, the same suites under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for two minutes in all.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/install-test-server.sh

echo "== Formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

echo "== Build and test"
cmake --preset ci >/dev/null
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci -j "$jobs" --no-tests=error

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan -j "$jobs" --no-tests=error

echo "== Fuzz the decoders of outside input"
scripts/run-fuzzer.sh "${TALLOWIN_FUZZ_SECONDS:-120}"
