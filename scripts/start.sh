#!/usr/bin/env bash
# Installs what is missing, builds, and starts the application on the deck at the default location
# (created when missing). Without a display it loads the deck headless, reports it and prints it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build build/dev --target tallowin tallowin-cli

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec build/dev/Tallowin/tallowin "$@"
fi
echo "No display: loading the deck headless."
QT_QPA_PLATFORM=offscreen build/dev/Tallowin/tallowin --load-and-quit
build/dev/cli/tallowin-cli render
echo
