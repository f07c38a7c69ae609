#!/usr/bin/env bash
# Orbek on a whole desktop, started headless in a session of the test's own,
# tried as a user would and read as the user sees it, one desktop a run:
#   desktop_test.sh sway | gnome-x11 | gnome-wayland | plasma-x11 | plasma-wayland
# Needs ORBEK_BIN (the build folder) and ORBEK_WL_INPUT (the wl_input tool).
set -euo pipefail
DESKTOP=$1
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$e2e_here/../../scripts/desktop.sh"
source "$e2e_here/common.sh"
need_build

T=$(mktemp -d /tmp/orbek-desktop.XXXXXX)
chmod 755 "$T"
finish() {
  local rc=$?
  if [ $rc -ne 0 ]; then
    session_shot "$T/failure.png" 2>/dev/null && cp "$T/failure.png" "$E2E_ARTIFACTS/$DESKTOP-failure.png"
    echo "--- failed; the session's log:"
    tail -n 60 "$T/session.log" 2>/dev/null || true
    echo "--- Orbek's output:"
    cat "$T/orbek.log" 2>/dev/null || true
    # E2E_HOLD=SECONDS keeps a failed session that long, to look at it.
    [ -z "${E2E_HOLD:-}" ] || { echo "holding $T"; sleep "$E2E_HOLD"; }
  fi

  exec 9>&- 2>/dev/null || true
  desktop_stop "$T"
  # Whatever the session started is gone too: everything that runs with its folders.
  local pids
  pids=$(session_processes)
  [ -z "$pids" ] || kill $pids 2>/dev/null || true
  wait_for 5 no_session_processes || kill -KILL $(session_processes) 2>/dev/null || true
  rm -rf "$T"
  exit $rc
}
trap finish EXIT
session_processes() {
  grep -lz "^XDG_RUNTIME_DIR=$T/runtime\$" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 || true
}
no_session_processes() { [ -z "$(session_processes)" ]; }

: >"$T/pids"

source "$e2e_here/desktop/session.sh"
# Orbek's own menus and windows read as a screen reader reads them.
session_env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

case $DESKTOP in
  sway) source "$e2e_here/desktop/sway.sh" ;;
  gnome-x11 | gnome-wayland) source "$e2e_here/desktop/gnome.sh" ;;
  plasma-x11 | plasma-wayland) source "$e2e_here/desktop/plasma.sh" ;;
  *) fail "unknown desktop $DESKTOP" ;;
esac

# The programs and tools the session runs, where its user may read them.
mkdir -p "$T/bin" "$XDG_CONFIG_HOME/Orbek"
cp "$ORBEK_BIN/Orbek" "$ORBEK_WL_INPUT" "$e2e_here/a11y.py" "$e2e_here"/desktop/*.py "$T/bin/"
a11y() { in_session /usr/bin/python3 "$T/bin/a11y.py" "$@"; }
STORE="$XDG_CONFIG_HOME/Orbek/Orbek.ini"
cp "$e2e_here/seed.ini" "$STORE"

# A screenshot once the screen is still: two pictures in a row the same.
shot() {
  [ -z "${NO_SCREENSHOTS:-}" ] || return 0
  session_shot "$T/shot.png"
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    sleep 0.3
    session_shot "$T/again.png"
    [ "$(compare -metric AE "$T/shot.png" "$T/again.png" null: 2>&1 || true)" != 0 ] || break
    mv "$T/again.png" "$T/shot.png"
  done
  cp "$T/shot.png" "$E2E_ARTIFACTS/$DESKTOP-$1.png"
}



# What the menus show of the seeded sentences and of the commands, as a
# tray shows a caption: the access key's mark dropped.
SENTENCES=$(printf '%s\n' "設定(S)..." - "お世話になっております。\\n..." "Tom  Jerry" \
  "123456789012345678901234567890" "123456789012345678901234567890..." "" "日本語の文章です" \
  "last one")
COMMANDS=$(printf '%s\n' "現在の内容を登録(R)" "設定(S)..." - "About(A)..." - "Exit(X)")
# The menu a left click shows, with the sentences given.
left_menu() {
  if [ "$MENU_KIND" = combined ]; then printf '%s\n-\n%s' "$1" "$COMMANDS"; else printf '%s' "$1"; fi
}
COMMAND_BUTTON=left
[ "$MENU_KIND" = combined ] || COMMAND_BUTTON=right

# The menu covers the screen just below or just above the icon, where it
# did not before: it opened at the icon.
menu_next_to_icon() {
  local box side height
  session_shot "$T/menu.png"
  height=$(identify -format %h "$T/menu.png")
  for side in below above; do
    local top=$((ICON_Y + 24))
    [ $side = below ] || top=$((ICON_Y - 64))
    [ $top -ge 0 ] && [ $((top + 40)) -le "$height" ] || continue
    box=40x40+$((ICON_X - 20))+$top
    convert "$T/start.png" -crop "$box" +repage "$T/before.png"
    convert "$T/menu.png" -crop "$box" +repage "$T/after.png"
    [ "$(compare -metric AE "$T/before.png" "$T/after.png" null: 2>&1 || true)" -lt 400 ] || return 0
  done
  return 1
}
menu_at_icon() {
  [ -z "${NO_SCREENSHOTS:-}" ] || return 0  # the tray's own popup, anchored to its icon
  wait_for 5 menu_next_to_icon || fail "no menu next to the icon at $ICON_X,$ICON_Y"
}
no_timeout_reported() {
  ! grep -iE "timeout was reached|timed out|no ?reply" "$T/session.log" ||
    fail "the tray reported a time-out"
}

expect_menu() {
  local got
  got=$(menu_items)
  [ "$got" = "$1" ] || fail "the menu reads:
$got
expected:
$1"
}

clipboard_is() { [ "$(clipboard_read; echo x)" = "${1}x" ]; }
expect_session_clipboard() {
  wait_for 10 clipboard_is "$1" || fail "the session's applications read '$(clipboard_read)', expected '$1'"
}
version_box() { in_session xdotool search --onlyvisible --name "^Orbek のバージョン情報\$" | head -n1; }
no_version_box() { [ -z "$(version_box)" ]; }
orbek_ended() { ! kill -0 "$ORBEK_PID" 2>/dev/null; }
item_gone() { ! item_registered; }

# Orbek as the session starts it. Wayland sessions often ask every Qt
# program for Wayland: Orbek runs through XWayland all the same.
start_orbek() {
  local platform=()
  [ -z "${SESSION_WAYLAND:-}" ] || platform=(QT_QPA_PLATFORM=wayland)
  in_session env "${platform[@]}" "$T/bin/Orbek" >"$T/orbek.log" 2>&1 &
  ORBEK_PID=$!
  wait_for 20 item_registered ||
    fail "Orbek's item did not register; Orbek $(kill -0 $ORBEK_PID 2>/dev/null && echo runs || echo ended)"

}

session_start
start_orbek
locate_icon
echo "the icon is at $ICON_X,$ICON_Y"
if [ -z "${NO_SCREENSHOTS:-}" ]; then
  session_shot "$T/start.png"
  cp "$T/start.png" "$E2E_ARTIFACTS/$DESKTOP-start.png"
fi

# One left click shows the sentences, at the icon.
open_menu left
expect_menu "$(left_menu "$SENTENCES")"
menu_at_icon
shot left-menu
choose "日本語の文章です"
expect_session_clipboard "日本語の文章です"
open_menu left
choose "お世話になっております。\\n..."
expect_session_clipboard "$(printf 'お世話になっております。\n株式会社サンプルの山田です。\nよろしくお願いいたします。')"

# Text another application copied registers.
clipboard_write "別のアプリから"
open_menu "$COMMAND_BUTTON"
shot command-menu
choose "現在の内容を登録(R)"
wait_for 10 grep -qx 'SCMax=7' "$STORE" || fail "the count did not become 7"
grep -qx 'S7=別のアプリから' "$STORE" || fail "S7 is $(grep '^S7=' "$STORE")"
SENTENCES+=$'\n別のアプリから'
open_menu left
expect_menu "$(left_menu "$SENTENCES")"
choose "別のアプリから"
expect_session_clipboard "別のアプリから"

# The version box; while it is open the tray's menu offers nothing.
open_menu "$COMMAND_BUTTON"
choose "About(A)..."
wait_for 10 version_box || fail "the version box did not open"
shot version-box
if [ "$MENU_KIND" = combined ]; then
  open_menu left
  ! menu_items | grep -v '^-$' | grep -v 'disabled' | grep -q . ||
    fail "the menu offers something while the version box is open: $(menu_items)"
  close_menu
fi
in_session xdotool windowactivate --sync "$(version_box)" key Return
wait_for 10 no_version_box || fail "the version box stayed"

# A menu left open half a minute: the tray waited for nothing of Orbek's,
# so it opens no other menu and reports no time-out.
open_menu left
sleep 30
expect_menu "$(left_menu "$SENTENCES")"
no_timeout_reported
close_menu

# Exit: the icon goes and Orbek ends.
open_menu "$COMMAND_BUTTON"
choose "Exit(X)"
wait_for 10 orbek_ended || fail "Orbek did not end"
wait "$ORBEK_PID" || fail "Orbek ended with $?"
wait_for 10 item_gone || fail "the icon stayed"
shot exit
echo "PASS: $DESKTOP"
