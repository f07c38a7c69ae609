# Helpers for end-to-end tests of Orbek.exe and Nulvex.exe under Wine, on the
# desktop and in the throwaway prefix scripts/wine-tests.sh set up (DISPLAY,
# WINEPREFIX): a case seeds the store, drives the programs with the mouse and
# xdotool, and reads the store back with `reg export`.
set -euo pipefail
wine_e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$wine_e2e_here/../../scripts/desktop.sh"
source "$wine_e2e_here/common.sh"

if [ -z "${WINEPREFIX:-}" ] || [ "$(realpath -m "$WINEPREFIX")" = "$(realpath -m "$HOME/.wine")" ]; then
  echo "set WINEPREFIX to a prefix of its own (scripts/wine-tests.sh makes one)" >&2
  exit 2
fi
: "${DISPLAY:?run under scripts/wine-tests.sh, which starts a desktop}"
: "${E2E_ARTIFACTS:?}" "${ORBEK_EXE:?}" "${NULVEX_EXE:?}"
mkdir -p "$E2E_ARTIFACTS"
export WINEDEBUG=-all

T=$(mktemp -d "${TMPDIR:-/tmp}/orbek-wine-e2e.XXXXXX")
ORBEK_PID="" NULVEX_PID="" XCLIP_PID=""

APP_KEY='HKCU\Software\VB and VBA Program Settings\Orbek'
STORE_KEY="$APP_KEY\\Sentences"

# Ends what the case started, so that the next one starts with no copy of
# Orbek running (it allows one) and no icon in the tray.
wine_finish() {
  local rc=$? pid
  if [ $rc -ne 0 ]; then
    import -window root "$E2E_ARTIFACTS/${E2E_CASE:-wine}-failure.png" 2>/dev/null || true
    echo "--- visible windows:"
    for pid in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      echo "$pid '$(xdotool getwindowname "$pid" 2>/dev/null)' $(xdotool getwindowgeometry "$pid" 2>/dev/null | tr -s '\n ' ' ')"
    done
    cat "$T"/*.log 2>/dev/null || true
  fi
  # The resolution goes back to the prefix's own for the next case.
  [ -z "${DPI_SET:-}" ] || wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  for pid in $ORBEK_PID $NULVEX_PID $XCLIP_PID; do
    kill "$pid" 2>/dev/null || true
    wait_for 10 bash -c "! kill -0 $pid" || kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$T"
  exit $rc
}
trap wine_finish EXIT

shot() { import -window root "$E2E_ARTIFACTS/$1.png"; }

# The screen's resolution the programs started from now on see, in dpi.
set_dpi() {
  DPI_SET=1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
    fail "could not set the resolution"
}

# Sends keys to a Wine window, the only way they reach its menus and dialogs.
# A key that closes the window meets it gone when its release is sent: that
# error is the expected outcome, any other is not. The release then goes to
# the display, or Wine would hold the key down.
key_to() {
  local window=$1; shift
  if ! xdotool key --window "$window" "$@" 2>"$T/key.err"; then
    ! xwininfo -id "$window" >/dev/null 2>&1 || fail "keys $* did not reach window $window: $(cat "$T/key.err")"
    xdotool keyup "${@: -1}"
  fi
}

# --- The store -------------------------------------------------------------

# The registry's escaped form of a string, as `reg export` writes it.
reg_escaped() {
  local s=$1
  s=${s//\\/\\\\}
  s=${s//\"/\\\"}
  s=${s//$'\r'/\\r}
  s=${s//$'\n'/\\n}
  printf '%s' "$s"
}

# UTF-16LE bytes of a string and its terminating NUL, as .reg hex(1) data.
hex1() {
  { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0'; } |
    od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//; s/,$//'
}

# Replaces everything stored under the program's key with the given values:
#   seed_store KEY_SUFFIX NAME=VALUE ... [-- KEY_SUFFIX NAME=VALUE ...]
# Values are written as REG_SZ, byte for byte (CR LF included).
seed_store() {
  local reg="$T/seed.reg" pair
  wine reg delete "$APP_KEY" /f >/dev/null 2>&1 || true
  {
    printf 'Windows Registry Editor Version 5.00\r\n'
    local key=$1; shift
    printf '\r\n[%s]\r\n' "${APP_KEY/HKCU/HKEY_CURRENT_USER}\\$key"
    for pair in "$@"; do
      if [ "$pair" = -- ]; then key=""; continue; fi
      if [ -z "$key" ]; then
        key=$pair
        printf '\r\n[%s]\r\n' "${APP_KEY/HKCU/HKEY_CURRENT_USER}\\$key"
        continue
      fi
      printf '"%s"=hex(1):%s\r\n' "${pair%%=*}" "$(hex1 "${pair#*=}")"
    done
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
  wine reg import "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 || fail "could not seed the store"
}

# Seeds the sentences given, S0 up, with SCMax the highest index.
seed_sentences() {
  local args=(Sentences "SCMax=$(($# - 1))") k=0 s
  for s in "$@"; do args+=("S$k=$s"); k=$((k + 1)); done
  seed_store "${args[@]}"
}

# Exports a key to FILE as the registry holds it (UTF-16LE); fails when the
# key is not there.
export_key() {
  rm -f "$2"
  wine reg export "$1" "$(winepath -w "$2" 2>/dev/null)" /y >/dev/null 2>&1 && [ -s "$2" ]
}

# The values of a key, one `"name"="escaped data"` line each, sorted.
key_values() {
  export_key "$1" "$T/values.reg" || fail "the key $1 is missing"
  iconv -f UTF-16LE -t UTF-8 "$T/values.reg" | tr -d '\r' | sed '1s/^\xef\xbb\xbf//' |
    grep '^"' | LC_ALL=C sort
}

# What key_values should print for NAME=VALUE pairs.
expected_values() {
  local pair
  for pair in "$@"; do
    printf '"%s"="%s"\n' "${pair%%=*}" "$(reg_escaped "${pair#*=}")"
  done | LC_ALL=C sort
}

expect_values() {
  local key=$1 got want; shift
  got=$(key_values "$key")
  want=$(expected_values "$@")
  [ "$got" = "$want" ] || fail "$key holds:
$got
expected:
$want"
}

has_key() { wine reg query "$1" >/dev/null 2>&1; }

# --- The clipboard -----------------------------------------------------------

# Puts text on the X clipboard; xclip serves it until someone else takes it.
set_clipboard() {
  [ -z "$XCLIP_PID" ] || kill "$XCLIP_PID" 2>/dev/null || true
  printf '%s' "$1" >"$T/clip.txt"
  xclip -selection clipboard -quiet <"$T/clip.txt" >/dev/null 2>&1 &
  XCLIP_PID=$!
  wait_for 5 bash -c '[ "$(xclip -o -selection clipboard 2>/dev/null; echo x)" = "$0x" ]' "$1" ||
    fail "could not set the clipboard"
}

# --- The tray and Orbek ------------------------------------------------------

tray_window() { xdotool search --onlyvisible --class '^trayer$' | head -n1; }

# The icons embedded in the tray: Wine's icon windows belong to explorer.exe.
tray_icons() {
  local id
  for id in $(xwininfo -id "$(tray_window)" -tree | awk '/"explorer\.exe"/ {print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
  done
  return 0
}

no_tray_icon() { [ -z "$(tray_icons)" ]; }
has_tray_icon() { [ -n "$(tray_icons)" ]; }

# The centre of a window on the screen: "X Y".
window_centre() {
  xdotool getwindowgeometry "$1" | awk '
    /Position:/ {split($2, p, ","); x = p[1]; y = p[2]}
    /Geometry:/ {split($2, g, "x"); w = g[1]; h = g[2]}
    END {print int(x + w / 2), int(y + h / 2)}'
}

start_orbek() {
  wait_for 10 no_tray_icon || fail "an icon is left in the tray from before"
  wine "$ORBEK_EXE" >>"$T/orbek.log" 2>&1 &
  ORBEK_PID=$!
  wait_for 20 has_tray_icon || fail "Orbek's icon did not appear in the tray"
  ICON=$(tray_icons | head -n1)
  read -r ICON_X ICON_Y < <(window_centre "$ICON")
}

# Orbek's open popup menus: its windows without a title.
orbek_menus() {
  local id
  for id in $(xdotool search --onlyvisible --class '^orbek\.exe$' 2>/dev/null); do
    [ -n "$(xdotool getwindowname "$id" 2>/dev/null)" ] || echo "$id"
  done
  return 0
}

# Presses a mouse button on the icon and waits for the menu it opens (MENU).
# Presses closer together than the double-click time would make a double
# click, which opens nothing, so they are kept apart as a user's are.
LAST_PRESS=0
press_icon() {
  local button=$1 now wait_ns
  now=$(date +%s%N)
  wait_ns=$((LAST_PRESS + 800000000 - now))
  [ $wait_ns -le 0 ] || sleep "0.$(printf '%09d' $wait_ns)"
  [ -z "$(orbek_menus)" ] || fail "a menu is open before the press"
  xdotool mousemove "$ICON_X" "$ICON_Y" mousedown "$button"
  sleep 0.2  # a press, not a tap
  xdotool mouseup "$button"
  LAST_PRESS=$(date +%s%N)
  wait_for 5 menu_open || fail "no menu opened on button $button"
  MENU=$(orbek_menus | head -n1)
}

# The open menu stands above and left of the pointer on the icon, so that
# the icon stays free to be pressed again.
expect_menu_clear_of_icon() {
  local x y w h
  read -r x y w h < <(xdotool getwindowgeometry "$MENU" | awk '
    /Position:/ {split($2, p, ","); x = p[1]; y = p[2]}
    /Geometry:/ {split($2, g, "x"); w = g[1]; h = g[2]}
    END {print x, y, w, h}')
  [ $((y + h)) -le $((ICON_Y + 1)) ] && [ $((x + w)) -le $((ICON_X + 1)) ] ||
    fail "the menu ($w x $h at $x,$y) covers the pointer on the icon at $ICON_X,$ICON_Y"
}

menu_open() { [ -n "$(orbek_menus)" ]; }
menu_closed() { [ -z "$(orbek_menus)" ]; }

wait_menu_closed() { wait_for 5 menu_closed || fail "the menu did not close"; }

# Ends Orbek from its right menu and waits until it and its icon are gone.
exit_orbek() {
  press_icon 3
  key_to "$MENU" x
  wait_for 10 bash -c "! kill -0 $ORBEK_PID" || fail "Orbek still runs after Exit"
  local rc=0
  wait "$ORBEK_PID" || rc=$?
  ORBEK_PID=""
  [ "$rc" -eq 0 ] || fail "Orbek ended with code $rc"
  wait_for 5 no_tray_icon || fail "the icon stayed in the tray after Exit"
}

# A visible window titled exactly TITLE.
find_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }

wait_window() {
  wait_for "${2:-10}" find_window "$1" || fail "no window '$1' appeared"
  find_window "$1"
}

wait_window_gone() {
  wait_for "${2:-10}" bash -c "! xdotool search --onlyvisible --name '^$1\$'" ||
    fail "the window '$1' stayed"
}

# Waits for the window manager to give a window the focus: keys sent before
# that are lost.
wait_active() {
  wait_for 5 bash -c "[ \"\$(xdotool getactivewindow 2>/dev/null)\" = $1 ]" ||
    fail "window $1 did not get the focus"
}
