#!/usr/bin/env bash
# Runs a sanitized build's tests (all but the package test, which would
# install the instrumented programs) and fails on any sanitizer report, also
# one from a program an end-to-end test started and whose exit code it does
# not see.
set -euo pipefail
build=${1:?usage: sanitized.sh BUILD_DIR}
logs=$(cd "$build" && pwd)/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="log_path=$logs/asan${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="log_path=$logs/ubsan${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
status=0
ctest --test-dir "$build" --output-on-failure --timeout 300 -LE package || status=$?
if compgen -G "$logs/*" >/dev/null; then
  echo "Sanitizer reports:" >&2
  cat "$logs"/* >&2
  status=1
fi
exit $status
