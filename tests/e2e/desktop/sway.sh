# sway with waybar's tray, headless on Wayland. sway refuses to run as root:
# as root the session runs as a user of its own, made here when missing.
# The seat has no devices of its own: wl_input gives it a pointer, and wtype
# a keyboard. waybar shows menus as GTK does; they are read over AT-SPI.

SESSION_WAYLAND=1
SESSION_USER=orbek-e2e
SWAY_SIZE=(1280 800)

session_start() {
  if [ "$(id -u)" -eq 0 ]; then
    id "$SESSION_USER" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$SESSION_USER"
  else
    SESSION_USER=$(id -un)
  fi
  share_with_session_user
  cat >"$T/sway.config" <<EOF
output HEADLESS-1 resolution ${SWAY_SIZE[0]}x${SWAY_SIZE[1]} position 0 0
xwayland enable
exec waybar --config $T/waybar.json
EOF
  cat >"$T/waybar.json" <<'EOF'
{"layer": "top", "position": "top", "height": 28, "modules-right": ["tray"],
 "tray": {"icon-size": 20, "spacing": 4}}
EOF
  chmod 644 "$T/sway.config" "$T/waybar.json"
  session_env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
  as_session_user dbus-run-session -- bash -c \
    'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"; exec sway --config "$0/sway.config"' "$T" \
    >>"$T/session.log" 2>&1 &
  echo $! >>"$T/pids"
  wait_for 30 test -S "$XDG_RUNTIME_DIR/wayland-1" -o -S "$XDG_RUNTIME_DIR/wayland-0" ||
    fail "sway did not start"
  local socket
  socket=$(cd "$XDG_RUNTIME_DIR" && ls wayland-? | head -n1)
  wait_for 10 test -s "$T/bus" || fail "no session bus"
  session_env WAYLAND_DISPLAY="$socket" DBUS_SESSION_BUS_ADDRESS="$(cat "$T/bus")" \
    SWAYSOCK="$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)"
  wait_for 30 watcher_up || fail "waybar's tray did not start"
  # XWayland starts with its first client; sway tells its children where.
  in_session swaymsg exec "echo \$DISPLAY >$T/x-display" >/dev/null
  wait_for 10 test -s "$T/x-display" || fail "no X display"
  session_env DISPLAY="$(cat "$T/x-display")"
  input_start
}

# What the user sees: the compositor's picture of the screen.
session_shot() { in_session grim "$1"; }

# The icon's middle, from waybar's widgets over AT-SPI.
icon_place() { a11y icon waybar; }

click() {
  input "move $1 $2"
  input "click $3"
}

# The keys go to the focused window. waybar's menus take no keys on sway 1.7.
keys() { in_session wtype $(printf -- '-k %s ' "$@"); }

menu_items() { a11y --timeout 1 menu waybar; }
choose() { a11y choose waybar "$1"; }
MENU_KIND=combined
