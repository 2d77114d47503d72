#!/usr/bin/env bash
# Runs the end-to-end tests on a Wine server of their own, so that they start from the state of
# a fresh session whatever the programs tested before left in the running server (windows,
# icons in the notification area, input state).
# Usage: fresh_server.sh PROGRAM [ARGS...]
set -uo pipefail
wineserver -k 2>/dev/null || true
timeout 20 wineserver -w 2>/dev/null || true
wine "$@"
rc=$?
wineserver -k 2>/dev/null || true
timeout 20 wineserver -w 2>/dev/null || true
exit "$rc"
