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
    xdotool windowactivate --sync "$(first_window --name "^エラー - Orbek\$")"
    xdotool key Return
    wait_for 5 bash -c '! xdotool search --name "^エラー - Orbek\$"' || fail "the report did not close"
    kill -0 "$ORBEK_PID" || fail "Orbek ended after the report"
    ICON=$(first_window --onlyvisible --class orbek)
    # The count read as 0: the menu holds S0 alone.
    press_icon 1
    choose_item 1
    expect_clipboard first
    ;;
  register)
    seed "$e2e_here/seed.ini"
    start_orbek
    printf 'line one\nline two\nline three' | xclip -selection clipboard
    press_icon 3
    choose_item 0
    wait_for 5 grep -q '^SCMax=7$' "$STORE" || fail "the count did not become 7"
    # S7 was left above the count: the new sentence takes its place.
    grep -qx 'S7=line one\\r\\nline two\\r\\nline three' "$STORE" || fail "S7 is $(grep ^S7= "$STORE")"
    grep -qx 'S0=お世話になっております。.*' "$STORE" || fail "S0 changed"
    press_icon 1
    shot register-left-menu
    choose_item 8
    expect_clipboard "$(printf 'line one\nline two\nline three')"
    ;;
  register-image)
    seed "$e2e_here/seed.ini"
    start_orbek
    convert -size 8x8 xc:red "$T/red.png"
    xclip -selection clipboard -t image/png -i "$T/red.png"
    before=$(md5sum <"$STORE")
    press_icon 3
    choose_item 0
    wait_menu_closed
    # Nothing to wait for: give a wrong report the time to show.
    ! wait_for 1 xdotool search --onlyvisible --name "^エラー - Orbek\$" || fail "a report appeared"
    [ "$(orbek_windows)" -eq 1 ] || fail "a window appeared"
    [ "$(md5sum <"$STORE")" = "$before" ] || fail "the store changed"
    ;;
  editor)
    seed "$e2e_here/seed.ini"
    start_orbek
    open_editor 3 1
    xdotool key --delay 150 alt+l Down Down   # the second sentence, previewed
    shot editor
    xdotool key Escape
    wait_editor_closed
    open_editor 3 1
    xdotool key --delay 150 alt+l Down alt+d      # delete the first sentence
    xdotool key --delay 150 alt+l Down alt+v      # move the (new) second one down
    xdotool key alt+n
    wait_for 5 xdotool search --onlyvisible --name "^登録 - Orbek\$" || fail "no input box"
    xdotool type --delay 20 added
    xdotool key Return
    wait_for 5 bash -c '! xdotool search --onlyvisible --name "^登録 - Orbek\$"' || fail "the input box stayed"
    xdotool key Return                # OK
    wait_editor_closed
    want=$(printf '%s\n' 'S0=Tom & Jerry' 'S1=1234567890123456789012345678901' \
      'S2=123456789012345678901234567890' 'S3=' 'S4=日本語の文章です' 'S5=last one' 'S6=added' \
      'S7=above the count' 'SCMax=6')
    [ "$(grep '^S' "$STORE")" = "$want" ] || fail "the store holds: $(grep '^S' "$STORE")"
    # The left menu follows: its first sentence is now the old second one.
    press_icon 1
    choose_item 1
    expect_clipboard 'Tom & Jerry'
    # Edits then Cancel, from the left menu's settings item: nothing changes.
    before=$(md5sum <"$STORE")
    open_editor 1 0
    xdotool key --delay 150 alt+l Down alt+d alt+d
    xdotool key Escape
    wait_editor_closed
    [ "$(md5sum <"$STORE")" = "$before" ] || fail "Cancel changed the store"
    [ "$(orbek_windows)" -eq 1 ] || fail "a window of Orbek is left on screen"
    ;;
  about)
    start_orbek
    press_icon 3
    choose_item 2
    wait_for 5 xdotool search --onlyvisible --name "^Orbek のバージョン情報\$" || fail "no version box"
    shot about
    windows=$(orbek_windows)
    sleep 0.8  # apart from the last press, so that this one is no double click
    xdotool mousemove --window "$ICON" 11 11 mousedown 1 mouseup 1
    ! wait_for 1 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -gt $windows ]" ||
      fail "a menu opened while the version box was open"
    xdotool windowactivate --sync "$(first_window --onlyvisible --name "^Orbek のバージョン情報\$")"
    xdotool key Return
    wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Orbek のバージョン情報\$"' ||
      fail "the version box stayed"
    kill -0 "$ORBEK_PID" || fail "Orbek ended"
    ;;
  exit)
    start_orbek
    press_icon 3
    choose_item 3
    wait_for 5 bash -c "! kill -0 $ORBEK_PID" || fail "Orbek still runs"
    [ "$(orbek_windows)" -eq 0 ] || fail "the icon is still there"
    ;;
  dpi)
    # Windows keep their designed proportions at 96, 144 and 192 dpi: the
    # editor's client area grows with the resolution.
    seed "$e2e_here/seed.ini"
    rm -f "$E2E_ARTIFACTS/dpi-editor.txt"
    for dpi in 96 144 192; do
      QT_FONT_DPI=$dpi start_orbek
      open_editor 3 1
      expect_scaled editor "$dpi" "$EDITOR"
      shot "editor-${dpi}dpi"
      xdotool key Escape
      wait_editor_closed
      kill "$ORBEK_PID"
      wait_for 10 bash -c "! kill -0 $ORBEK_PID" || fail "Orbek did not end"
    done
    ;;
  scale-2)
    seed "$e2e_here/seed.ini"
    QT_SCALE_FACTOR=2 start_orbek
    import -window root -crop 80x40+944+0 +repage "$E2E_ARTIFACTS/scale-2-icon.png"
    press_icon 1
    shot scale-2-left-menu
    xdotool key Escape
    wait_menu_closed
    open_editor 3 1
    shot scale-2-editor
    read -r w h < <(window_size "$EDITOR")
    # Twice the editor's size at scale 1 (441 x 337 pixels).
    [ "$w" -ge 870 ] && [ "$h" -ge 660 ] || fail "the editor is $w x $h at scale 2"
    xdotool key Escape
    wait_editor_closed
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
