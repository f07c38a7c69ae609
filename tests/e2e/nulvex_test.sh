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
  expect_window Nulvex "Delete Orbek Sentences" "$COMPLETED"
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
  settled_import "$1" -window root -crop "${w}x${h}+${x}+${y}" +repage
}

has_section() { grep -qx "\[$1\]" "$STORE"; }

# The window as read out: the line printed on the second line, and OK.
window_reading() {
  printf '%s\n' "dialog: Delete Orbek Sentences" "dialog description:" "dialog description: $1" \
    "push button ($2): OK"
}
COMPLETED=$(window_reading " 登録文データ削除完了" default)

# Checks the left menu as read out, with the sentences given; it is closed again.
expect_left_menu() {
  local want='設定(S)...'
  [ $# -eq 0 ] || want=$(printf '%s\n' "$want" - "$@")
  expect_menu 1 "$want"
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
    expect_window Nulvex "登録文データ削除の確認 - Nulvex" "$(printf '%s\n' \
      'alert: 登録文データ削除の確認 - Nulvex' 'label: Orbekの登録文データを全て削除してよろしいですか?' \
      'push button: はい(Y)' 'push button (default): いいえ(N)')"
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
    # The completion line, and OK to press, once the section has gone.
    expect_window Nulvex "Delete Orbek Sentences" "$COMPLETED"
    ! has_section Sentences || fail "the sentences are still stored"
    has_section Other || fail "the [Other] section went"
    grep -qx "Key=kept" "$STORE" || fail "the [Other] section lost its key"
    shot nulvex-done
    # Hidden and shown again, the window repaints what it printed.
    client_shot "$T/done.png"
    [ "$(convert "$T/done.png" -format %k info:)" -gt 2 ] || fail "no line is drawn"
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
  yes-fails)
    # The deletion cannot be written: the store's lock cannot be made.
    seed_store
    cp "$STORE" "$T/before.ini"
    mkdir "$STORE.lock"
    start_nulvex
    xdotool key alt+y
    # The progress line stays and OK cannot be pressed: it waits for the deletion.
    expect_window Nulvex "Delete Orbek Sentences" "$(window_reading " 登録文データ削除中..." "disabled, default")"
    shot nulvex-failed
    cmp -s "$STORE" "$T/before.ini" || fail "the store changed"
    # Closing the window ends it.
    xdotool windowactivate --sync "$(first_window --onlyvisible --name "$DONE")" key alt+F4
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
    # The menu opens and holds the settings item alone.
    expect_menu 1 '設定(S)...'
    shot nulvex-orbek-menu
    xdotool key Escape
    wait_menu_closed
    ;;
  menu-follows-store)
    printf '[Sentences]\nSCMax=3\nS0=one\nS1=two\nS2=three\nS3=four\n' >"$STORE"
    start_orbek
    expect_left_menu one two three four
    start_nulvex
    yes_then_ok
    # The menu holds the settings item alone.
    expect_left_menu
    printf 'new one' | xclip -selection clipboard
    press_icon 3
    choose_item 0
    # An error report would hold the write back until it was answered.
    wait_for 5 grep -qx 'SCMax=0' "$STORE" || fail "the registration was not written"
    no_error_box
    expect_left_menu 'new one'
    press_icon 1
    choose_item 1
    expect_clipboard "new one"
    wait_menu_closed
    # Rewritten in place, as an editor would, with two other sentences.
    printf '[Sentences]\nSCMax=1\nS0=first\nS1=second\n' >"$STORE"
    expect_left_menu first second
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
