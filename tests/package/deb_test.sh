#!/usr/bin/env bash
# Builds the Debian package, installs it on this system, checks what it put
# there, and removes it again:
#   deb_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: deb_test.sh BUILD_DIR}" && pwd)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if sudo -n true 2>/dev/null; then sudo="sudo -n"; else
    echo "SKIP: installing a package needs root or password-less sudo"; exit 0
  fi
fi
if dpkg-query -W -f='${Status}' orbek 2>/dev/null | grep -q "ok installed"; then
  echo "SKIP: orbek is installed on this system; the test would replace and remove it"; exit 0
fi

out=$(mktemp -d /tmp/orbek-deb.XXXXXX)
installed=0
cleanup() {
  [ $installed -eq 0 ] || $sudo dpkg --purge orbek >/dev/null 2>&1 || true
  rm -rf "$out"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) ||
  { cat "$out/cpack.log"; fail "cpack failed"; }
deb=$(ls "$out"/orbek_*.deb)

# What the package declares.
[ "$(dpkg-deb -f "$deb" Package)" = orbek ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt: $(dpkg-deb -f "$deb" Depends)"

files=(
  /usr/bin/Orbek /usr/bin/Nulvex
  /usr/share/applications/orbek.desktop /usr/share/applications/nulvex.desktop
  /usr/share/orbek/autostart/orbek.desktop
)
for app in orbek nulvex; do
  files+=(/usr/share/icons/hicolor/32x32/apps/$app.png /usr/share/icons/hicolor/256x256/apps/$app.png
          /usr/share/icons/hicolor/scalable/apps/$app.svg)
done

$sudo dpkg -i "$deb" >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log"; fail "dpkg -i failed"; }
installed=1
for f in "${files[@]}"; do [ -f "$f" ] || fail "$f is missing"; done
[ -x /usr/bin/Orbek ] && [ -x /usr/bin/Nulvex ] || fail "the programs are not executable"
[ ! -e /etc/xdg/autostart/orbek.desktop ] || fail "Orbek starts at login without being asked to"
[ "$(identify -format %wx%h /usr/share/icons/hicolor/256x256/apps/orbek.png)" = 256x256 ] || fail "the large icon"
if command -v desktop-file-validate >/dev/null; then
  for f in /usr/share/applications/orbek.desktop /usr/share/applications/nulvex.desktop \
           /usr/share/orbek/autostart/orbek.desktop; do
    desktop-file-validate "$f" || fail "$f is not a valid desktop entry"
  done
else
  echo "note: desktop-file-validate is not installed; the entries were not validated"
fi

$sudo dpkg --purge orbek >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log"; fail "dpkg --purge failed"; }
installed=0
for f in "${files[@]}"; do [ ! -e "$f" ] || fail "$f is left after removal"; done
[ ! -d /usr/share/orbek ] || fail "/usr/share/orbek is left after removal"
echo "PASS: package.deb"
