#!/usr/bin/env bash
# Runs a sanitized build's tests and fails on any sanitizer report, also one
# from a program an end-to-end test started and whose exit code it does not
# see. Left out: the package test, which would install the instrumented
# programs, and the whole desktops' tests, which the plain build runs and
# which would take as long again.
set -euo pipefail
build=${1:?usage: sanitized.sh BUILD_DIR}
logs=$(cd "$build" && pwd)/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="log_path=$logs/asan${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="log_path=$logs/ubsan${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
status=0
"$(dirname "$0")/ctest.sh" "$build" --output-on-failure --timeout 300 -LE 'package|desktop' ||
  status=$?

# A report is a log with something in it. A process that a test kills at a
# random moment (the stress tests kill writers) can leave one created but
# empty, or, killed during its leak check at exit, one in which the check's
# tracer says only that the killed thread's registers were gone. Those are
# named, and are no report.
killed=()
reports=()
for log in "$logs"/*; do
  [ -f "$log" ] || continue
  if [ ! -s "$log" ] || ! grep -qv 'Unable to get registers from thread' "$log"; then
    killed+=("$(basename "$log")")
  else
    reports+=("$log")
  fi
done
[ ${#killed[@]} -eq 0 ] ||
  echo "Sanitizer logs of killed processes, no report in them: ${killed[*]}" >&2
if [ ${#reports[@]} -gt 0 ]; then
  echo "Sanitizer reports:" >&2
  cat "${reports[@]}" >&2
  status=1
fi
exit $status
