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
  xdotool search --onlyvisible --name "$QUESTION" windowactivate --sync
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
  xdotool search --onlyvisible --name "$DONE" windowactivate --sync
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
    xdotool search --name "$DONE" windowmap --sync windowactivate --sync
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
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
