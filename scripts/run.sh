#!/usr/bin/env bash
# Starts Quillpad under Wine from build/run/, where its INI and RTF files persist between runs.
# Without a DISPLAY it brings up a headless X server of its own and stops it afterwards.
set -euo pipefail
source "$(dirname "$0")/common.sh"

EXE=build/bin/quillpad.exe
RUN_DIR=build/run

xvfb_pid=
cleanup() {
  trap - INT TERM EXIT
  stop_wine
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap 'cleanup; echo; echo "Stopped."; exit 0' INT TERM
trap cleanup EXIT

start_xvfb() {
  local n=90
  while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
  # Own session: Ctrl+C must reach only us, so the trap can stop Wine before the display goes.
  # shellcheck disable=SC2086 # the screen option is several words
  setsid Xvfb ":$n" $XVFB_SCREEN -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  local deadline=$((SECONDS + 15))
  until [[ -S /tmp/.X11-unix/X$n ]]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || ((SECONDS >= deadline)); then
      echo "Could not start a headless X server on :$n." >&2
      exit 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$n"
  echo "No DISPLAY: running in a headless X server on :$n; press Ctrl+C to stop."
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
