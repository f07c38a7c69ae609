# A private virtual desktop: Xvfb, the openbox window manager and a
# notification area. Source this file, then:
#   desktop_start DIR [TRAY]  starts it, exports DISPLAY; pids go to DIR/pids.
#                       TRAY: trayer (XEmbed, the default), trayer-fixed
#                       (the same at a fixed size, for Wine's icons), xfce (xfce4-panel,
#                       which hosts StatusNotifierItems over D-Bus, and XEmbed
#                       icons while no such item registers; needs a session
#                       bus) or none
#   tray_start DIR TRAY, tray_stop DIR  start and end the notification area alone
#   desktop_stop DIR    ends everything desktop_start and desktop_run started
#   desktop_run DIR CMD...  starts CMD in the background on it, records its pid
#   wait_for SECONDS CMD...  retries CMD until it succeeds, or fails at the deadline

wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

desktop_run() {
  local dir=$1; shift
  "$@" >>"$dir/desktop.log" 2>&1 &
  echo $! >>"$dir/pids"
}

desktop_start() {
  local dir=$1
  mkdir -p "$dir"
  : >"$dir/pids"
  # Xvfb picks a free display and writes its number to fd 3.
  # -noreset: the server must not reset when the probe below disconnects.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$dir/display" >>"$dir/desktop.log" 2>&1 &
  echo $! >>"$dir/pids"
  wait_for 30 test -s "$dir/display" || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$dir/display")"
  wait_for 30 xdpyinfo || { echo "display $DISPLAY does not answer" >&2; return 1; }
  xsetroot -solid '#3b6e8f' || true
  desktop_run "$dir" openbox
  # A tray that maps its window while the window manager is still taking
  # over the screen may stay unseen: start it once the manager is up.
  wait_for 30 wm_ready || { echo "the window manager did not start" >&2; return 1; }
  [ "${2:-trayer}" = none ] || tray_start "$dir" "${2:-trayer}"
}

wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

tray_start() {
  local dir=$1
  case $2 in
    trayer | trayer-fixed)
      # Clicks reach Wine's icons reliably only in a tray of a fixed size.
      local size=(--edge top --align right --widthtype request --height 24)
      [ "$2" = trayer ] || size=(--edge bottom --align right --widthtype pixel --width 64 --height 32)
      desktop_run "$dir" trayer "${size[@]}" --transparent false --tint 0xdcdcdc --SetDockType true
      wait_for 30 xdotool search --onlyvisible --class trayer || { echo "no tray appeared" >&2; return 1; }
      ;;
    xfce)
      xfce_panel_config
      # Services the bus starts (the panel's settings store) must see this
      # desktop and its folders, not the user's.
      dbus-update-activation-environment DISPLAY XDG_CONFIG_HOME XDG_RUNTIME_DIR
      desktop_run "$dir" xfce4-panel --disable-wm-check
      wait_for 30 dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetNameOwner string:org.kde.StatusNotifierWatcher ||
        { echo "no StatusNotifierWatcher appeared" >&2; return 1; }
      wait_for 30 xdotool search --onlyvisible --class xfce4-panel || { echo "no panel appeared" >&2; return 1; }
      ;;
    *) echo "unknown tray $2" >&2; return 1 ;;
  esac
  tail -n1 "$dir/pids" >"$dir/tray.pid"
}

tray_stop() {
  local pid
  pid=$(cat "$1/tray.pid")
  pkill -P "$pid" 2>/dev/null || true  # the panel's plugins
  kill "$pid" 2>/dev/null || true
  wait_for 5 bash -c "! kill -0 $pid" || kill -9 "$pid" 2>/dev/null || true
}

# One panel along the top edge holding only the notification area.
xfce_panel_config() {
  local d="${XDG_CONFIG_HOME:?}/xfce4/xfconf/xfce-perchannel-xml"
  mkdir -p "$d"
  cat >"$d/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
}

desktop_stop() {
  local dir=$1 pid
  [ -f "$dir/pids" ] || return 0
  # The last started first, so that the display goes last.
  for pid in $(tac "$dir/pids"); do kill "$pid" 2>/dev/null || true; done
  for pid in $(tac "$dir/pids"); do
    wait_for 5 bash -c "! kill -0 $pid" || kill -9 "$pid" 2>/dev/null || true
  done
  rm -f "$dir/pids"
}
