#!/usr/bin/env bash
# Builds the Debian package, checks it as a distribution would (lintian, the
# desktop entries, the software centres' metadata), installs it on this
# system, checks what it put there, and removes it again:
#   deb_test.sh BUILD_DIR
# Exits 77, which ctest reports as a skip, where it cannot install.
set -euo pipefail
build=$(cd "${1:?usage: deb_test.sh BUILD_DIR}" && pwd)
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if sudo -n true 2>/dev/null; then sudo="sudo -n"; else
    skip "installing a package needs root or password-less sudo"
  fi
fi
for tool in lintian desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh installs it)"
done

# One installation on this system at a time, whichever build folder it comes from.
exec 9>/tmp/orbek-package-test.lock
flock -w 600 9 || fail "another package test held the lock for ten minutes"
if dpkg-query -W -f='${Status}' orbek 2>/dev/null | grep -q "ok installed"; then
  skip "orbek is installed on this system; the test would replace and remove it"
fi

out=$(mktemp -d /tmp/orbek-deb.XXXXXX)
installed=0
cleanup() {
  [ $installed -eq 0 ] || $sudo dpkg --purge orbek >/dev/null 2>&1 || true
  rm -rf "$out"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) ||
  { cat "$out/cpack.log"; fail "cpack failed"; }
deb=$(ls "$out"/orbek_*.deb)

# What the package declares.
[ "$(dpkg-deb -f "$deb" Package)" = orbek ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt: $(dpkg-deb -f "$deb" Depends)"

# As a distribution takes it: no error and no warning.
lintian --fail-on error,warning "$deb" >"$out/lintian.log" 2>&1 ||
  { cat "$out/lintian.log"; fail "lintian found errors or warnings"; }
mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
# The metadata with what it refers to in the package, the desktop entry among it.
appstreamcli validate-tree --no-net "$out/root" || fail "the package's AppStream metadata"

metainfo=/usr/share/metainfo/org.example.orbek.metainfo.xml
files=(
  /usr/bin/Orbek /usr/bin/Nulvex
  /usr/share/applications/orbek.desktop /usr/share/applications/nulvex.desktop
  /usr/share/orbek/autostart/orbek.desktop
  /usr/share/doc/orbek/copyright /usr/share/doc/orbek/changelog.gz "$metainfo"
)
for app in orbek nulvex; do
  files+=(/usr/share/icons/hicolor/32x32/apps/$app.png /usr/share/icons/hicolor/256x256/apps/$app.png
          /usr/share/icons/hicolor/scalable/apps/$app.svg)
done
for program in Orbek Nulvex; do
  files+=(/usr/share/man/man1/$program.1.gz /usr/share/man/ja/man1/$program.1.gz)
done

$sudo dpkg -i "$deb" >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log"; fail "dpkg -i failed"; }
installed=1
for f in "${files[@]}"; do [ -f "$f" ] || fail "$f is missing"; done
[ -x /usr/bin/Orbek ] && [ -x /usr/bin/Nulvex ] || fail "the programs are not executable"
[ ! -e /etc/xdg/autostart/orbek.desktop ] || fail "Orbek starts at login without being asked to"
[ "$(identify -format %wx%h /usr/share/icons/hicolor/256x256/apps/orbek.png)" = 256x256 ] || fail "the large icon"
for f in /usr/share/applications/orbek.desktop /usr/share/applications/nulvex.desktop \
         /usr/share/orbek/autostart/orbek.desktop; do
  desktop-file-validate "$f" || fail "$f is not a valid desktop entry"
done
appstreamcli validate --no-net "$metainfo" || fail "$metainfo is not valid AppStream metadata"
grep -q "^License: Expat$" /usr/share/doc/orbek/copyright || fail "the copyright file names no licence"
zcat /usr/share/doc/orbek/changelog.gz | head -n1 | grep -q "^orbek (1\.20\.4985) " ||
  fail "the changelog does not begin with this version"

# The manual pages as `man` shows them, in English and in Japanese: where the
# sentences are and how to remove them. Each paragraph on one line, as it
# would be on a screen wide enough, so that a text is found wherever it wraps.
manual() { MANPAGER=cat MANWIDTH=2000 man --no-justification --no-hyphenation "$@" 2>&1; }
for program in Orbek Nulvex; do
  page=$(manual "$program") || fail "man $program: $page"
  for text in "$program takes no arguments" "Orbek/Orbek.ini" "REMOVING THE SENTENCES"; do
    grep -qF "$text" <<<"$page" || fail "man $program does not say '$text'"
  done
  page=$(manual -L ja "$program") || fail "man -L ja $program: $page"
  for text in "$program は引数を取らず" "Orbek/Orbek.ini" "登録文の削除"; do
    grep -qF "$text" <<<"$page" || fail "man -L ja $program does not say '$text'"
  done
done

$sudo dpkg --purge orbek >"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log"; fail "dpkg --purge failed"; }
installed=0
for f in "${files[@]}"; do [ ! -e "$f" ] || fail "$f is left after removal"; done
for d in /usr/share/orbek /usr/share/doc/orbek; do [ ! -d "$d" ] || fail "$d is left after removal"; done
echo "PASS: package.deb"
