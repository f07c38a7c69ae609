# KDE Plasma on X11: Xvfb, KWin and the Plasma shell, whose panel hosts the
# tray. Its tray draws the command menu and reports a left click to Orbek,
# which opens the sentence menu of its own there. The panel and both menus
# are read over AT-SPI.

MENU_KIND=separate

session_start() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 +extension GLX -nolisten tcp 3>"$T/display" \
    >>"$T/session.log" 2>&1 &
  echo $! >>"$T/pids"
  wait_for 30 test -s "$T/display" || fail "Xvfb did not start"
  session_env DISPLAY=":$(head -n1 "$T/display")" XDG_SESSION_TYPE=x11 XDG_CURRENT_DESKTOP=KDE \
    KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 LIBGL_ALWAYS_SOFTWARE=1
  # The services the bus starts must see this session, or the shell aborts.
  in_session dbus-run-session -- bash -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"
    dbus-update-activation-environment --all
    kwin_x11 --replace &
    exec plasmashell' "$T" >>"$T/session.log" 2>&1 &
  echo $! >>"$T/pids"
  wait_for 10 test -s "$T/bus" || fail "no session bus"
  session_env DBUS_SESSION_BUS_ADDRESS="$(cat "$T/bus")"
  wait_for 60 watcher_up || fail "Plasma's tray did not start"
}

session_shot() { in_session import -window root "$1"; }

icon_place() { a11y --timeout 30 icon plasmashell Orbek; }

click() {
  local button=1
  [ "$3" = left ] || button=3
  in_session xdotool mousemove "$1" "$2" click "$button"
}

keys() { in_session xdotool key "$@"; }

# The sentence menu is Orbek's, the command menu the shell's. Qt tells a
# screen reader of a popup menu as it opens: the reading listens, then clicks.
open_menu() {
  MENU_APP=Orbek MENU_CLASS=orbek
  [ "$1" = left ] || MENU_APP=plasmashell MENU_CLASS=plasmashell
  local button=1
  [ "$1" = left ] || button=3
  locate_icon
  a11y menu "$MENU_APP" -- xdotool mousemove "$ICON_X" "$ICON_Y" click "$button" >"$T/menu.txt" ||
    fail "no menu opened on the $1 button"
}
# What the menu read as it opened, while it shows.
menu_items() {
  in_session xdotool search --onlyvisible --class "$MENU_CLASS" >/dev/null 2>&1 && cat "$T/menu.txt"
}
choose() { choose_with_keys "$1"; }

clipboard_read() { in_session xclip -o -selection clipboard 2>/dev/null; }
clipboard_write() { printf '%s' "$1" | in_session xclip -selection clipboard; }
