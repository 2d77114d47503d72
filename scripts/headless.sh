#!/usr/bin/env bash
# Runs a command with an X display: the current one, or a headless X server that ends with it.
# The Wine prefix is prepared first and Wine is stopped afterwards; the command's status is kept.
set -euo pipefail
source "$(dirname "$0")/common.sh"

if [[ -z ${DISPLAY:-} ]]; then
  echo "No DISPLAY: running in a headless X server."
  exec xvfb-run -a -s "$XVFB_SCREEN" "$0" "$@"
fi

# On Ctrl+C, do not leave Wine behind holding a display that is about to go.
trap 'stop_wine; exit 130' INT TERM
ensure_prefix
rc=0
"$@" || rc=$?
# Stop Wine while the display is still up, so nothing it started outlives us.
stop_wine
exit "$rc"
