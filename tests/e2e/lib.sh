# Helpers for end-to-end tests of the real programs on a private virtual desktop.
# Each test runs in its own folder with its own display, store and runtime dir.
set -euo pipefail
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$e2e_here/../../scripts/desktop.sh"
source "$e2e_here/common.sh"

: "${ORBEK_BIN:?set ORBEK_BIN to the build folder}"
: "${E2E_ARTIFACTS:=$PWD/e2e-artifacts}"
mkdir -p "$E2E_ARTIFACTS"

T=$(mktemp -d /tmp/orbek-e2e.XXXXXX)
export XDG_CONFIG_HOME="$T/config" XDG_RUNTIME_DIR="$T/runtime"
mkdir -p "$XDG_CONFIG_HOME/Orbek" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
STORE="$XDG_CONFIG_HOME/Orbek/Orbek.ini"

finish() {
  local rc=$?
  if [ $rc -ne 0 ]; then
    echo "--- failed; desktop log:"; cat "$T/desktop.log" 2>/dev/null || true
    import -window root "$E2E_ARTIFACTS/${E2E_CASE:-e2e}-failure.png" 2>/dev/null || true
  fi
  desktop_stop "$T"
  rm -rf "$T"
  exit $rc
}
trap finish EXIT

seed() { cp "$1" "$STORE"; }

orbek_windows() { xdotool search --onlyvisible --class orbek 2>/dev/null | wc -l; }

# Starts Orbek and waits for its icon to be embedded in the tray.
start_orbek() {
  desktop_run "$T" "$ORBEK_BIN/Orbek"
  ORBEK_PID=$(tail -n1 "$T/pids")
  wait_for 20 xdotool search --onlyvisible --class orbek || fail "the icon did not appear"
  ICON=$(first_window --onlyvisible --class orbek)
}

# Presses a button on the icon and waits for the menu window that opens. A
# press soon after the last one would be the second half of a double click,
# which opens nothing, so presses are kept apart as a user's would be.
LAST_PRESS=0
press_icon() {
  local button=$1 before now
  now=$(date +%s%N)
  local wait_ns=$((LAST_PRESS + 800000000 - now))
  [ $wait_ns -le 0 ] || sleep "0.$(printf '%09d' $wait_ns)"
  LAST_PRESS=$(date +%s%N)
  before=$(orbek_windows)
  xdotool mousemove --window "$ICON" 11 11 mousedown "$button"
  wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -gt $before ]" ||
    fail "no menu opened on button $button"
  xdotool mouseup "$button"
}

wait_menu_closed() {
  wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -eq 1 ]" ||
    fail "the menu did not close"
}

# Chooses item k (0 = the first item) of the open menu with the keyboard: a
# menu opens with no item active, the first Down makes the first one active.
choose_item() {
  local keys=()
  for ((i = 0; i <= $1; i++)); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
}

# Opens the editor from menu item `item` of the menu on button `button`.
open_editor() {
  press_icon "$1"
  choose_item "$2"
  wait_for 5 xdotool search --onlyvisible --name "^Orbek\$" || fail "the editor did not open"
  EDITOR=$(xdotool search --onlyvisible --name "^Orbek\$" | tail -n1)
  xdotool windowactivate --sync "$EDITOR"
}

wait_editor_closed() {
  wait_for 5 bash -c "! xdotool search --onlyvisible --name '^Orbek\$'" || fail "the editor stayed open"
}

# Records the size of `what`'s window at `dpi` dots per inch and checks it
# keeps its proportions: within 3 % of its size at 96 dpi (measured first)
# scaled, as the window manager's frame around it does not scale.
expect_scaled() {
  local what=$1 dpi=$2 id=$3 w h got base want
  read -r w h < <(window_size "$id")
  echo "$dpi dpi: $what $w x $h" >>"$E2E_ARTIFACTS/dpi-$what.txt"
  [ "$dpi" -ne 96 ] || { W96=$w H96=$h; }
  for pair in "$w $W96" "$h $H96"; do
    read -r got base <<<"$pair"
    want=$((base * dpi / 96))
    [ $((100 * (got > want ? got - want : want - got))) -le $((3 * want)) ] ||
      fail "at $dpi dpi $what is $w x $h, not about $((W96 * dpi / 96)) x $((H96 * dpi / 96))"
  done
}

shot() { sleep 0.3; import -window root "$E2E_ARTIFACTS/$1.png"; }

desktop_start "$T" "${E2E_TRAY:-trayer}"
