# What the desktops' end-to-end tests share: a session of the test's own,
# perhaps as a user of its own, its environment, and the input devices of a
# headless Wayland compositor.
#   session_env NAME=VALUE...  adds to what every program of the session sees
#   in_session CMD...          runs CMD in the session, as its user
#   as_session_user CMD...     runs CMD as the session's user, with the base environment
#   input LINE                 a command for wl_input (move, click, key ...), done when it returns

SESSION_USER=${SESSION_USER:-}
: >"$T/session.env"

session_env() {
  local pair
  for pair in "$@"; do
    printf '%s\n' "$pair" >>"$T/session.env"
    export "${pair?}"
  done
}

# The test's folders for the session: its own home, settings and runtime.
session_env HOME="$T/home" XDG_CONFIG_HOME="$T/config" XDG_DATA_HOME="$T/data" \
  XDG_CACHE_HOME="$T/cache" XDG_RUNTIME_DIR="$T/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# An X server for a desktop on X11, with OpenGL for its compositor.
start_x_server() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 +extension GLX -nolisten tcp 3>"$T/display" \
    >>"$T/session.log" 2>&1 &
  echo $! >>"$T/pids"
  wait_for 30 test -s "$T/display" || fail "Xvfb did not start"
  session_env DISPLAY=":$(head -n1 "$T/display")" XDG_SESSION_TYPE=x11
}

# Everything the session runs from lives in the test's folder, which the
# session's user may read: the build folder may be in a home it cannot enter.
share_with_session_user() {
  [ -n "$SESSION_USER" ] && [ "$SESSION_USER" != "$(id -un)" ] || return 0
  chown -R "$SESSION_USER" "$T"
}

as_session_user() {
  local env=()
  mapfile -t env <"$T/session.env"
  if [ -n "$SESSION_USER" ] && [ "$SESSION_USER" != "$(id -un)" ]; then
    runuser -u "$SESSION_USER" -- env -i PATH="$PATH" LANG=C.UTF-8 "${env[@]}" "$@"
  else
    env "${env[@]}" "$@"
  fi
}
in_session() { as_session_user "$@"; }

# Whether the tray's watcher is on the session bus.
watcher_up() {
  in_session dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetNameOwner string:org.kde.StatusNotifierWatcher >/dev/null 2>&1
}

# The item the tray's watcher lists first (Orbek's, the only one), as it
# lists it, or nothing.
registered_item() {
  in_session dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
    /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:RegisteredStatusNotifierItems 2>/dev/null | sed -n 's/^ *string "\(.*\)"$/\1/p' | head -n1
}


item_registered() { [ -n "$(registered_item)" ]; }

# The pointer (and, on KWin, the keyboard) of a headless Wayland seat: one
# wl_input for the whole session, fed through a pipe.
input_start() {
  mkfifo "$T/input"
  as_session_user "$T/bin/wl_input" <"$T/input" >"$T/input.out" 2>&1 &
  echo $! >>"$T/pids"
  exec 9>"$T/input"
}

input() {
  local before
  before=$(grep -c . "$T/input.out" || true)
  echo "$*" >&9
  wait_for 10 bash -c "[ \$(grep -c . '$T/input.out') -gt $before ]" || fail "wl_input did not answer: $*"
  ! tail -n1 "$T/input.out" | grep -q "^cannot" || fail "wl_input: $(tail -n1 "$T/input.out")"
}

# Where the icon is now: a tray moves its icons as others come and go.
# The place is taken when it stays the same for half a second.
locate_icon() {
  local x y
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    read -r x y < <(icon_place) || fail "the tray shows no icon of Orbek's"
    [ "$x $y" != "${ICON_X:-} ${ICON_Y:-}" ] || return 0
    ICON_X=$x ICON_Y=$y
    sleep 0.5
  done
}

# How a test opens and reads a menu, where the desktop's own file does not
# say otherwise: it clicks the icon and reads what opens.
open_menu() {
  locate_icon
  click "$ICON_X" "$ICON_Y" "$1"
  wait_for 10 menu_open || fail "no menu opened on the $1 button"
}
menu_open() { [ -n "$(menu_items 2>/dev/null)" ]; }
menu_closed() { ! menu_open; }
close_menu() {
  # A click beside the menu closes it, on every desktop.
  click $((ICON_X / 2)) 400 left
  wait_for 10 menu_closed || fail "the menu stayed open"
}

# Chooses an item of the open menu with the keyboard, as a user would: the
# first Down makes the first item active, separators are passed over.
choose_with_keys() {
  local index
  index=$(menu_items | grep -vx -- '-' | grep -nxF -- "$1" | head -n1 | cut -d: -f1)
  [ -n "$index" ] || fail "no item '$1' in the menu"
  local downs=()
  for ((i = 0; i < index; i++)); do downs+=(Down); done
  keys "${downs[@]}" Return
}

# The clipboard as the session's own programs read and write it: Wayland
# programs in a Wayland session, X programs in an X one.
clipboard_read() {
  if [ -n "${SESSION_WAYLAND:-}" ]; then
    in_session wl-paste -n 2>/dev/null
  else
    in_session xclip -o -selection clipboard 2>/dev/null
  fi
}
clipboard_write() {
  if [ -n "${SESSION_WAYLAND:-}" ]; then
    in_session wl-copy -- "$1"
  else
    printf '%s' "$1" | in_session xclip -selection clipboard
  fi
}
