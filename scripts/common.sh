# shellcheck shell=bash
# Sourced by the other scripts: repository root, Wine prefix and shared helpers.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1

# Same prefix as the one CMake hands to the tests, so wineboot and wineserver act on it.
export WINEPREFIX="$ROOT/build/wineprefix"
export WINEDEBUG=-all

# shellcheck disable=SC2034 # used by the scripts that source this file
XVFB_SCREEN="-screen 0 1280x1024x24"

# Run as root directly; otherwise through sudo when there is one.
as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else echo "Need root to run: $*" >&2; return 1
  fi
}

# A fresh prefix takes 10-20 s to create; do it once, up front, rather than inside the first test.
ensure_prefix() {
  ensure_prefix_base
  ensure_prefix_fonts
}

ensure_prefix_base() {
  [[ -f $WINEPREFIX/.quillpad-ready ]] && return 0
  echo "Preparing the Wine prefix in $WINEPREFIX (once, 10-20 s)..."
  mkdir -p "$WINEPREFIX"
  wineboot -i
  wineserver -w
  # Our X servers have no window manager: unmanaged windows hide at once instead of
  # waiting two seconds each for a manager that never answers.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  # A program that crashes under test ends there: a debugger attached to it would hold the
  # test's output open until the time limit instead of letting the failure show.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null
  wineserver -w
  touch "$WINEPREFIX/.quillpad-ready"
}

# Wine's own fonts (Marlett for the caption buttons, Tahoma, MS Sans Serif, Courier) are found
# only in the prefix's Fonts folder, and Arial, Times New Roman and Courier New are asked for by
# name: without this every face falls back to one sans-serif font with other metrics.
WINE_FONTS_DIR=/usr/share/wine/fonts
ensure_prefix_fonts() {
  [[ -f $WINEPREFIX/.quillpad-fonts ]] && return 0
  [[ -d $WINE_FONTS_DIR ]] || { echo "Wine's fonts are missing ($WINE_FONTS_DIR); run scripts/deps.sh." >&2; return 1; }
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts"
  cp -f "$WINE_FONTS_DIR"/* "$fonts"/
  local pair
  for pair in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" "Courier New=Liberation Mono"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null
  done
  wineserver -w
  touch "$WINEPREFIX/.quillpad-fonts"
}

# Starts a headless X server on the first free display from :90 up, in a session of its own so
# that Ctrl+C reaches only the script, whose trap decides how it ends. Sets XVFB_PID (also when
# the server does not come up) and XVFB_DISPLAY.
start_headless_x() {
  local n=90
  while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
  # shellcheck disable=SC2086 # the screen option is several words
  setsid Xvfb ":$n" $XVFB_SCREEN -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  local deadline=$((SECONDS + 15))
  until [[ -S /tmp/.X11-unix/X$n ]]; do
    if ! kill -0 "$XVFB_PID" 2>/dev/null || ((SECONDS >= deadline)); then
      echo "Could not start a headless X server on :$n." >&2
      return 1
    fi
    sleep 0.1
  done
  # shellcheck disable=SC2034 # used by the scripts that start the server
  XVFB_DISPLAY=":$n"
}

# Kill every Wine process of our prefix and wait until the server has gone.
stop_wine() {
  wineserver -k 2>/dev/null || true
  timeout 20 wineserver -w 2>/dev/null || true
}
