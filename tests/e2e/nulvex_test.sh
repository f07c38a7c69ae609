#!/usr/bin/env bash
# End-to-end tests of Nulvex, one case per run:
#   nulvex_test.sh CASE
E2E_CASE=$1
source "$(dirname "$0")/lib.sh"

QUESTION="^登録文データ削除の確認 - Nulvex\$"
DONE="^Delete Orbek Sentences\$"

# A store with sentences and a section of someone else's.
seed_store() {
  seed "$e2e_here/seed.ini"
  printf '\n[Other]\nKey=kept\n' >>"$STORE"
}

# Starts Nulvex and waits for its question.
start_nulvex() {
  desktop_run "$T" "$ORBEK_BIN/Nulvex"
  NULVEX_PID=$(tail -n1 "$T/pids")
  wait_for 10 xdotool search --onlyvisible --name "$QUESTION" || fail "the question did not appear"
  xdotool windowactivate --sync "$(first_window --onlyvisible --name "$QUESTION")"
}

# Waits for Nulvex to end and checks that it ended by itself, with code 0.
expect_nulvex_ended() {
  wait_for 10 bash -c "! kill -0 $NULVEX_PID" || fail "Nulvex did not end"
  local rc=0
  wait "$NULVEX_PID" || rc=$?
  [ "$rc" -eq 0 ] || fail "Nulvex ended with code $rc"
}

# Answers yes, waits for the deletion to be reported, and presses OK.
yes_then_ok() {
  xdotool key alt+y
  wait_for 10 xdotool search --onlyvisible --name "$DONE" || fail "the window did not appear"
  xdotool windowactivate --sync "$(first_window --onlyvisible --name "$DONE")"
  # Enter presses OK once the deletion enabled it.
  xdotool key Return
  expect_nulvex_ended
}

# A picture of what the window titled "Delete Orbek Sentences" printed: its
# client area above the OK button (720 twips, 48 pixels at 96 dpi), which may
# be drawn with or without the focus.
client_shot() {
  local id info x y w h
  id=$(xdotool search --onlyvisible --name "$DONE" | head -n1)
  info=$(xwininfo -id "$id")
  x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  w=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
  h=48
  sleep 0.3  # the same settling time as shot
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"
}

has_section() { grep -qx "\[$1\]" "$STORE"; }

# Height in pixels of the open menu: rows are all of one height, so it tells
# how many items the menu holds.
menu_height() {
  local id
  id=$(xdotool search --onlyvisible --class orbek | grep -vx "$ICON" | tail -n1)
  xdotool getwindowgeometry "$id" | awk -F'[ x]+' '/Geometry/ {print $NF}'
}

# Opens the left menu, records its height in the named variable and closes it.
left_menu_height() {
  press_icon 1
  printf -v "$1" %s "$(menu_height)"
  shot "nulvex-$1"
  xdotool key Escape
  wait_menu_closed
}

no_error_box() {
  ! xdotool search --name "^エラー - Orbek\$" >/dev/null 2>&1 || fail "an error report appeared"
}

case $E2E_CASE in
  enter-is-no)
    seed_store
    cp "$STORE" "$T/before.ini"
    start_nulvex
    # The default answer is no.
    xdotool key Return
    # Watched until Nulvex is gone: its window must not appear on the way.
    deadline=$((SECONDS + 10))
    while kill -0 "$NULVEX_PID" 2>/dev/null; do
      ! xdotool search --name "$DONE" >/dev/null 2>&1 || fail "the window appeared"
      [ $SECONDS -lt $deadline ] || fail "Nulvex did not end"
      sleep 0.1
    done
    expect_nulvex_ended
    cmp -s "$STORE" "$T/before.ini" || fail "the store changed"
    ;;
  yes-deletes)
    seed_store
    start_nulvex
    shot nulvex-question
    xdotool key alt+y
    wait_for 10 xdotool search --onlyvisible --name "$DONE" || fail "the window did not appear"
    wait_for 5 bash -c "! grep -qx '\\[Sentences\\]' '$STORE'" || fail "the sentences are still stored"
    has_section Other || fail "the [Other] section went"
    grep -qx "Key=kept" "$STORE" || fail "the [Other] section lost its key"
    shot nulvex-done
    # Hidden and shown again, the window repaints what it printed.
    client_shot "$T/done.png"
    xdotool search --onlyvisible --name "$DONE" windowminimize
    wait_for 5 bash -c "! xdotool search --onlyvisible --name '$DONE'" || fail "the window stayed"
    done_window=$(first_window --name "$DONE")
    xdotool windowmap --sync "$done_window" windowactivate --sync "$done_window"
    client_shot "$T/again.png"
    shot nulvex-uncovered
    [ "$(compare -metric AE "$T/done.png" "$T/again.png" null: 2>&1)" = 0 ] ||
      fail "the window looks different after it was shown again"
    xdotool key Return
    expect_nulvex_ended
    ;;
  while-orbek-runs)
    seed_store
    start_orbek
    start_nulvex
    yes_then_ok
    kill "$ORBEK_PID"
    wait_for 10 bash -c "! kill -0 $ORBEK_PID" || fail "Orbek did not end"
    ! has_section Sentences || fail "Orbek wrote the sentences back"
    has_section Other || fail "the [Other] section went"
    start_orbek
    ! has_section Sentences || fail "Orbek found sentences to write back"
    # The menu opens and holds the settings item alone: the first item is it.
    press_icon 1
    [ "$(orbek_windows)" -eq 2 ] || fail "expected the icon and one menu"
    shot nulvex-orbek-menu
    xdotool key Escape
    wait_menu_closed
    ;;
  menu-follows-store)
    printf '[Sentences]\nSCMax=3\nS0=one\nS1=two\nS2=three\nS3=four\n' >"$STORE"
    start_orbek
    left_menu_height four
    start_nulvex
    yes_then_ok
    # The menu holds the settings item alone.
    left_menu_height none
    [ "$none" -lt "$four" ] || fail "the deleted sentences are still in the menu ($none, $four)"
    printf 'new one' | xclip -selection clipboard
    press_icon 3
    choose_item 0
    # An error report would hold the write back until it was answered.
    wait_for 5 grep -qx 'SCMax=0' "$STORE" || fail "the registration was not written"
    no_error_box
    left_menu_height one
    press_icon 1
    choose_item 1
    expect_clipboard "new one"
    wait_menu_closed
    # Rewritten in place, as an editor would, with two other sentences.
    printf '[Sentences]\nSCMax=1\nS0=first\nS1=second\n' >"$STORE"
    left_menu_height two
    # One more row from one to two sentences, two more from two to four.
    [ "$none" -lt "$one" ] || fail "no sentence row after the registration ($none, $one)"
    [ $((four - two)) -eq $((2 * (two - one))) ] ||
      fail "menu heights: one $one, two $two, four $four"
    press_icon 1
    choose_item 2
    expect_clipboard "second"
    wait_menu_closed
    no_error_box
    ;;
  dpi)
    # The window keeps its designed proportions at 96, 144 and 192 dpi.
    rm -f "$E2E_ARTIFACTS/dpi-nulvex.txt"
    for dpi in 96 144 192; do
      seed_store
      QT_FONT_DPI=$dpi start_nulvex
      xdotool key alt+y
      wait_for 10 xdotool search --onlyvisible --name "$DONE" || fail "the window did not appear"
      id=$(xdotool search --onlyvisible --name "$DONE" | head -n1)
      expect_scaled nulvex "$dpi" "$id"
      shot "nulvex-${dpi}dpi"
      xdotool windowactivate --sync "$(first_window --onlyvisible --name "$DONE")"
      xdotool key Return
      expect_nulvex_ended
    done
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
