#!/usr/bin/env bash
# Runs the Windows build's tests (ctest) under Wine, in a fresh Wine prefix in a
# temporary folder, removed afterwards: the tests write to its registry. The
# programs' windows and icons go to a private virtual desktop with a tray.
# Usage: scripts/wine-tests.sh BUILD_DIR [ctest arguments]
#        scripts/wine-tests.sh --run BUILD_DIR/PROGRAM.exe [arguments]
set -euo pipefail
run=""
if [ "$1" = --run ]; then
  run=$2
  build=$(dirname "$run")
  shift 2
else
  build=$1
  shift
fi
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop.sh
source "$here/desktop.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/orbek-wine.XXXXXX")
WINEPREFIX=$work/prefix
# Without winemenubuilder, neither wineboot nor a shortcut that a test makes
# writes menu entries and file types into the home folder.
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$WINEPREFIX" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  desktop_stop "$work/desktop" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

desktop_start "$work/desktop" trayer-fixed
# One server for the whole run: started anew for each test once it has
# stopped, Wine takes seconds a test instead of milliseconds.
wineserver -p
wineboot -i >/dev/null 2>&1
# The Japanese faces the programs ask for, by a face this system has.
for face in "MS UI Gothic" "ＭＳ Ｐゴシック"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
    /d "Noto Sans CJK JP" /f >/dev/null 2>&1
done
# Wine's desktop process for the whole run (see tests/win32/stand_in.cpp).
wine "$build/tests/stand_in.exe" desktop >"$work/stand_in.log" 2>&1 &
wait_for 60 grep -q ready "$work/stand_in.log" || { echo "Wine's desktop did not start" >&2; exit 1; }
if [ -n "$run" ]; then
  wine "$run" "$@"
else
  "$here/ctest.sh" "$build" --output-on-failure --timeout 300 "$@"
fi
