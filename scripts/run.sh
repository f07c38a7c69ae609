#!/usr/bin/env bash
# Runs Orbek. On a desktop it simply starts the program. Without a display it
# starts a private virtual desktop, runs Orbek there on a throwaway store
# seeded with example sentences, opens the sentence menu and takes a
# screenshot. `scripts/run.sh --stop` ends that demonstration.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
demo=${ORBEK_DEMO_DIR:-/tmp/orbek-demo-$(id -u)}
source "$here/desktop.sh"

if [ "${1:-}" = "--stop" ]; then
  desktop_stop "$demo"
  echo "Stopped the Orbek demonstration."
  exit 0
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/Orbek"
fi

desktop_stop "$demo"
rm -rf "$demo"
mkdir -p "$demo/config/Orbek" "$demo/runtime"
chmod 700 "$demo/runtime"
cp "$here/demo-sentences.ini" "$demo/config/Orbek/Orbek.ini"
desktop_start "$demo"
XDG_CONFIG_HOME="$demo/config" XDG_RUNTIME_DIR="$demo/runtime" desktop_run "$demo" "$build/Orbek"
wait_for 10 xdotool search --onlyvisible --class orbek || { echo "Orbek's icon did not appear" >&2; exit 1; }
icon=$(xdotool search --onlyvisible --class orbek | head -n1)
# The left press opens the sentence menu; wait until it is on screen.
before=$(xdotool search --onlyvisible --class orbek | wc -l)
xdotool mousemove --window "$icon" 11 11 mousedown 1
wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -gt $before ]"
sleep 0.3  # let the menu finish painting before the picture is taken
import -window root "$demo/orbek-menu.png"
xdotool mouseup 1

cat <<MSG
Orbek is running on the virtual display $DISPLAY with example sentences.
Screenshot of its sentence menu: $demo/orbek-menu.png
Try it:   DISPLAY=$DISPLAY xdotool key Down Down Return; DISPLAY=$DISPLAY xclip -o -selection clipboard
Stop it:  make stop    (or: scripts/run.sh --stop)
MSG
