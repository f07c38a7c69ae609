#!/usr/bin/env bash
# End-to-end tests of the Windows programs under Wine, one case per run:
#   wine_test.sh CASE ORBEK_EXE NULVEX_EXE ARTIFACTS_DIR
# Run by ctest under scripts/wine-tests.sh: one desktop with a tray and one
# throwaway prefix for the whole run, so each case ends what it started.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: wine_test.sh CASE ORBEK_EXE NULVEX_EXE ARTIFACTS_DIR" >&2; exit 2; }
E2E_CASE=$1 ORBEK_EXE=$2 NULVEX_EXE=$3 E2E_ARTIFACTS=$4
source "$(dirname "$0")/wine_lib.sh"

MULTI=$'お世話になっております。\r\n株式会社サンプルの山田です。\r\nよろしくお願いいたします。'
EDITOR_TITLE=Orbek
ABOUT_TITLE='Orbek のバージョン情報'
QUESTION='登録文データ削除の確認 - Nulvex'
DONE='Delete Orbek Sentences'

# On the X side line breaks are LF.
x_text() { printf '%s' "${1//$'\r\n'/$'\n'}"; }

# Chooses the k-th row (0 = the first) of the open menu: a menu opens with
# no row active, Down skips separators.
choose_row() {
  local keys=() i
  for ((i = 0; i <= $1; i++)); do keys+=(Down); done
  key_to "$MENU" "${keys[@]}" Return
  wait_menu_closed
}

# The editor's controls, in pixels of its client area at 96 dpi (its design
# in twips / 15).
editor_click() {
  local x y
  case $1 in
    first-row) x=50 y=48 ;;
    up) x=300 y=76 ;;
    ok) x=396 y=56 ;;
    cancel) x=396 y=96 ;;
  esac
  xdotool mousemove --window "$EDITOR" "$x" "$y" click 1
}

open_editor() {
  press_icon 3
  key_to "$MENU" s
  EDITOR=$(wait_window "$EDITOR_TITLE" 5)
  wait_active "$EDITOR"
}

start_nulvex() {
  wine "$NULVEX_EXE" >>"$T/nulvex.log" 2>&1 &
  NULVEX_PID=$!
  ASK=$(wait_window "$QUESTION")
  wait_active "$ASK"
}

expect_nulvex_ended() {
  wait_for 10 bash -c "! kill -0 $NULVEX_PID" || fail "Nulvex did not end"
  local rc=0
  wait "$NULVEX_PID" || rc=$?
  NULVEX_PID=""
  [ "$rc" -eq 0 ] || fail "Nulvex ended with code $rc"
}

# A tooltip: a visible window of explorer.exe's outside the tray.
tooltip() {
  local id tray_ids
  tray_ids=$(xwininfo -id "$(tray_window)" -tree | awk '/0x/ {print $1}')
  for id in $(xdotool search --onlyvisible --class '^explorer\.exe$' 2>/dev/null); do
    grep -qx "$(printf '0x%x' "$id")" <<<"$tray_ids" || { echo "$id"; return 0; }
  done
  return 1
}

case $E2E_CASE in
  icon)
    seed_sentences first
    start_orbek
    [ "$(tray_icons | wc -l)" -eq 1 ] || fail "expected one icon in the tray, found $(tray_icons | wc -l)"
    read -r w h < <(window_size "$ICON")
    [ "$w" -gt 1 ] && [ "$h" -gt 1 ] || fail "the icon window is $w x $h"
    shot icon
    # Hovering: moved onto the icon and within it, as a hand does.
    xdotool mousemove "$ICON_X" "$ICON_Y"
    xdotool mousemove "$((ICON_X + 1))" "$((ICON_Y + 1))"
    wait_for 5 tooltip || fail "no tooltip appeared over the icon"
    tip=$(tooltip)
    read -r tx ty < <(window_centre "$tip")
    # Beside the icon, not somewhere else on the screen.
    [ $((tx > ICON_X ? tx - ICON_X : ICON_X - tx)) -lt 100 ] && [ $((ICON_Y - ty)) -gt 0 ] &&
      [ $((ICON_Y - ty)) -lt 100 ] || fail "the tooltip is at $tx,$ty, the icon at $ICON_X,$ICON_Y"
    shot icon-tip
    xdotool mousemove 512 300
    exit_orbek
    ;;
  copy)
    seed_sentences "$MULTI" 'Tom & Jerry' 'last one'
    start_orbek
    press_icon 1
    shot menu-left
    expect_menu_clear_of_icon
    choose_row 1   # the settings row, then the first sentence
    expect_clipboard "$(x_text "$MULTI")"
    press_icon 1
    choose_row 2
    expect_clipboard 'Tom & Jerry'
    press_icon 1
    choose_row 3
    expect_clipboard 'last one'
    kill -0 "$ORBEK_PID" || fail "Orbek ended"
    exit_orbek
    ;;
  register)
    seed_sentences first second
    start_orbek
    new=$'登録する一行目\r\n二行目は「引用」と & と \\ です'
    set_clipboard "$(x_text "$new")"
    press_icon 3
    shot menu-right
    expect_menu_clear_of_icon
    key_to "$MENU" r
    wait_menu_closed
    wait_for 10 bash -c "wine reg query '$STORE_KEY' /v SCMax 2>/dev/null | grep -q 'REG_SZ *2'" ||
      fail "SCMax did not become 2"
    expect_values "$STORE_KEY" SCMax=2 S0=first S1=second "S2=$new"
    # The left menu has the new sentence last: chosen, it comes back.
    set_clipboard other
    press_icon 1
    shot register-menu-left
    choose_row 3
    expect_clipboard "$(x_text "$new")"
    exit_orbek
    ;;
  editor)
    seed_store Sentences SCMax=3 S0=first 'S1=二番目の文です' $'S2=third\r\nline two' S3=fourth S9=stale
    start_orbek
    open_editor
    shot editor
    editor_click first-row
    key_to "$EDITOR" Down          # the second sentence
    editor_click up
    shot editor-moved
    editor_click ok
    wait_window_gone "$EDITOR_TITLE" 5
    expect_values "$STORE_KEY" SCMax=3 'S0=二番目の文です' S1=first $'S2=third\r\nline two' S3=fourth S9=stale
    # The same edit, cancelled: the store stays byte for byte as it was.
    export_key "$STORE_KEY" "$T/before.reg" || fail "no store"
    open_editor
    editor_click first-row
    key_to "$EDITOR" Down
    editor_click up
    editor_click cancel
    wait_window_gone "$EDITOR_TITLE" 5
    export_key "$STORE_KEY" "$T/after.reg" || fail "the store went"
    cmp -s "$T/before.reg" "$T/after.reg" || fail "Cancel changed the store"
    # The menu follows the saved order.
    press_icon 1
    choose_row 1
    expect_clipboard '二番目の文です'
    exit_orbek
    ;;
  dpi)
    # At 144 dpi a twip is a tenth of a pixel: the editor's client area,
    # 6612 x 5052 twips by design, is 661 x 505 pixels, and its fonts grow
    # with it.
    set_dpi 144
    seed_sentences first 'お世話になっております。'
    start_orbek
    open_editor
    shot editor-144dpi
    read -r w h < <(window_size "$EDITOR")
    [ "$w" -ge 655 ] && [ "$w" -le 668 ] && [ "$h" -ge 500 ] && [ "$h" -le 511 ] ||
      fail "the editor's client area is $w x $h at 144 dpi, not 661 x 505"
    # Esc is Cancel, wherever the focus is. The window is hidden, not yet
    # gone, when the key's release reaches it: that goes to the display
    # too, or Wine would hold Esc down for every later dialog.
    key_to "$EDITOR" Escape
    xdotool keyup Escape
    wait_window_gone "$EDITOR_TITLE" 5
    exit_orbek
    ;;
  about)
    start_orbek
    press_icon 3
    key_to "$MENU" a
    box=$(wait_window "$ABOUT_TITLE" 5)
    wait_active "$box"
    shot about
    key_to "$box" Return
    wait_window_gone "$ABOUT_TITLE" 5
    kill -0 "$ORBEK_PID" || fail "Orbek ended with the version box"
    exit_orbek
    ;;
  exit)
    start_orbek
    exit_orbek
    [ "$(tray_icons | wc -l)" -eq 0 ] || fail "an icon is left in the tray"
    ;;
  nulvex-yes)
    seed_store Sentences SCMax=1 S0=first 'S1=二番目' -- Other Key=kept
    start_nulvex
    shot nulvex-ask
    key_to "$ASK" alt+y   # Yes; the default button is No
    done_window=$(wait_window "$DONE")
    wait_for 10 bash -c "! wine reg query '$STORE_KEY'" || fail "the sentences are still stored"
    shot nulvex-done
    expect_values "$APP_KEY\\Other" Key=kept
    kill -0 "$NULVEX_PID" || fail "Nulvex ended before OK"
    key_to "$done_window" Return
    expect_nulvex_ended
    ;;
  nulvex-no)
    seed_sentences first 'S1=二番目'
    export_key "$STORE_KEY" "$T/before.reg" || fail "no store"
    start_nulvex
    key_to "$ASK" Return      # the default: No
    # Watched until Nulvex is gone: its window must not appear on the way.
    deadline=$((SECONDS + 10))
    while kill -0 "$NULVEX_PID" 2>/dev/null; do
      [ -z "$(find_window "$DONE")" ] || fail "the deletion window appeared"
      [ $SECONDS -lt $deadline ] || fail "Nulvex did not end"
      sleep 0.1
    done
    expect_nulvex_ended
    export_key "$STORE_KEY" "$T/after.reg" || fail "the store went"
    cmp -s "$T/before.reg" "$T/after.reg" || fail "answering No changed the store"
    ;;
  *) fail "unknown case $E2E_CASE" ;;
esac
echo "PASS: $E2E_CASE"
