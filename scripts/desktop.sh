# A private virtual desktop: Xvfb, the openbox window manager and the trayer
# notification area. Source this file, then:
#   desktop_start DIR   starts it, exports DISPLAY; pids go to DIR/pids
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
  desktop_run "$dir" trayer --edge top --align right --widthtype request --height 24 \
    --transparent false --tint 0xdcdcdc --SetDockType true
  wait_for 30 xdotool search --onlyvisible --class trayer || { echo "no tray appeared" >&2; return 1; }
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
