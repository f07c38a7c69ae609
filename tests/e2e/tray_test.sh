#!/usr/bin/env bash
# End-to-end tests of Orbek's icon, menus and copy, one case per run:
#   tray_test.sh CASE
E2E_CASE=$1
source "$(dirname "$0")/lib.sh"

# The sentences of seed.ini as they reach the clipboard on this desktop.
sentence() {
  case $1 in
    0) printf 'お世話になっております。\n株式会社サンプルの山田です。\nよろしくお願いいたします。' ;;
    1) printf 'Tom & Jerry' ;;
    2) printf '123456789012345678901234567890' ;;
    3) printf '1234567890123456789012345678901' ;;
    5) printf '日本語の文章です' ;;
    6) printf 'last one' ;;
  esac
}

case $E2E_CASE in
  left-menu)
    seed "$e2e_here/seed.ini"
    start_orbek
    press_icon 1
    shot left-menu
    # Items: the settings item, the separator, then sentences 0..6.
    menus=$(orbek_windows)
    [ "$menus" -eq 2 ] || fail "expected the icon and one menu, found $menus windows"
    xdotool key Escape
    wait_menu_closed
    ;;
  copy)
    seed "$e2e_here/seed.ini"
    start_orbek
    for k in 0 1 2 3 5 6; do
      press_icon 1
      choose_item $((k + 1))  # after the settings item; the separator is skipped
      expect_clipboard "$(sentence $k)"
      wait_menu_closed
    done
    # The empty sentence copies nothing: the clipboard keeps the last one.
    press_icon 1
    choose_item 5
    wait_menu_closed
    expect_clipboard "$(sentence 6)"
    ;;
  right-menu)
    seed "$e2e_here/seed.ini"
    start_orbek
    press_icon 3
    shot right-menu
    xdotool key Escape
    wait_menu_closed
    kill -0 "$ORBEK_PID" || fail "Orbek ended"
    ;;
  second-copy)
    seed "$e2e_here/seed.ini"
    start_orbek
    before=$(stat -c %Y.%s "$STORE")
    timeout 10 "$ORBEK_BIN/Orbek" >"$T/second.log" 2>&1 || fail "the second copy failed or hung"
    [ ! -s "$T/second.log" ] || fail "the second copy printed: $(cat "$T/second.log")"
    sleep 0.5  # give a wrongly added icon the time trayer needs to embed it
    [ "$(orbek_windows)" -eq 1 ] || fail "a second icon appeared"
    [ "$(stat -c %Y.%s "$STORE")" = "$before" ] || fail "the second copy touched the store"
    press_icon 1
    choose_item 7
    expect_clipboard "$(sentence 6)"
    ;;
  damaged-count)
    printf '[Sentences]\nSCMax=abc\nS0=first\nS1=second\n' >"$STORE"
    desktop_run "$T" "$ORBEK_BIN/Orbek"
    ORBEK_PID=$(tail -n1 "$T/pids")
    wait_for 10 xdotool search --name "^エラー - Orbek\$" || fail "no error report appeared"
    shot damaged-count-report
    xdotool search --name "^エラー - Orbek\$" windowactivate --sync
    xdotool key Return
    wait_for 5 bash -c '! xdotool search --name "^エラー - Orbek\$"' || fail "the report did not close"
    kill -0 "$ORBEK_PID" || fail "Orbek ended after the report"
    ICON=$(xdotool search --onlyvisible --class orbek | head -n1)
    # The count read as 0: the menu holds S0 alone.
    press_icon 1
    choose_item 1
    expect_clipboard first
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
