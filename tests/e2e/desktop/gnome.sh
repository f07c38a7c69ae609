# GNOME Shell with the AppIndicator extension, on X11 (Xvfb) or headless on
# Wayland. In unsafe mode the shell's Eval drives it: a Clutter virtual
# pointer and keyboard give real input, and the indicator's menu is read from
# the panel. The shell's tray draws the item's menu for a single left click.

MENU_KIND=combined
[ "$DESKTOP" = gnome-x11 ] || SESSION_WAYLAND=1

session_start() {
  # The shell asks logind for seats when the system says there are some:
  # a system bus of the test's own answers it.
  cat >"$T/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$T/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow eavesdrop="true"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$T/system-bus.conf" --nofork >>"$T/session.log" 2>&1 &
  echo $! >>"$T/pids"
  wait_for 10 test -S "$T/system-bus" || fail "no system bus"
  # The extension turned on, in settings of the test's own, read from a file.
  mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
  cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<'EOF'
[org/gnome/shell]
disable-user-extensions=false
enabled-extensions=['ubuntu-appindicators@ubuntu.com']
welcome-dialog-last-shown-version='999'
EOF
  session_env GSETTINGS_BACKEND=keyfile LIBGL_ALWAYS_SOFTWARE=1 XDG_CURRENT_DESKTOP=GNOME \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$T/system-bus"
  local shell
  if [ "$DESKTOP" = gnome-x11 ]; then
    start_x_server
    shell=(gnome-shell --x11 --replace --unsafe-mode)
  else
    session_env XDG_SESSION_TYPE=wayland
    shell=(gnome-shell --wayland --headless --virtual-monitor 1280x800 --unsafe-mode)
  fi
  in_session dbus-run-session -- bash -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"
    dbus-update-activation-environment --all; exec "$@"' "$T" "${shell[@]}" \
    >>"$T/session.log" 2>&1 &
  echo $! >>"$T/pids"
  wait_for 60 grep -q "GNOME Shell started" "$T/session.log" || fail "GNOME Shell did not start"
  session_env DBUS_SESSION_BUS_ADDRESS="$(cat "$T/bus")"
  if [ "$DESKTOP" = gnome-wayland ]; then
    local display
    display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$T/session.log" | head -n1)
    session_env WAYLAND_DISPLAY=wayland-0 DISPLAY="$display" \
      XAUTHORITY="$(ls -t "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* | head -n1)"
  fi
  shell_eval 'Main.overview.hide(); const Clutter = imports.gi.Clutter;
    const seat = Clutter.get_default_backend().get_default_seat();
    global.orbekPointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
    global.orbekKeyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE); 1' \
    >/dev/null
  wait_for 10 overview_gone || fail "the overview did not close"
  wait_for 10 watcher_up || fail "the AppIndicator extension's tray did not start"
}

# Runs JavaScript in the shell; prints its result.
shell_eval() { in_session /usr/bin/python3 "$T/bin/gnome_eval.py" "$1"; }

overview_gone() {
  [ "$(shell_eval 'Main.overview.visible || Main.overview.animationInProgress')" = false ]
}

session_shot() {
  in_session gdbus call --session --dest org.gnome.Shell.Screenshot \
    --object-path /org/gnome/Shell/Screenshot --method org.gnome.Shell.Screenshot.Screenshot \
    false false "$1" >/dev/null
}

INDICATOR='Main.panel.statusArea[Object.keys(Main.panel.statusArea).find(k => k.startsWith("appindicator-"))]'

indicator_ready() { [ "$(shell_eval "$INDICATOR.visible && $INDICATOR.menu.numMenuItems > 0")" = true ]; }

icon_place() {

  # Shown, and with the menu it fetched from Orbek.
  wait_for 30 indicator_ready || return 1

  shell_eval "const [x, y] = $INDICATOR.get_transformed_position();
    const [w, h] = $INDICATOR.get_transformed_size(); Math.round(x + w / 2) + ' ' + Math.round(y + h / 2)"
}

click() {
  local button=1
  [ "$3" = left ] || button=3
  # The shell finds what is under the pointer once it has moved there.
  shell_eval "global.orbekPointer.notify_absolute_motion(imports.gi.GLib.get_monotonic_time(), $1, $2)" \
    >/dev/null
  sleep 0.2
  shell_eval "const Clutter = imports.gi.Clutter; const t = imports.gi.GLib.get_monotonic_time();
    global.orbekPointer.notify_button(t, $button, Clutter.ButtonState.PRESSED);
    global.orbekPointer.notify_button(t + 10, $button, Clutter.ButtonState.RELEASED); 1" >/dev/null

}

keys() {
  local list
  list=$(printf 'Clutter.KEY_%s,' "$@")
  shell_eval "const Clutter = imports.gi.Clutter; let t = imports.gi.GLib.get_monotonic_time();
    for (const key of [${list%,}]) {
      global.orbekKeyboard.notify_keyval(t++, key, Clutter.KeyState.PRESSED);
      global.orbekKeyboard.notify_keyval(t++, key, Clutter.KeyState.RELEASED);
    } 1" >/dev/null
}

# The indicator's open menu as the panel shows it: one line an item.
menu_items() {
  shell_eval "const m = $INDICATOR.menu; m.isOpen ? m._getMenuItems().filter(i => i.visible)
    .map(i => i instanceof imports.ui.popupMenu.PopupSeparatorMenuItem ? '-'
      : i.label.text + (i.reactive ? '' : ' (disabled)')) : []"
}

choose() { choose_with_keys "$1"; }
