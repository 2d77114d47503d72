#!/usr/bin/env bash
# Takes the README's pictures from the real program. A fresh copy in build/screenshots/ starts
# with a prepared note and settings, is driven as a person would (clicks in the note and on the
# tray icon, typing, the menu's keys, the settings hot key, a double click on the About picture),
# and each window is cut out of the screen into docs/images/.
# Runs through `make screenshots`, after the build.
set -euo pipefail
source "$(dirname "$0")/common.sh"

OUT=docs/images
WORK=build/screenshots
EXE=build/bin/quillpad.exe

# Always a headless server of our own, even on a desktop: its window manager would draw other
# frames, and what else is on that screen would show through.
if [[ -z ${QP_SCREENSHOT_SERVER:-} ]]; then
  QP_SCREENSHOT_SERVER=1 exec xvfb-run -a -s "$XVFB_SCREEN" "$0" "$@"
fi

[[ -f $EXE ]] || { echo "$EXE is missing; build first." >&2; exit 1; }
for tool in xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing; run scripts/deps.sh." >&2; exit 1; }
done

fail() {
  echo "screenshots: $*" >&2
  exit 1
}

# "X Y W H" of a window, frame included: Wine draws the frames of unmanaged windows itself.
geometry() {
  # shellcheck disable=SC2034 # set by the eval, which defines all of them
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# Polls for a visible window whose title matches the pattern; prints its id.
wait_window() {
  local pattern=$1 deadline=$((SECONDS + 20)) id
  while ((SECONDS < deadline)); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window titled '$pattern' appeared"
}

# Polls for a visible window that is not in the list given (a pop-up menu has no title).
wait_new_window() {
  local before=" $* " deadline=$((SECONDS + 20)) id
  while ((SECONDS < deadline)); do
    for id in $(xdotool search --onlyvisible --class '.' 2>/dev/null || true); do
      [[ $before == *" $id "* ]] && continue
      read -r _ _ w h < <(geometry "$id")
      ((w > 20 && h > 20)) && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  fail "no new window appeared"
}

visible_windows() {
  xdotool search --onlyvisible --class '.' 2>/dev/null | tr '\n' ' ' || true
}

grab() { # window id, output format:file
  local x y w h
  read -r x y w h < <(geometry "$1")
  import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$2"
}

# Writes the window's picture once it has stopped changing: painting has ended.
shoot() {
  local id=$1 name=$2 last='' now deadline=$((SECONDS + 10))
  while ((SECONDS < deadline)); do
    now=$(grab "$id" rgb:- | md5sum)
    [[ $now == "$last" ]] && break
    last=$now
    sleep 0.2
  done
  grab "$id" "png:$OUT/$name.png"
  echo "  $OUT/$name.png"
}

click() { # x y [button [repeat]]
  xdotool mousemove "$1" "$2" click --repeat "${4:-1}" --delay 120 "${3:-1}"
}

# A copy of its own, so the program reads only the note and settings made here.
rm -rf "$WORK"
mkdir -p "$WORK" "$OUT"
cp -f "$EXE" "$WORK/quillpad.exe"
# Shown at start, at a size that holds the whole note; the rest as a new user has it.
printf '[Apparence]\r\nVisible=1\r\nLeft=40\r\nTop=60\r\nWidth=380\r\nHeight=230\r\nSize=10\r\n' >"$WORK/quillpad.INI"
cat >"$WORK/quillpad.RTF" <<'EOF'
{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss\fcharset0 Arial;}}
{\colortbl ;\red192\green0\blue0;\red0\green128\blue0;}
\f0\fs28\b Samedi\b0\fs20\par
- pain, {\i beurre demi-sel}, caf\'e9\par
- {\cf1\b appeler le plombier avant midi}\par
- {\cf2 arroser les tomates}, {\ul sauf s'il pleut}\par
\par
La recette de la tarte : https://quillpad.example/recettes/tarte\par
}
EOF

ensure_prefix
trap stop_wine EXIT
(cd "$WORK" && setsid wine ./quillpad.exe >/dev/null 2>&1 &)

echo "Pictures:"
note=$(wait_window '^Quillpad v1\.6$')
read -r nx ny nw nh < <(geometry "$note")
# A click in the note below the text puts the caret at its end; the line typed there makes the
# editor look for links again, so the address in the file shows as one.
click $((nx + nw / 2)) $((ny + nh - 30))
xdotool key ctrl+End Return
xdotool type --delay 40 -- '- rendre le livre à Léa'
# The pointer leaves the text, where its I-beam would sit in the picture.
xdotool mousemove $((nx + nw + 80)) $((ny + nh + 80))
shoot "$note" note

# The tray menu: a right click on the icon in Wine's tray window, whose frame Wine draws too.
tray=$(wait_window '^Wine System Tray$')
read -r tx ty _ th < <(geometry "$tray")
before=$(visible_windows)
# shellcheck disable=SC2086 # a list of window ids
click $((tx + 13)) $((ty + th - 13)) 3
# shellcheck disable=SC2086
menu=$(wait_new_window $before)
shoot "$menu" tray-menu
xdotool key Escape

# The settings dialog through its hot key, which works while the note is active.
click $((nx + nw / 2)) $((ny + nh / 2))
xdotool key ctrl+p
settings=$(wait_window '^Paramètres$')
shoot "$settings" settings

# The About dialog from the tray menu: "A Propos..." is the item above the last separator and
# "&Quitter", 38 pixels above the menu's bottom edge with the menu font at 96 dpi.
before=$(visible_windows)
click $((tx + 13)) $((ty + th - 13)) 3
# shellcheck disable=SC2086
menu=$(wait_new_window $before)
read -r mx my _ mh < <(geometry "$menu")
click $((mx + 40)) $((my + mh - 38))
about=$(wait_window '^A Propos$')
shoot "$about" about

# The credits: a double click on the About picture, 16 pixels in from the client area's corner,
# below a dialog frame of 3 pixels and a caption of 19 at 96 dpi.
read -r ax ay _ _ < <(geometry "$about")
click $((ax + 3 + 16 + 40)) $((ay + 22 + 16 + 30)) 1 2
credits=$(wait_window "^A Propos de")
# The text rolls in from the bottom edge; let a few lines in before the picture.
sleep 14
grab "$credits" "png:$OUT/credits.png"
echo "  $OUT/credits.png"

for name in note tray-menu settings about credits; do
  [[ -s $OUT/$name.png ]] || fail "$OUT/$name.png was not written"
done
