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

# Orbek's item as the tray's watcher lists it (its bus name, and the path
# where the watcher adds it), or nothing.
registered_item() {
  in_session dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
    /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:RegisteredStatusNotifierItems 2>/dev/null | grep -o '"[^"]*StatusNotifierItem[^"]*"' |
    tr -d '"' | head -n1
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
