#!/usr/bin/env bash
# ctest, failing also when a test did not run: a skipped or disabled test
# tested nothing, and a run that passes must have tested everything.
#   scripts/ctest.sh BUILD_DIR [ctest arguments]
set -euo pipefail
build=${1:?usage: ctest.sh BUILD_DIR [ctest arguments]}
shift
report=$(mktemp "${TMPDIR:-/tmp}/orbek-ctest.XXXXXX.xml")
trap 'rm -f "$report"' EXIT
status=0
ctest --test-dir "$build" --output-junit "$report" "$@" || status=$?
not_run=$(sed -n 's/.*<testcase name="\([^"]*\)".* status="\(notrun\|disabled\)".*/\1 (\2)/p' "$report")
if [ -n "$not_run" ]; then
  printf 'Tests that did not run, which fails the run:\n%s\n' "$not_run" >&2
  status=1
fi
exit $status
