#!/usr/bin/env bash
# Runs each fuzz target of a build a short while, from its seeds in
# fuzz/corpus/<target> (left as they are: new inputs go to the build folder).
# An input that breaks a target is saved in BUILD/fuzz-artifacts; make it a
# unit test.
set -euo pipefail
build=${1:?usage: fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-20}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(cd "$build" && pwd)/fuzz-work
artifacts=$(cd "$build" && pwd)/fuzz-artifacts
mkdir -p "$artifacts"
passed=0 failed=0
for target in conv caption ini ini_write; do
  mkdir -p "$work/$target"
  echo "== ${target}_fuzz, ${seconds} s"
  if "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/${target}-" \
      "$work/$target" "$here/fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$work/$target.log" || true
    passed=$((passed + 1))
  else
    tail -n 40 "$work/$target.log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
