#!/usr/bin/env bash
# The programs are static: they import the system's DLLs and nothing else.
# Usage: imports_test.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
allowed='^(advapi32|comctl32|gdi32|kernel32|msvcrt|shell32|user32)\.dll$'
status=0
for program in "$@"; do
  dlls=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || { echo "$program: no imports found" >&2; status=1; }
  while read -r dll; do
    if ! echo "${dll,,}" | grep -Eq "$allowed"; then
      echo "$program imports $dll" >&2
      status=1
    fi
  done <<<"$dlls"
done
exit $status
