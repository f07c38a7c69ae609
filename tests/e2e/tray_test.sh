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

# The error report of error `number` with `description`, at `location`, as read out.
report() {
  printf '%s\n' 'alert: エラー - Orbek' "label: エラー番号:$1" "label: 場所:$2-Orbek20" "label: $3" \
    'label: 上記の説明と、エラーの発生したときの簡単な状況を書いて、' \
    "label: $ORBEK_AUTHOR <$ORBEK_CONTACT> まで連絡してください。" 'push button (default): OK'
}

# The editor on seed.ini as read out, with sentence `selected` (1 = the
# first) selected and `preview` in the preview.
editor_reading() {
  local k items=('お世話になっております。' 'Tom & Jerry' 123456789012345678901234567890 \
    1234567890123456789012345678901 '' 日本語の文章です 'last one')
  printf '%s\n' 'dialog: Orbek' 'push button (default): OK' 'push button: Cancel' \
    'label: 登録文一覧(L):' 'list:'
  for k in "${!items[@]}"; do
    if [ $((k + 1)) -eq "$1" ]; then printf 'list item (selected):'; else printf 'list item:'; fi
    [ -z "${items[k]}" ] && echo || echo " ${items[k]}"
  done
  printf '%s\n' 'push button: ^' 'push button description: up' 'push button: V' \
    'push button description: down' 'push button: N' 'push button description: New' \
    'push button: C' 'push button description: from Clipboard' 'push button: D' \
    'push button description: Delete' 'text:' "text content: $2"
}

case $E2E_CASE in
  left-menu)
    seed "$e2e_here/seed.ini"
    start_orbek
    # The settings item, the separator, then sentences 0 to 6 by their
    # captions, as read out: an "&" marks the access key, the blank after it
    # in "Tom & Jerry".
    expect_menu 1 "$(printf '%s\n' '設定(S)...' - 'お世話になっております。\n...' 'Tom  Jerry' \
      123456789012345678901234567890 123456789012345678901234567890... '' 日本語の文章です \
      'last one')"
    shot left-menu
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
    # The empty sentence copies nothing: the clipboard keeps the last one,
    press_icon 1
    choose_item 5
    wait_menu_closed
    expect_clipboard "$(sentence 6)"
    # while the same keys copy S4 once it holds a text: they chose its item.
    sed -i 's/^S4=$/S4=no longer empty/' "$STORE"
    press_icon 1
    choose_item 5
    expect_clipboard "no longer empty"
    ;;
  right-menu)
    seed "$e2e_here/seed.ini"
    start_orbek
    expect_menu 3 "$(printf '%s\n' '現在の内容を登録(R)' '設定(S)...' - 'About(A)...' - 'Exit(X)')"
    shot right-menu
    xdotool key Escape
    wait_menu_closed
    kill -0 "$ORBEK_PID" || fail "Orbek ended"
    ;;
  second-copy)
    seed "$e2e_here/seed.ini"
    start_orbek
    before=$(stat -c %Y.%s "$STORE")
    [ "$(orbek_windows)" -eq 1 ] || fail "the first icon is not seen"
    "$ORBEK_BIN/Orbek" >"$T/second.log" 2>&1 &
    second=$!
    echo "$second" >>"$T/pids"
    # Watched while it runs: no second icon. A search that met a window
    # going away says nothing.
    deadline=$((SECONDS + 10))
    while kill -0 "$second" 2>/dev/null; do
      if icons=$(xdotool search --onlyvisible --class orbek 2>/dev/null); then
        [ "$(wc -l <<<"$icons")" -le 1 ] || fail "a second icon appeared"
      fi
      [ $SECONDS -lt $deadline ] || fail "the second copy did not end"
    done
    wait "$second" || fail "the second copy failed"
    [ ! -s "$T/second.log" ] || fail "the second copy printed: $(cat "$T/second.log")"
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
    # The menu's build reads the count and reports it.
    expect_window Orbek "エラー - Orbek" "$(report 13 'mdlOrbek!ShowSMenu' '型が一致しません。')"
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
    # The same command registers a text: it was chosen, and left no report
    # open that would keep the menus shut.
    printf 'text again' | xclip -selection clipboard
    press_icon 3
    choose_item 0
    wait_for 5 grep -qx 'SCMax=7' "$STORE" || fail "the text was not registered"
    ;;
  editor)
    seed "$e2e_here/seed.ini"
    start_orbek
    open_editor 3 1
    xdotool key --delay 150 alt+l Down Down   # the second sentence, previewed
    expect_window Orbek Orbek "$(editor_reading 2 'Tom & Jerry')"
    shot editor
    xdotool key Escape
    wait_editor_closed
    open_editor 3 1
    xdotool key --delay 150 alt+l Down alt+d      # delete the first sentence
    xdotool key --delay 150 alt+l Down alt+v      # move the (new) second one down
    xdotool key alt+n
    wait_for 5 xdotool search --onlyvisible --name "^登録 - Orbek\$" || fail "no input box"
    xdotool type --delay 20 added
    expect_window Orbek "登録 - Orbek" "$(printf '%s\n' 'dialog: 登録 - Orbek' \
      'label: 登録する文章を教えてっ' 'text: 登録する文章を教えてっ' 'text content: added' \
      'push button (default): OK' 'push button: キャンセル')"
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
    expect_window Orbek "Orbek のバージョン情報" "$(printf '%s\n' 'alert: Orbek のバージョン情報' \
      'label: Orbek  Version 1.20' 'label:' "label: Copyright (C) 2026 $ORBEK_AUTHOR" \
      'push button (default): OK')"
    shot about
    windows=$(orbek_windows)
    press_gap
    icon_down 1
    xdotool mouseup 1
    ! wait_for 1 bash -c "[ \$(xdotool search --onlyvisible --class orbek | wc -l) -gt $windows ]" ||
      fail "a menu opened while the version box was open"
    xdotool windowactivate --sync "$(first_window --onlyvisible --name "^Orbek のバージョン情報\$")"
    xdotool key Return
    wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Orbek のバージョン情報\$"' ||
      fail "the version box stayed"
    kill -0 "$ORBEK_PID" || fail "Orbek ended"
    # The same press opens the menu once the box has closed.
    press_icon 1
    xdotool key Escape
    wait_menu_closed
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
