# Helpers that the end-to-end tests of both runtimes share.

fail() { echo "FAIL: $*" >&2; exit 1; }

# The build under test, and the folder that keeps the screenshots.
need_build() {
  : "${ORBEK_BIN:?set ORBEK_BIN to the build folder}"
  : "${E2E_ARTIFACTS:=$PWD/e2e-artifacts}"
  mkdir -p "$E2E_ARTIFACTS"
}

clipboard() { xclip -o -selection clipboard 2>/dev/null; }

# Waits until the X clipboard holds exactly the given text.
expect_clipboard() {
  local want=$1
  wait_for 5 bash -c '[ "$(xclip -o -selection clipboard 2>/dev/null; echo x)" = "$0x" ]' "$want" ||
    fail "the clipboard holds '$(clipboard)', expected '$want'"
}

# The size of a window's client area in pixels: "width height".
window_size() { xwininfo -id "$1" | awk '/^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print w, h}'; }

# The first window `xdotool search ARGS...` finds. A window that goes while
# xdotool walks the window tree makes it fail (BadWindow): it looks again.
first_window() {
  local attempt found
  for attempt in 1 2 3 4 5; do
    found=$(xdotool search "$@" 2>/dev/null | head -n1) && [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  return 1
}
