#!/usr/bin/env bash
# Checks that an executable imports only system DLLs, so it runs on a bare Windows on its own.
#   check_imports.sh PROGRAM.exe
#       exits 0 when every imported DLL is on the list below, 1 when one is not (named on stderr).
#   check_imports.sh --must-reject FILE DLL...
#       the check itself checked: exits 0 only if FILE is refused and each DLL is named as the cause.
set -uo pipefail

OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}

# What quillpad.exe links at start-up today. Anything else (the compiler's runtime DLLs above all)
# must be linked in statically or loaded on first use, as the common controls and dialogs are.
allowed=(kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll version.dll msvcrt.dll)

imports() {
  local dump
  dump=$("$OBJDUMP" -p "$1") || { echo "$OBJDUMP could not read $1" >&2; return 2; }
  grep -i '^[[:space:]]*DLL Name:' <<<"$dump" | sed 's/.*DLL Name:[[:space:]]*//' | tr 'A-Z' 'a-z' | sort -u
}

check() {
  local file=$1 list dll bad=0
  [[ -f $file ]] || { echo "No such file: $file" >&2; return 2; }
  list=$(imports "$file") || return 2
  # An empty list would mean the dump was not understood, not that the program imports nothing.
  grep -qx 'kernel32.dll' <<<"$list" || { echo "$file: no import of kernel32.dll found; unreadable dump?" >&2; return 2; }
  while read -r dll; do
    if [[ " ${allowed[*]} " != *" $dll "* ]]; then
      echo "$file imports $dll, which is not a system DLL" >&2
      bad=1
    fi
  done <<<"$list"
  ((bad == 0)) && echo "$(basename "$file") imports only: $(tr '\n' ' ' <<<"$list")"
  return "$bad"
}

if [[ ${1:-} == --must-reject ]]; then
  shift
  file=$1
  shift
  errors=$(check "$file" 2>&1 >/dev/null)
  rc=$?
  ((rc == 1)) || { echo "Expected $file to be refused (status 1), got status $rc: $errors" >&2; exit 1; }
  for dll in "$@"; do
    grep -qi "imports $dll," <<<"$errors" || { echo "The refusal of $file does not name $dll: $errors" >&2; exit 1; }
  done
  echo "$file refused, as expected: $(tr '\n' ' ' <<<"$errors")"
  exit 0
fi

(($# == 1)) || { echo "usage: $0 PROGRAM.exe | --must-reject FILE DLL..." >&2; exit 2; }
check "$1"
