#!/usr/bin/env bash
# Installs the CouchDB-compatible server the sync tests start (pouchdb-server, in memory) into
# tests/server/node_modules from the committed lock file. Safe to run again: it does nothing when
# the installed tree matches the lock file. Optional dependencies are left out: they are the
# on-disk storage adapters with native modules, and the tests only use the in-memory one.
set -euo pipefail
cd "$(dirname "$0")/../tests/server"

for tool in node npm; do
    if ! command -v "$tool" >/dev/null; then
        echo "install-test-server: '$tool' is missing; run scripts/install-deps.sh first" >&2
        exit 1
    fi
done

stamp=node_modules/.tallowin-lock.sha256
wanted=$(sha256sum package.json package-lock.json | sha256sum | cut -d' ' -f1)
if [[ -f $stamp && $(cat "$stamp") == "$wanted" && -f node_modules/pouchdb-server/package.json ]]; then
    exit 0
fi

echo "Installing the test server into tests/server/node_modules"
npm ci --omit=optional --no-audit --no-fund --loglevel=error
node -e 'require("pouchdb-server/package.json").version === "4.2.0" || process.exit(1)' || {
    echo "install-test-server: pouchdb-server 4.2.0 is not what got installed" >&2
    exit 1
}
echo "$wanted" >"$stamp"
