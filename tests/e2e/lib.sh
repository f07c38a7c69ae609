# Helpers for end-to-end tests of the real programs on a private virtual desktop.
# Each test runs in its own folder with its own display, store and runtime dir.
set -euo pipefail
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$e2e_here/../../scripts/desktop.sh"
source "$e2e_here/common.sh"
need_build

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

# A press soon after the last one would be the second half of a double
# click, which opens nothing: presses are kept apart as a user's would be.
LAST_PRESS=0
press_gap() {
  local now wait_ns
  now=$(date +%s%N)
  wait_ns=$((LAST_PRESS + 800000000 - now))
  [ $wait_ns -le 0 ] || sleep "0.$(printf '%09d' $wait_ns)"
  LAST_PRESS=$(date +%s%N)
}
icon_down() { xdotool mousemove --window "$ICON" 11 11 mousedown "$1"; }

# Presses a button on the icon and waits for the menu window that opens.
press_icon() {
  local button=$1 before
  press_gap
  before=$(orbek_windows)
  icon_down "$button"
  wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -gt $before ]" ||
    fail "no menu opened on button $button"
  xdotool mouseup "$button"
}

# What a screen reader reads, for the cases that run with E2E_A11Y=1 in a
# session bus of their own (tests/CMakeLists.txt): see a11y.py.
A11Y=$e2e_here/a11y.py

# Starts the session's accessibility bus; programs started after it expose
# their menus and windows there.
a11y_start() {
  desktop_run "$T" /usr/libexec/at-spi-bus-launcher --launch-immediately
  wait_for 10 a11y_bus || fail "the accessibility bus did not start"
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

a11y_bus() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q 'boolean true'
}

# Presses a button on the icon and reads the menu that opens as a screen
# reader does, into MENU_ITEMS: one item a line (see a11y.py menu). The menu
# stays open.
read_menu() {
  local button=$1
  press_gap
  "$A11Y" menu Orbek -- xdotool mousemove --window "$ICON" 11 11 mousedown "$button" \
    >"$T/menu.txt" || fail "no menu opened on button $button"
  LAST_PRESS=$(date +%s%N)  # the press came once the reader listened
  xdotool mouseup "$button"
  MENU_ITEMS=$(cat "$T/menu.txt")
}

# Checks that the menu on a button reads `want`, one item a line.
expect_menu() {
  local button=$1 want=$2
  read_menu "$button"
  [ "$MENU_ITEMS" = "$want" ] || fail "the menu on button $button reads:
$MENU_ITEMS
instead of:
$want"
}

# Waits until the window of program `app` titled `title` reads `want` (see
# a11y.py window).
expect_window() {
  local app=$1 title=$2 want=$3 got
  got=$("$A11Y" window "$app" "$title" --expect - <<<"$want") || fail "'$title' reads:
$got
instead of:
$want"
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

# settled_import FILE ARGS...: takes the picture `import ARGS... FILE` once
# the screen has settled: two in a row are the same (a window has been
# painted, a menu has faded in). One that keeps changing is taken as it is
# after two seconds.
settled_import() {
  local out=$1 deadline=$((SECONDS + 2))
  shift
  import "$@" "$T/settling.png"
  while :; do
    import "$@" "$out"
    [ "$(compare -metric AE "$T/settling.png" "$out" null: 2>&1)" != 0 ] || return 0
    [ $SECONDS -lt $deadline ] || return 0
    cp "$out" "$T/settling.png"
  done
}

# A screenshot people can look at.
shot() { settled_import "$E2E_ARTIFACTS/$1.png" -window root; }

desktop_start "$T" "${E2E_TRAY:-trayer}"
[ "${E2E_A11Y:-0}" != 1 ] || a11y_start
