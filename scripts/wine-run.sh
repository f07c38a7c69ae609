#!/usr/bin/env bash
# Runs a Windows executable under Wine, in the prefix WINEPREFIX names and
# never in the user's own (~/.wine): tests write to its registry.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ "$(realpath -m "$WINEPREFIX")" = "$(realpath -m "$HOME/.wine")" ]; then
  echo "wine-run.sh: set WINEPREFIX to a prefix of its own (scripts/wine-tests.sh makes one)" >&2
  exit 2
fi
export WINEDEBUG=-all
exec wine "$@"
