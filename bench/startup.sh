#!/usr/bin/env bash
# Start-up time and memory of Orbek beside a bare Qt tray program (bare_tray:
# an icon and a menu, nothing else), on a private virtual desktop: the time
# from launch until the tray icon is visible, the resident memory once the
# program has settled, and the peak that /usr/bin/time reports. The median of
# RUNS runs of each (default 7); the ratios are Orbek's over the bare program's.
#   bench/startup.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
runs=${RUNS:-7}
source "$here/scripts/desktop.sh"

T=$(mktemp -d /tmp/orbek-startup.XXXXXX)
export XDG_CONFIG_HOME="$T/config" XDG_RUNTIME_DIR="$T/runtime"
mkdir -p "$XDG_CONFIG_HOME/Orbek" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$here/scripts/demo-sentences.ini" "$XDG_CONFIG_HOME/Orbek/Orbek.ini"
trap 'desktop_stop "$T"; rm -rf "$T"' EXIT
desktop_start "$T"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }

# Resident memory once it has stopped changing (three equal readings 100 ms
# apart), or whatever it is after 5 s.
settled_rss() {
  local pid=$1 last=-1 same=0 rss deadline=$((SECONDS + 5))
  while [ $same -lt 3 ] && [ $SECONDS -lt $deadline ]; do
    rss=$(rss_kb "$pid")
    if [ "$rss" = "$last" ]; then same=$((same + 1)); else same=0; last=$rss; fi
    sleep 0.1
  done
  echo "$last"
}

# One run: prints "startup_ms rss_kb peak_kb".
measure() {
  local class=$1 program=$2 start end timer pid rss
  wait_for 10 bash -c "! xdotool search --onlyvisible --class '$class'" ||
    { echo "an icon of $class is still there" >&2; return 1; }
  start=$(now_ms)
  /usr/bin/time -f '%M' -o "$T/time" "$program" >>"$T/desktop.log" 2>&1 &
  timer=$!
  until xdotool search --onlyvisible --class "$class" >/dev/null 2>&1; do
    [ $(($(now_ms) - start)) -lt 20000 ] || { echo "no icon of $class" >&2; return 1; }
  done
  end=$(now_ms)
  pid=$(pgrep -P "$timer")
  rss=$(settled_rss "$pid")
  kill "$pid"
  wait "$timer" || true
  echo "$((end - start)) $rss $(tail -n1 "$T/time")"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs alternate between the two, so that both meet the same caches and load.
: >"$T/bare"
: >"$T/orbek"
for ((i = 0; i < runs; i++)); do
  measure BareTray "$build/bench/bare_tray" >>"$T/bare"
  measure Orbek "$build/Orbek" >>"$T/orbek"
done
declare -A result
for name in bare orbek; do
  result[$name.ms]=$(cut -d' ' -f1 "$T/$name" | median)
  result[$name.rss]=$(cut -d' ' -f2 "$T/$name" | median)
  result[$name.peak]=$(cut -d' ' -f3 "$T/$name" | median)
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
printf '%-12s %12s %12s %12s\n' "median of $runs" "start-up ms" "RSS MiB" "peak MiB"
printf '%-12s %12s %12s %12s\n' "bare tray" "${result[bare.ms]}" "$(mib "${result[bare.rss]}")" \
  "$(mib "${result[bare.peak]}")"
printf '%-12s %12s %12s %12s\n' "Orbek" "${result[orbek.ms]}" "$(mib "${result[orbek.rss]}")" \
  "$(mib "${result[orbek.peak]}")"
printf '%-12s %12s %12s %12s   (target: at most 1.15)\n' "ratio" \
  "$(ratio "${result[orbek.ms]}" "${result[bare.ms]}")" \
  "$(ratio "${result[orbek.rss]}" "${result[bare.rss]}")" \
  "$(ratio "${result[orbek.peak]}" "${result[bare.peak]}")"
