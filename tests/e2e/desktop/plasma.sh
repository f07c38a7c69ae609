# KDE Plasma: KWin and the Plasma shell, whose panel hosts the tray; on X11
# (Xvfb), or headless on Wayland with XWayland. On X11 the panel draws the
# command menu and reports a left click to Orbek, which opens the sentence
# menu of its own there; on Wayland the panel draws one menu that holds both.
# The panel and the menus are read over AT-SPI; on Wayland KWin's fake input
# drives the seat, and KWin gives the tests no screenshot.

if [ "$DESKTOP" = plasma-x11 ]; then
  MENU_KIND=separate
else
  MENU_KIND=combined SESSION_WAYLAND=1 NO_SCREENSHOTS=1
fi

session_start() {
  session_env XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 \
    LIBGL_ALWAYS_SOFTWARE=1
  # The services the bus starts must see this session, or the shell aborts.
  if [ "$DESKTOP" = plasma-x11 ]; then
    start_x_server
    in_session dbus-run-session -- bash -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"
      dbus-update-activation-environment --all
      kwin_x11 --replace &
      exec plasmashell' "$T" >>"$T/session.log" 2>&1 &
  else
    # KWin's own Qt platform loads only into a program of its name; a copy
    # drops the file capability that a container may refuse.
    mkdir -p "$T/kwin"
    cp /usr/bin/kwin_wayland "$T/kwin/kwin_wayland"
    cat >"$T/plasma-session" <<EOF
#!/bin/bash
echo "\$DISPLAY" >"$T/x-display"
dbus-update-activation-environment DISPLAY WAYLAND_DISPLAY XAUTHORITY
QT_QPA_PLATFORM=wayland exec plasmashell
EOF
    chmod 755 "$T/plasma-session"
    session_env XDG_SESSION_TYPE=wayland KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
    in_session dbus-run-session -- bash -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"
      dbus-update-activation-environment --all
      exec "$0/kwin/kwin_wayland" --virtual --xwayland --width 1280 --height 800 \
        --socket wayland-orbek --exit-with-session "$0/plasma-session"' "$T" \
      >>"$T/session.log" 2>&1 &
  fi
  echo $! >>"$T/pids"
  wait_for 10 test -s "$T/bus" || fail "no session bus"
  session_env DBUS_SESSION_BUS_ADDRESS="$(cat "$T/bus")"
  if [ "$DESKTOP" = plasma-wayland ]; then
    wait_for 30 test -s "$T/x-display" || fail "no X display"
    session_env WAYLAND_DISPLAY=wayland-orbek DISPLAY="$(cat "$T/x-display")"
    input_start
  fi
  wait_for 60 watcher_up || fail "Plasma's tray did not start"
}

session_shot() { in_session import -window root "$1"; }

icon_place() { a11y --timeout 30 icon plasmashell Orbek; }

click() {
  if [ "$DESKTOP" = plasma-x11 ]; then
    local button=1
    [ "$3" = left ] || button=3
    in_session xdotool mousemove "$1" "$2" click "$button"
  else
    input "move $1 $2"
    input "click $3"
  fi
}

# KWin's fake input takes keys by their codes.
declare -A KEY_CODES=([Escape]=1 [Return]=28 [Up]=103 [Down]=108)
keys() {
  if [ "$DESKTOP" = plasma-x11 ]; then
    in_session xdotool key "$@"
  else
    local key codes=()
    for key in "$@"; do codes+=("${KEY_CODES[$key]}"); done
    input "key ${codes[*]}"
  fi
}

# The sentence menu on X11 is Orbek's, the others the shell's. Qt tells a
# screen reader of a popup menu as it opens: the reading listens, then clicks.
open_menu() {
  MENU_APP=plasmashell MENU_CLASS=plasmashell
  [ "$1" != left ] || [ "$MENU_KIND" = combined ] || MENU_APP=Orbek MENU_CLASS=orbek
  locate_icon
  local press
  if [ "$DESKTOP" = plasma-x11 ]; then
    press="xdotool mousemove $ICON_X $ICON_Y click $([ "$1" = left ] && echo 1 || echo 3)"
  else
    input "move $ICON_X $ICON_Y"
    press="echo click $1 >$T/input"

  fi
  a11y menu "$MENU_APP" -- bash -c "$press" >"$T/menu.txt" || fail "no menu opened on the $1 button"
  MENU_SHOWN=1
}
# What the menu read as it opened, while it shows. A Wayland popup of the
# shell's is not seen from X: it shows until the test closes it.
menu_items() {
  if [ "$DESKTOP" = plasma-x11 ]; then
    in_session xdotool search --onlyvisible --class "$MENU_CLASS" >/dev/null 2>&1 || return 1
  else
    [ -n "${MENU_SHOWN:-}" ] || return 1
  fi
  cat "$T/menu.txt"
}
choose() {
  choose_with_keys "$1"
  MENU_SHOWN=
}
[ "$DESKTOP" = plasma-x11 ] || close_menu() {
  keys Escape
  MENU_SHOWN=
}
