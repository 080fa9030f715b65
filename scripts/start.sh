#!/usr/bin/env bash
# Installs what is missing, builds, and shows the deck at the default location (created when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target tallowin-cli

cli=build/dev/cli/tallowin-cli
if ! "$cli" check >/dev/null 2>&1; then
    "$cli" init
fi
"$cli" render
echo
