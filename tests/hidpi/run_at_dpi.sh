#!/usr/bin/env bash
# Runs a test program in a copy of the test prefix whose screen resolution is set to the given
# pixels per inch. Wine reads the resolution (HKCU\Control Panel\Desktop, LogPixels) when its
# server starts, so the copy has a server of its own, stopped at the end; the default prefix
# stays at 96.
# Usage: run_at_dpi.sh PIXELS_PER_INCH PROGRAM [ARGS...]
set -euo pipefail
dpi=$1
shift
source_prefix=${WINEPREFIX:?the test prefix}
prefix="$source_prefix-dpi$dpi"
export WINEDEBUG=-all

if [[ ! -f $prefix/.quillpad-dpi-ready ]]; then
  # Copy a settled prefix: its server writes the registry files when it ends.
  WINEPREFIX=$source_prefix timeout 30 wineserver -w 2>/dev/null || true
  rm -rf "$prefix"
  cp -a "$source_prefix" "$prefix"
  WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  WINEPREFIX=$prefix wineserver -w
  touch "$prefix/.quillpad-dpi-ready"
fi

export WINEPREFIX=$prefix QP_EXPECTED_DPI=$dpi
rc=0
wine "$@" || rc=$?
wineserver -k 2>/dev/null || true
timeout 20 wineserver -w 2>/dev/null || true
exit "$rc"
