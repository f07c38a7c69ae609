#!/usr/bin/env bash
# The setup program and the portable zip, in the Wine prefix WINEPREFIX names
# (scripts/wine-tests.sh makes a throwaway one and keeps its server running):
#   installer_test.sh SETUP ZIP ORBEK_EXE NULVEX_EXE STAND_IN VERSION
# Silent installs (/S, and /S /NOAUTOSTART), silent uninstalls, refusal while
# Orbek or Nulvex runs, and the stored sentences left as they were throughout.
set -euo pipefail
if [ $# -ne 6 ]; then
  echo "usage: installer_test.sh SETUP ZIP ORBEK_EXE NULVEX_EXE STAND_IN VERSION" >&2
  exit 2
fi
if [ -z "${WINEPREFIX:-}" ] || [ "$(realpath -m "$WINEPREFIX")" = "$(realpath -m "$HOME/.wine")" ]; then
  echo "installer_test.sh: set WINEPREFIX to a prefix of its own (scripts/wine-tests.sh makes one)" >&2
  exit 2
fi
setup=$1 zip=$2 orbek_exe=$3 nulvex_exe=$4 stand_in=$5 version=$6
wine_run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh

tmp=$(mktemp -d "${TMPDIR:-/tmp}/orbek-installer.XXXXXX")
holder_pid=""
cleanup() {
  if [ -n "$holder_pid" ]; then kill "$holder_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Shortcuts would otherwise reach the desktop's menus in the home folder.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
mkdir -p "$tmp/config" "$tmp/data" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/runtime

wine() { "$wine_run" "$@"; }
# Wine prints line ends as CRLF.
win_env() { wine cmd /c echo "%$1%" | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_path() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orbek'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
store_key='HKCU\Software\VB and VBA Program Settings\Orbek'

# The data of one value, or failure when it is not there.
reg_value() {
  local out
  out=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  value_in "$out" "$2"
}
# The same from the output of a query of the whole key.
value_in() { sed -n "s/^    $2    REG_[A-Z_]*    //p" <<<"$1"; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }

# A deadline, not a fixed pause: polls until "$@" holds.
wait_for() {
  local what=$1 deadline=$((SECONDS + 30))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "timed out waiting for: $what"
    sleep 0.1
  done
}

instdir_win="$(win_env LOCALAPPDATA)\\Programs\\Orbek"
instdir=$(unix_path "$instdir_win")
menu=$(unix_path "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")/Orbek
[ -n "$instdir" ] && [ "$menu" != /Orbek ] || fail "no profile folders in the prefix"
shortcuts=("Orbek.lnk" "Nulvex.lnk" "Orbek のアンインストール.lnk")
installed_files=(Orbek.exe Nulvex.exe "はじめに.txt" uninstall.exe)
own_run_value="\"$instdir_win\\Orbek.exe\""

# The store: sentences, one of them Japanese with a line break, and a sibling
# key. .reg files are UTF-16LE with a byte order mark.
[ ! -e "$instdir" ] && ! has_key "$uninstall_key" || fail "Orbek is installed in this prefix already"
{
  printf '\xff\xfe'
  iconv -f UTF-8 -t UTF-16LE <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Orbek\Sentences]
"SCMax"="1"
"S0"="お世話になっております。"
"S1"=hex(1):e5,65,2c,67,9e,8a,0d,00,0a,00,00,00

[HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Orbek\Window]
"Left"="120"
EOF
} >"$tmp/seed.reg"
wine reg import "$(win_path "$tmp/seed.reg")" >/dev/null 2>&1 || fail "could not seed the store"
export_store() {
  wine reg export "$store_key" "$(win_path "$1")" /y >/dev/null 2>&1 || fail "could not export the store"
}
export_store "$tmp/store-before.reg"
iconv -f UTF-16LE -t UTF-8 "$tmp/store-before.reg" | grep -q 'お世話になっております。' ||
  fail "the seeded sentence is not in the export"
store_unchanged() {
  export_store "$tmp/store-now.reg"
  cmp -s "$tmp/store-before.reg" "$tmp/store-now.reg" || fail "$1 changed the stored sentences"
}

# A stand-in for a running program (tests/win32/stand_in.cpp: "mutex", or
# "file PATH"); it lets go when its input ends.
hold() {
  coproc holder { exec "$wine_run" "$stand_in" "$@"; }
  holder_pid=$holder_PID
  local line=""
  read -r -t 30 -u "${holder[0]}" line || true
  [ "${line%$'\r'}" = ready ] || fail "the stand-in for a running program did not start"
}
release() {
  local input=${holder[1]}
  exec {input}>&-
  wait "$holder_pid" || fail "the stand-in for a running program failed"
  holder_pid=""
}

install() { wine "$setup" /S "$@"; }
# As Settings does: the quiet command the Apps entry names. The uninstaller
# copies itself away and returns at once; it removes its entry last.
# With a folder, it is started in that folder, as a shortcut may start it.
uninstall() {
  local quiet exe
  quiet=$(reg_value "$uninstall_key" QuietUninstallString) || fail "no QuietUninstallString"
  [ "$quiet" = "\"$instdir_win\\uninstall.exe\" /S" ] || fail "QuietUninstallString is $quiet"
  exe=${quiet#\"}
  (cd "${1:-.}" && wine "${exe%%\"*}" /S) || fail "the uninstaller failed"
  wait_for "the uninstaller to remove its entry" entry_gone
}
entry_gone() { ! has_key "$uninstall_key"; }

check_installed() {
  local f s
  for f in "${installed_files[@]}"; do [ -f "$instdir/$f" ] || fail "$instdir/$f is missing"; done
  cmp -s "$orbek_exe" "$instdir/Orbek.exe" || fail "the installed Orbek.exe is not the one built"
  cmp -s "$nulvex_exe" "$instdir/Nulvex.exe" || fail "the installed Nulvex.exe is not the one built"
  for s in "${shortcuts[@]}"; do [ -f "$menu/$s" ] || fail "no shortcut $menu/$s"; done
  grep -aqF "$instdir_win\\Orbek.exe" "$menu/Orbek.lnk" || fail "Orbek.lnk does not start Orbek.exe"
  grep -aqF "$instdir_win\\Nulvex.exe" "$menu/Nulvex.lnk" || fail "Nulvex.lnk does not start Nulvex.exe"
  grep -aqF "$instdir_win\\uninstall.exe" "$menu/Orbek のアンインストール.lnk" ||
    fail "the uninstaller's shortcut does not start it"

  local entry
  entry=$(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r') || fail "no Apps entry"
  [ "$(value_in "$entry" DisplayName)" = Orbek ] || fail "DisplayName"
  [ "$(value_in "$entry" DisplayVersion)" = "$version" ] || fail "DisplayVersion"
  [ "$(value_in "$entry" DisplayIcon)" = "$instdir_win\\Orbek.exe,0" ] || fail "DisplayIcon"
  [ "$(value_in "$entry" InstallLocation)" = "$instdir_win" ] || fail "InstallLocation"
  [ "$(value_in "$entry" UninstallString)" = "\"$instdir_win\\uninstall.exe\"" ] ||
    fail "UninstallString"
  [ -n "$(value_in "$entry" Publisher)" ] || fail "no Publisher"
  [ "$(value_in "$entry" NoModify)" = 0x1 ] || fail "NoModify"
  [ "$(value_in "$entry" NoRepair)" = 0x1 ] || fail "NoRepair"
  # In KiB: at least the two programs, which are not empty.
  local size min
  size=$(value_in "$entry" EstimatedSize)
  [ -n "$size" ] || fail "no EstimatedSize"
  min=$((($(stat -c %s "$orbek_exe") + $(stat -c %s "$nulvex_exe")) / 1024))
  [ $((size)) -ge $min ] || fail "EstimatedSize $size KiB is less than the programs' $min KiB"
}

check_nothing_installed() {
  [ ! -e "$instdir" ] || fail "$1: $instdir is left: $(ls -A "$instdir" | tr '\n' ' ')"
  [ ! -e "$menu" ] || fail "$1: $menu is left"
  ! has_key "$uninstall_key" || fail "$1: the Apps entry is left"
  ! reg_value "$run_key" Orbek >/dev/null || fail "$1: the Run value is left"
  store_unchanged "$1"
}

run_value_is() {
  local value
  if [ "$1" = none ]; then
    ! value=$(reg_value "$run_key" Orbek) || fail "$2: Run value Orbek is $value"
  else
    value=$(reg_value "$run_key" Orbek) || fail "$2: no Run value Orbek"
    [ "$value" = "$1" ] || fail "$2: Run value Orbek is $value, not $1"
  fi
}

echo "-- while Orbek runs, setup refuses and changes nothing"
hold mutex
rc=0
install || rc=$?
[ $rc -eq 2 ] || fail "setup exited with $rc while Orbek was running, not 2"
check_nothing_installed "setup refused"
release

echo "-- /S installs everything, starting at sign-in by default"
install || fail "setup failed"
check_installed
run_value_is "$own_run_value" "/S"

# _?= runs it in place, so that its exit code is its own.
uninstall_in_place() { wine "$instdir/uninstall.exe" /S "_?=$instdir_win"; }

echo "-- while Orbek runs, the uninstaller refuses and removes nothing"
hold mutex
rc=0
uninstall_in_place || rc=$?
[ $rc -eq 2 ] || fail "the uninstaller exited with $rc while Orbek was running, not 2"
check_installed
run_value_is "$own_run_value" "uninstall refused for Orbek"
release

echo "-- while Nulvex runs, the uninstaller and setup refuse and change nothing"
hold file "$instdir_win\\Nulvex.exe"
rc=0
uninstall_in_place || rc=$?
[ $rc -eq 2 ] || fail "the uninstaller exited with $rc while Nulvex was running, not 2"
check_installed
run_value_is "$own_run_value" "uninstall refused for Nulvex"
# Setup writes the files first, and the option off would drop the Run value.
rm "$instdir/はじめに.txt"
rc=0
install /NOAUTOSTART || rc=$?
[ $rc -eq 2 ] || fail "setup exited with $rc while Nulvex was running, not 2"
[ ! -e "$instdir/はじめに.txt" ] || fail "setup refused for Nulvex but wrote files"
run_value_is "$own_run_value" "setup refused for Nulvex"
release

echo "-- the uninstaller removes all that setup made, and only that"
uninstall
check_nothing_installed "uninstall"

echo "-- /S /NOAUTOSTART does not start Orbek at sign-in"
install /NOAUTOSTART || fail "setup /NOAUTOSTART failed"
check_installed
run_value_is none "/S /NOAUTOSTART"

echo "-- installing again without the option turns it off"
install || fail "setup over an install failed"
run_value_is "$own_run_value" "setup again"
install /NOAUTOSTART || fail "setup /NOAUTOSTART over an install failed"
check_installed
run_value_is none "setup /NOAUTOSTART again"

echo "-- a Run value for another copy of Orbek is the user's and stays"
other='"D:\Tools\Orbek\Orbek.exe"'
wine reg add "$run_key" /v Orbek /t REG_SZ /d "$other" /f >/dev/null 2>&1 || fail "reg add"
install /NOAUTOSTART || fail "setup /NOAUTOSTART failed"
run_value_is "$other" "setup /NOAUTOSTART with another copy's value"
# In the install folder, as its Start menu entry starts it: the folder goes too.
uninstall "$instdir"
run_value_is "$other" "uninstall with another copy's value"
wine reg delete "$run_key" /v Orbek /f >/dev/null 2>&1 || fail "reg delete"
check_nothing_installed "the last uninstall"

echo "-- the portable zip holds the programs and the readme, in one folder"
listing=$(LC_ALL=C.UTF-8 cmake -E tar tf "$zip" | sort)
expected=$(printf '%s\n' Orbek/ Orbek/Nulvex.exe Orbek/Orbek.exe "Orbek/はじめに.txt" | sort)
[ "$listing" = "$expected" ] || fail "the zip holds:"$'\n'"$listing"
mkdir "$tmp/zip"
(cd "$tmp/zip" && LC_ALL=C.UTF-8 cmake -E tar xf "$zip")
cmp -s "$orbek_exe" "$tmp/zip/Orbek/Orbek.exe" || fail "the zip's Orbek.exe is not the one built"
cmp -s "$nulvex_exe" "$tmp/zip/Orbek/Nulvex.exe" || fail "the zip's Nulvex.exe is not the one built"
grep -q "Orbek $version" "$tmp/zip/Orbek/はじめに.txt" || fail "the readme does not name the version"

echo "PASS"
