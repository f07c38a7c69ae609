#!/usr/bin/env bash
# End-to-end tests of a sentence menu far taller than the screen: one column
# that scrolls, its last sentence reached and chosen, one case per run:
#   long_menu_test.sh CASE
E2E_CASE=$1
source "$(dirname "$0")/lib.sh"

# The widest caption of the list, and the last sentence, of two lines.
WIDE='ＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷＷ'
LAST_STORED='最後の登録文\r\n二行目'
LAST=$'最後の登録文\n二行目'

# Writes a store of $1 sentences: "登録文 i", the wide one in the middle and
# the two-line one last.
write_store() {
  local n=$1 i
  {
    printf '[Sentences]\nSCMax=%d\n' $((n - 1))
    for ((i = 0; i < n - 1; i++)); do
      if [ $i -eq $((n / 2)) ]; then echo "S$i=$WIDE"; else echo "S$i=登録文 $i"; fi
    done
    echo "S$((n - 1))=$LAST_STORED"
  } >"$STORE.new"
  mv "$STORE.new" "$STORE"
}

# The open menu: the window of Orbek's that is not the icon.
menu_window() { xdotool search --onlyvisible --class orbek 2>/dev/null | grep -v "^$ICON\$" | head -n1; }

# Sets X, Y, WIDTH and HEIGHT to the open menu's place and size.
menu_geometry() {
  MENU=$(menu_window)
  [ -n "$MENU" ] || fail "no menu is open"
  eval "$(xdotool getwindowgeometry --shell "$MENU")"
}

# The width a menu needs for the widest caption: that of the menu of a store
# holding the wide sentence alone. Leaves the store so.
needed_width() {
  printf '[Sentences]\nSCMax=0\nS0=%s\n' "$WIDE" >"$STORE"
  press_icon 1
  menu_geometry
  NEEDED=$WIDTH
  xdotool key Escape
  wait_menu_closed
}

# The menu of $1 sentences opens in one column, within the screen.
open_long_menu() {
  write_store "$1"
  press_icon 1
  menu_geometry
  read -r screen_w screen_h < <(xdotool getdisplaygeometry)
  echo "$1 sentences: menu ${WIDTH}x$HEIGHT at $X,$Y; the wide caption alone needs $NEEDED" \
    >>"$E2E_ARTIFACTS/long-menu.txt"
  [ "$WIDTH" -le "$NEEDED" ] || fail "the menu is $WIDTH pixels wide, its widest caption needs $NEEDED"
  [ "$Y" -ge 0 ] && [ $((Y + HEIGHT)) -le "$screen_h" ] ||
    fail "the menu reaches from $Y to $((Y + HEIGHT)), beyond the screen's height $screen_h"
  [ "$X" -ge 0 ] && [ $((X + WIDTH)) -le "$screen_w" ] || fail "the menu is off the screen at $X"
}

# A picture of the open menu, as a checksum.
menu_picture() { import -window "$MENU" rgb:- 2>/dev/null | md5sum; }
picture_is() { [ "$(menu_picture)" = "$1" ]; }
picture_is_not() { [ "$(menu_picture)" != "$1" ]; }

# Presses End and sets BOTTOM to the picture it leaves: the last sentence in
# sight and active.
scroll_to_end() {
  local top
  top=$(menu_picture)
  xdotool key End
  wait_for 5 picture_is_not "$top" || fail "End did not scroll"
  BOTTOM=$(menu_picture)
}

start_orbek
needed_width

case $E2E_CASE in
  keys)
    open_long_menu 1000
    shot long-menu
    # Down through the whole list: past the settings item and each sentence.
    keys=()
    for ((i = 0; i <= 1000; i++)); do keys+=(Down); done
    xdotool key --delay 1 "${keys[@]}" Return
    expect_clipboard "$LAST"
    wait_menu_closed
    press_icon 1
    xdotool key Down Down Return
    expect_clipboard '登録文 0'
    wait_menu_closed
    # Up from the top makes the last sentence active and shows it, as End does.
    press_icon 1
    menu_geometry
    scroll_to_end
    xdotool key Escape
    wait_menu_closed
    press_icon 1
    menu_geometry
    xdotool key Up
    wait_for 5 picture_is "$BOTTOM" || fail "Up from the top did not show the last sentence"
    shot long-menu-up
    xdotool key Return
    expect_clipboard "$LAST"
    wait_menu_closed
    ;;
  wheel)
    open_long_menu 1000
    # 400 notches, at three items each (the desktop's default) more than the
    # list holds. The X server hands the events over in order: the click
    # comes after the last of them has scrolled.
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    xdotool click --repeat 400 --delay 1 5
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 4)) click 1
    expect_clipboard "$LAST"
    wait_menu_closed
    ;;
  arrows)
    open_long_menu 1000
    # From the end, the picture to come back to, the pointer on the arrow at
    # the top scrolls up, on the one at the bottom down again until the last
    # sentence is in sight.
    scroll_to_end
    xdotool mousemove $((X + WIDTH / 2)) $((Y + 2))
    wait_for 10 picture_is_not "$BOTTOM" || fail "the arrow at the top did not scroll"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 2))
    wait_for 30 picture_is "$BOTTOM" || fail "the arrow at the bottom did not scroll to the end"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 4)) click 1
    expect_clipboard "$LAST"
    wait_menu_closed
    ;;
  ten-thousand)
    open_long_menu 10000
    shot long-menu-10000
    xdotool key Up Return
    expect_clipboard "$LAST"
    wait_menu_closed
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
