#!/usr/bin/env bash
# End-to-end tests of how Orbek starts where there is no tray or no display
# yet, one case per run:
#   startup_test.sh late-trayer | left-lock | no-display
#   dbus-run-session -- startup_test.sh late-xfce
E2E_CASE=$1
E2E_TRAY=none
source "$(dirname "$0")/lib.sh"
source "$e2e_here/sni_lib.sh"

NO_TRAY="Orbek: 通知領域が見つかりません。通知領域が現れたらアイコンを表示します。"

# Waits at most two seconds for the icon to be in the tray, and opens and
# closes its menu to show it works there. On xfce4-panel, which hosts items
# over D-Bus, the item registers and the panel draws it.
expect_icon_soon() {
  local before
  if [ "$1" = xfce ]; then
    wait_for 2 sni_registered || fail "no item registered within two seconds of the tray"
    wait_for 5 icon_drawn || fail "the panel shows no icon"
    before=$(menus_open orbek)
    click_icon 1 orbek
  else
    wait_for 2 xdotool search --onlyvisible --class orbek || fail "no icon within two seconds of the tray"
    ICON=$(first_window --onlyvisible --class orbek)
    before=$(menus_open orbek)
    press_icon 1
  fi
  xdotool key Escape
  wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -eq $before ]" ||
    fail "the menu did not close"
}
icon_gone() {
  if [ "$1" = xfce ]; then ! sni_registered; else ! xdotool search --onlyvisible --class orbek; fi
}

case $E2E_CASE in
  late-trayer | late-xfce)
    tray=${E2E_CASE#late-}
    seed "$e2e_here/seed.ini"
    "$ORBEK_BIN/Orbek" 2>"$T/orbek.err" &
    ORBEK_PID=$!
    echo "$ORBEK_PID" >>"$T/pids"
    wait_for 10 grep -qx "$NO_TRAY" "$T/orbek.err" || fail "no word of the missing tray: $(cat "$T/orbek.err")"
    ! xdotool search --onlyvisible --class orbek >/dev/null 2>&1 || fail "an icon showed without a tray"
    tray_start "$T" "$tray"
    expect_icon_soon "$tray"
    shot "late-$tray"
    # The tray restarted: the icon moves to the new one.
    tray_stop "$T"
    wait_for 5 icon_gone "$tray" || fail "the icon outlived its tray"
    tray_start "$T" "$tray"
    expect_icon_soon "$tray"
    [ "$(grep -c . "$T/orbek.err")" -eq 1 ] || fail "Orbek said: $(cat "$T/orbek.err")"
    ;;
  left-lock)
    # A copy killed as it took the lock left the file empty: no one holds it.
    : >"$XDG_RUNTIME_DIR/Orbek.lock"
    tray_start "$T" trayer
    seed "$e2e_here/seed.ini"
    start_orbek
    timeout 10 "$ORBEK_BIN/Orbek" || fail "the second copy did not end by itself"
    [ "$(orbek_windows)" -eq 1 ] || fail "a second icon appeared"
    ;;
  no-display)
    rc=0
    env -u WAYLAND_DISPLAY DISPLAY=:4096 "$ORBEK_BIN/Orbek" >"$T/out" 2>"$T/err" || rc=$?
    [ "$rc" -eq 1 ] || fail "exit code $rc"
    [ "$(cat "$T/err")" = "Orbek: ディスプレイ :4096 を開けません (xcb)。" ] ||
      fail "Orbek said: $(cat "$T/err")"
    [ ! -s "$T/out" ] || fail "Orbek printed: $(cat "$T/out")"
    # A Wayland session without any display: the X11 one it tried is named.
    rc=0
    env -u DISPLAY -u QT_QPA_PLATFORM XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-9 \
      "$ORBEK_BIN/Nulvex" 2>"$T/err" || rc=$?
    [ "$rc" -eq 1 ] || fail "exit code $rc"
    [ "$(cat "$T/err")" = "Nulvex: ディスプレイ (DISPLAY が未設定) を開けません (xcb)。" ] ||
      fail "Nulvex said: $(cat "$T/err")"
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
