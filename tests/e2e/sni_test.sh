#!/usr/bin/env bash
# End-to-end tests of Orbek in a tray that hosts StatusNotifierItems over
# D-Bus (xfce4-panel), one case per run, inside a session bus of its own:
#   dbus-run-session -- sni_test.sh CASE
E2E_CASE=$1
E2E_TRAY=xfce
source "$(dirname "$0")/lib.sh"
source "$e2e_here/sni_lib.sh"

# Starts Orbek and waits for its icon in the panel.
start_orbek_sni() {
  desktop_run "$T" "$ORBEK_BIN/Orbek"
  ORBEK_PID=$(tail -n1 "$T/pids")
  wait_for 20 sni_registered || fail "Orbek's item did not register"
  wait_for 10 icon_drawn || fail "the panel shows no icon"
}

left_menu() { click_icon 1 orbek; }
right_menu() { click_icon 3 wrapper-2.0; }

# Chooses item k (0 = the first) of the open menu with the keyboard.
choose() {
  local keys=()
  for ((i = 0; i <= $1; i++)); do keys+=(Down); done
  xdotool key --delay 150 "${keys[@]}"
  xdotool key Return
}

case $E2E_CASE in
  icon)
    seed "$e2e_here/seed.ini"
    start_orbek_sni
    sni_property Title | grep -q '"Orbek"' || fail "title: $(sni_property Title)"
    sni_property ToolTip | grep -q '"Orbek"' || fail "tooltip: $(sni_property ToolTip)"
    import -window root -crop 200x40+0+0 +repage "$E2E_ARTIFACTS/sni-icon.png"
    ;;
  left-copy)
    seed "$e2e_here/seed.ini"
    start_orbek_sni
    left_menu
    shot sni-left-menu
    choose 6  # after the settings item: the separator is skipped
    expect_clipboard "日本語の文章です"
    left_menu
    choose 1
    expect_clipboard "$(printf 'お世話になっております。\n株式会社サンプルの山田です。\nよろしくお願いいたします。')"
    ;;
  right-menu)
    seed "$e2e_here/seed.ini"
    start_orbek_sni
    want=$(printf '%s\n' "現在の内容を登録(_R)" "設定(_S)..." - "About(_A)..." - "Exit(_X)")
    [ "$(sni_menu)" = "$want" ] || fail "the command menu reads: $(sni_menu)"
    right_menu
    shot sni-right-menu
    xdotool key Escape
    ;;
  register)
    seed "$e2e_here/seed.ini"
    start_orbek_sni
    printf 'from the panel' | xclip -selection clipboard
    right_menu
    choose 0
    wait_for 5 grep -qx 'SCMax=7' "$STORE" || fail "the count did not become 7"
    grep -qx 'S7=from the panel' "$STORE" || fail "S7 is $(grep ^S7= "$STORE")"
    left_menu
    choose 8
    expect_clipboard "from the panel"
    ;;
  left-open)
    # The sentence menu left open half a minute: the panel waited for
    # nothing of Orbek's, so it opens no menu of its own and says nothing.
    seed "$e2e_here/seed.ini"
    start_orbek_sni
    panel=$(menus_open wrapper-2.0)  # the panel's plugin's own window
    left_menu
    sleep 30
    [ "$(menus_open orbek)" -eq 1 ] || fail "$(menus_open orbek) menus of Orbek's are open"
    [ "$(menus_open wrapper-2.0)" -eq "$panel" ] || fail "the panel opened a menu"
    ! grep -iE "timeout|timed out|no ?reply" "$T/desktop.log" || fail "the panel reported a time-out"
    xdotool key Escape
    wait_for 5 bash -c '[ "$(xdotool search --onlyvisible --class orbek 2>/dev/null | wc -l)" -eq 0 ]' ||
      fail "the menu did not close"
    # The panel and the item still answer.
    right_menu
    xdotool key Escape
    ;;
  flag)
    seed "$e2e_here/seed.ini"
    start_orbek_sni
    right_menu
    choose 2  # About
    BOX="^Orbek のバージョン情報\$"
    wait_for 5 xdotool search --onlyvisible --name "$BOX" || fail "the version box did not open"
    # While it is open a left click opens nothing, and the command menu the
    # panel draws offers nothing to choose.
    sleep 0.8
    xdotool mousemove "$ICON_X" "$ICON_Y" click 1
    ! wait_for 1 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -gt 1 ]" ||
      fail "a second menu opened"
    want=$(printf '%s\n' "現在の内容を登録(_R) (disabled)" "設定(_S)... (disabled)" - \
      "About(_A)... (disabled)" - "Exit(_X) (disabled)")
    [ "$(sni_menu)" = "$want" ] || fail "the command menu reads: $(sni_menu)"
    right_menu
    shot sni-flag-right-menu
    choose 5  # Exit, if it could be chosen
    sleep 1
    kill -0 "$ORBEK_PID" || fail "Orbek ended"
    xdotool key Escape  # the panel's menu is still open
    [ "$(xdotool search --onlyvisible --name "$BOX" | wc -l)" -eq 1 ] || fail "a second version box"
    xdotool windowactivate --sync "$(first_window --onlyvisible --name "$BOX")"
    xdotool key Return
    wait_for 5 bash -c "! xdotool search --onlyvisible --name '$BOX'" || fail "the box stayed"
    wait_for 5 sni_menu_enabled || fail "the menu stayed disabled"
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
