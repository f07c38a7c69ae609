#!/usr/bin/env bash
# Runs the Windows build's tests (ctest) under Wine, in a fresh Wine prefix in a
# temporary folder, removed afterwards: the tests write to its registry.
# Usage: scripts/wine-tests.sh BUILD_DIR [ctest arguments]
set -euo pipefail
build=$1
shift

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/orbek-wine.XXXXXX")
# Without winemenubuilder, neither wineboot nor a shortcut that a test makes
# writes menu entries and file types into the home folder.
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# One server for the whole run: started anew for each test once it has
# stopped, Wine takes seconds a test instead of milliseconds.
wineserver -p
wineboot -i >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
