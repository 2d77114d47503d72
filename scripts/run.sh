#!/usr/bin/env bash
# Starts Quillpad under Wine from build/run/, where its INI and RTF files persist between runs.
# Without a DISPLAY it brings up a headless X server of its own and stops it afterwards.
set -euo pipefail
source "$(dirname "$0")/common.sh"

EXE=build/bin/quillpad.exe
RUN_DIR=build/run

XVFB_PID=
cleanup() {
  trap - INT TERM EXIT
  stop_wine
  if [[ -n $XVFB_PID ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
trap 'cleanup; echo; echo "Stopped."; exit 0' INT TERM
trap cleanup EXIT

start_xvfb() {
  start_headless_x || exit 1
  export DISPLAY=$XVFB_DISPLAY
  echo "No DISPLAY: running in a headless X server on $DISPLAY; press Ctrl+C to stop."
}

[[ -n ${DISPLAY:-} ]] || start_xvfb
ensure_prefix

mkdir -p "$RUN_DIR"
cp -f "$EXE" "$RUN_DIR/quillpad.exe"
cd "$RUN_DIR"
# In the background, so that Ctrl+C reaches the trap at once instead of after Wine returns;
# in its own session, so that the trap alone decides how Wine ends.
setsid wine ./quillpad.exe "$@" &
rc=0
wait $! || rc=$?
exit "$rc"
