#!/usr/bin/env bash
# Two computers on one synced folder, for real: two copies of Quillpad, each in a Wine prefix of
# its own (a computer) with its own headless X server, each run from its own folder, the two
# folders kept the same by two instances of a real sync engine talking over 127.0.0.1 only.
# Marker words (A0001, B0002, ...) are typed through the real keyboard path into each note,
# mostly in turn (waiting for the sync round between them) and some at the same moment on both
# sides; at the end both programs quit, the engine settles, and every marker is looked for in
# the notes, in the conflict copies of the program and of the engine, and in the kept versions.
# Not part of the tests: run it by hand after a build, e.g.
#   scripts/sync_two_computers.sh --edits 200 --concurrent 20
# Everything it starts it stops, also on Ctrl+C. The files stay in build/sync_two_computers/run.
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() {
  cat <<'EOF'
Usage: scripts/sync_two_computers.sh [options]
  --edits N            edits typed in all (default 200)
  --concurrent N       of those, edits typed at the same moment on both sides, in pairs (default 20)
  --save-on-change 0|1 save on every key release (default 1)
  --interval S         the save timer's interval in seconds, at least 1 (default 60, as installed)
  --sync-timeout S     longest wait for an edit to reach the other side (default 20)
  --editor-probes N    edits for which the other side's editor is watched for the word (default 10)
  --editor-wait S      how long the editor is watched (default 10)
  --type-delay MS      delay between typed keys (default 40)
  --port-base P        the engines use ports P+1, P+2 (sync) and P+11, P+12 (their REST API);
                       default 22100
  --work DIR           where prefixes and the run's files go (default build/sync_two_computers)
EOF
}

EDITS=200 CONCURRENT=20 SAVE_ON_CHANGE=1 INTERVAL=60 SYNC_TIMEOUT=20 EDITOR_PROBES=10 EDITOR_WAIT=10
TYPE_DELAY=40 PORT_BASE=22100 WORK=build/sync_two_computers
while (($#)); do
  case $1 in
    --edits) EDITS=$2 ;;
    --concurrent) CONCURRENT=$2 ;;
    --save-on-change) SAVE_ON_CHANGE=$2 ;;
    --interval) INTERVAL=$2 ;;
    --sync-timeout) SYNC_TIMEOUT=$2 ;;
    --editor-probes) EDITOR_PROBES=$2 ;;
    --editor-wait) EDITOR_WAIT=$2 ;;
    --type-delay) TYPE_DELAY=$2 ;;
    --port-base) PORT_BASE=$2 ;;
    --work) WORK=$2 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift 2
done
for n in "$EDITS" "$CONCURRENT" "$SAVE_ON_CHANGE" "$INTERVAL" "$SYNC_TIMEOUT" "$EDITOR_PROBES" "$EDITOR_WAIT" \
  "$TYPE_DELAY" "$PORT_BASE"; do
  [[ $n =~ ^[0-9]+$ ]] || { usage >&2; exit 2; }
done
CONCURRENT=$((CONCURRENT / 2 * 2)) # typed in pairs, one on each side
((CONCURRENT <= EDITS && INTERVAL >= 1)) || { usage >&2; exit 2; }

EXE=build/bin/quillpad.exe
SYNC=scripts/sync
[[ -f $EXE ]] || { echo "$EXE is missing; build first (make build)." >&2; exit 1; }
WORK=$(mkdir -p "$WORK" && cd "$WORK" && pwd)
RUN=$WORK/run

# --- what is started, and its stopping -------------------------------------------------------

SIDES=(A B)
declare -A DISPLAY_OF PREFIX_OF FOLDER_OF HOME_OF XSERVER_PID ENGINE_PID PROGRAM_PID LISTEN_OF GUI_OF KEY_OF ID_OF
BACKGROUND=()

on_side() { # side command...: runs a command as on that computer
  local side=$1
  shift
  DISPLAY=${DISPLAY_OF[$side]} WINEPREFIX=${PREFIX_OF[$side]} "$@"
}

cleanup() {
  trap - INT TERM EXIT
  local pid side
  for pid in "${BACKGROUND[@]}"; do kill "$pid" 2>/dev/null || true; done
  for side in "${SIDES[@]}"; do
    if [[ -n ${PREFIX_OF[$side]:-} && -d ${PREFIX_OF[$side]} ]]; then
      WINEPREFIX=${PREFIX_OF[$side]} wineserver -k 2>/dev/null || true
      WINEPREFIX=${PREFIX_OF[$side]} timeout 20 wineserver -w 2>/dev/null || true
    fi
  done
  for side in "${SIDES[@]}"; do
    for pid in "${ENGINE_PID[$side]:-}" "${XSERVER_PID[$side]:-}"; do
      [[ -n $pid ]] || continue
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    done
  done
}
trap 'cleanup; echo; echo "Stopped."; exit 130' INT TERM
trap cleanup EXIT

now_us() { echo "${EPOCHREALTIME/./}"; }

start_xvfb() { # side
  local started=0
  start_headless_x || started=$?
  XSERVER_PID[$1]=$XVFB_PID
  ((started == 0)) || exit 1
  DISPLAY_OF[$1]=$XVFB_DISPLAY
}

ensure_engine() {
  command -v syncthing >/dev/null && return 0
  echo "Installing the sync engine (syncthing)..."
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends syncthing ||
    { as_root apt-get update && as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends syncthing; }
}

port_free() { ! ss -Hltn "sport = :$1" 2>/dev/null | grep -q .; }

# The engine of a side: its own configuration, the other side as its one peer, the folder shared.
configure_engine() { # side other
  local side=$1 other=$2
  python3 "$SYNC/syncthing.py" configure "${HOME_OF[$side]}" --listen "${LISTEN_OF[$side]}" \
    --gui "${GUI_OF[$side]}" --apikey "${KEY_OF[$side]}" --folder "${FOLDER_OF[$side]}" \
    --peer "${ID_OF[$other]}" --peer-port "${LISTEN_OF[$other]}"
}

engine() { # check side other: the engine's state as its REST API tells it
  python3 "$SYNC/syncthing.py" "$1" "${GUI_OF[$2]}" "${KEY_OF[$2]}" "${ID_OF[$3]}"
}

# Both engines idle with nothing to send or pull, three checks in a row; false after the timeout.
wait_settled() { # timeout_s
  local deadline=$((SECONDS + $1)) quiet=0
  while ((SECONDS < deadline)); do
    if engine settled A B && engine settled B A; then
      quiet=$((quiet + 1))
      ((quiet >= 3)) && return 0
    else
      quiet=0
    fi
    sleep 0.3
  done
  return 1
}

# --- the notes ---------------------------------------------------------------------------------

note_of() { echo "${FOLDER_OF[$1]}/quillpad.RTF"; }

# The marker words of RTF files. Line breaks in RTF are not text, so they are dropped first; the
# control ends its RTF with a NUL, which is no reason to take the file for binary.
markers_in() { # file...
  cat -- "$@" 2>/dev/null | tr -d '\r\n' | grep -aoE '[AB][0-9]{4}' | sort -u || true
}

has_marker() { # file marker
  # The engine renames a note it keeps as a conflict copy before it brings the new one in.
  tr -d '\r\n' 2>/dev/null <"$1" | grep -aq "$2"
}

# Polls until the file holds the marker; prints the time it was seen (µs). False on timeout.
wait_marker() { # file marker timeout_s
  local deadline=$(($(now_us) + $3 * 1000000))
  while (($(now_us) < deadline)); do
    if has_marker "$1" "$2"; then now_us; return 0; fi
    sleep 0.05
  done
  return 1
}

wait_window() { # side title-pattern: prints the window id
  local deadline=$((SECONDS + 30)) id
  while ((SECONDS < deadline)); do
    id=$(on_side "$1" xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "side $1: no window titled '$2' appeared" >&2
  return 1
}

# A point near the bottom left of the note's text, where a click gives the note the keyboard (the
# caret it moves is sent to the end before typing). Not the title bar: Wine shows the tray's
# balloons at the top left of the screen, over the note's title bar on this small desktop, and a
# click meant for the title bar would land on the balloon.
declare -A CAPTION_X CAPTION_Y
locate_note() { # side
  # shellcheck disable=SC2034 # set by the eval, which defines all of them
  local X Y WIDTH HEIGHT WINDOW SCREEN id
  id=$(wait_window "$1" '^Quillpad v')
  eval "$(on_side "$1" xdotool getwindowgeometry --shell "$id")"
  CAPTION_X[$1]=$((X + 20)) CAPTION_Y[$1]=$((Y + HEIGHT - 20))
}

# The tray icon's left click shows the note, as a user brings it up.
show_note() { # side
  # shellcheck disable=SC2034 # set by the eval, which defines all of them
  local X Y WIDTH HEIGHT WINDOW SCREEN tray
  tray=$(wait_window "$1" '^Wine System Tray$')
  eval "$(on_side "$1" xdotool getwindowgeometry --shell "$tray")"
  on_side "$1" xdotool mousemove $((X + 13)) $((Y + HEIGHT - 13)) click 1
  locate_note "$1"
}

# Gives the note the keyboard, puts the caret at the end of the text and types the word.
type_edit() { # side marker
  on_side "$1" xdotool mousemove "${CAPTION_X[$1]}" "${CAPTION_Y[$1]}" click 1 sleep 0.1 \
    key --clearmodifiers ctrl+End type --delay "$TYPE_DELAY" " $2"
}

# The other side's editor watched for the word, in its own prefix; writes the time it was seen.
probe_editor() { # side marker out_file
  (
    if on_side "$1" wine "$RUN/editor_wait.exe" "$2" $((EDITOR_WAIT * 1000)) >/dev/null 2>&1; then
      now_us >"$3"
    else
      echo - >"$3"
    fi
  ) &
  PROBE_PID=$!
  BACKGROUND+=("$PROBE_PID")
}

# --- set up ------------------------------------------------------------------------------------

ensure_engine
for tool in xdotool Xvfb python3 ss x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null || { echo "$tool is missing; run scripts/deps.sh." >&2; exit 1; }
done
for offset in 1 2 11 12; do
  port_free $((PORT_BASE + offset)) || { echo "Port $((PORT_BASE + offset)) is taken; try --port-base." >&2; exit 1; }
done

rm -rf "$RUN"
mkdir -p "$RUN"
x86_64-w64-mingw32-g++-posix -O2 -static -o "$RUN/editor_wait.exe" "$SYNC/editor_wait.cpp"

for i in 0 1; do
  side=${SIDES[$i]}
  PREFIX_OF[$side]=$WORK/prefix-$side
  FOLDER_OF[$side]=$RUN/computer-$side
  HOME_OF[$side]=$RUN/engine-$side
  LISTEN_OF[$side]=$((PORT_BASE + 1 + i))
  GUI_OF[$side]=$((PORT_BASE + 11 + i))
  KEY_OF[$side]=quillpad-sync-$side-$RANDOM$RANDOM
  mkdir -p "${FOLDER_OF[$side]}/.stfolder"
  start_xvfb "$side"
  echo "Computer $side: display ${DISPLAY_OF[$side]}, prefix ${PREFIX_OF[$side]}"
  # The prefix is made once and kept (10-20 s); its server is this side's own.
  (export DISPLAY=${DISPLAY_OF[$side]} WINEPREFIX=${PREFIX_OF[$side]} && ensure_prefix) >/dev/null
done

# The note starts on A, with its program and settings; B's folder gets them from the engine.
cp -f "$EXE" "${FOLDER_OF[A]}/quillpad.exe"
printf '[Save]\r\nSaveOnChange=%d\r\nAutosave=1\r\nInterval=%d\r\n[Apparence]\r\nLeft=40\r\nTop=60\r\nWidth=380\r\nHeight=300\r\n' \
  "$SAVE_ON_CHANGE" $((INTERVAL * 1000)) >"${FOLDER_OF[A]}/quillpad.INI"
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Notes du jour\\par\n}\n' >"$(note_of A)"

for side in "${SIDES[@]}"; do
  syncthing generate --home="${HOME_OF[$side]}" --no-default-folder --skip-port-probing >/dev/null 2>&1
  ID_OF[$side]=$(syncthing serve --home="${HOME_OF[$side]}" --device-id)
done
configure_engine A B
configure_engine B A
for side in "${SIDES[@]}"; do
  setsid syncthing serve --home="${HOME_OF[$side]}" --no-browser --no-restart \
    --logfile="$RUN/engine-$side.log" >/dev/null 2>&1 &
  ENGINE_PID[$side]=$!
done
deadline=$((SECONDS + 60))
until engine connected A B && engine connected B A; do
  ((SECONDS < deadline)) || { echo "The two sync engines did not connect; see $RUN/engine-*.log" >&2; exit 1; }
  sleep 0.5
done
for file in quillpad.exe quillpad.INI quillpad.RTF; do
  deadline=$((SECONDS + 60))
  until cmp -s "${FOLDER_OF[A]}/$file" "${FOLDER_OF[B]}/$file"; do
    ((SECONDS < deadline)) || { echo "$file did not reach computer B." >&2; exit 1; }
    sleep 0.2
  done
done
wait_settled 30 || true
echo "The engines are connected and both folders hold the program, its settings and the note."

for side in "${SIDES[@]}"; do
  (cd "${FOLDER_OF[$side]}" && on_side "$side" setsid wine ./quillpad.exe >"$RUN/program-$side.log" 2>&1) &
  PROGRAM_PID[$side]=$!
done
for side in "${SIDES[@]}"; do show_note "$side"; done
echo "Both notes are shown."

# --- the edits ---------------------------------------------------------------------------------

# One line per edit: marker side kind typed_us saved_us other_file_us other_editor_us ('-' = never
# seen, an empty editor time = not watched).
EDITS_LOG=$RUN/edits.tsv
: >"$EDITS_LOG"
SAVE_TIMEOUT=$((SAVE_ON_CHANGE ? 10 : INTERVAL + 10))
number=0
WATCH_WORKS=''
marker_for() { printf '%s%04d' "$1" "$2"; }

alternating_edit() { # side other
  local side=$1 other=$2 marker typed saved='-' arrived='-' editor='' probe=''
  number=$((number + 1))
  marker=$(marker_for "$side" "$number")
  if ((EDITOR_PROBES > 0)); then
    EDITOR_PROBES=$((EDITOR_PROBES - 1))
    probe=$RUN/probe-$marker
    probe_editor "$other" "$marker" "$probe"
  fi
  typed=$(now_us)
  type_edit "$side" "$marker"
  saved=$(wait_marker "$(note_of "$side")" "$marker" "$SAVE_TIMEOUT") || saved='-'
  [[ $saved == - ]] || arrived=$(wait_marker "$(note_of "$other")" "$marker" "$SYNC_TIMEOUT") || arrived='-'
  # Once, the watch is pointed at the typing side's own editor: a watch that sees nothing on the
  # other side must be able to see a word at all.
  if [[ -z $WATCH_WORKS && $saved != - ]]; then
    WATCH_WORKS=no
    on_side "$side" wine "$RUN/editor_wait.exe" "$marker" 5000 >/dev/null 2>&1 && WATCH_WORKS=yes
  fi
  if [[ -n $probe ]]; then
    wait "$PROBE_PID" 2>/dev/null || true
    editor=$(cat "$probe" 2>/dev/null || echo -)
  fi
  printf '%s\t%s\talternating\t%s\t%s\t%s\t%s\n' "$marker" "$side" "$typed" "$saved" "$arrived" "$editor" >>"$EDITS_LOG"
  wait_settled 5 || true
}

concurrent_edits() {
  local a b typed saved_a saved_b pid_a pid_b
  number=$((number + 1)) && a=$(marker_for A "$number")
  number=$((number + 1)) && b=$(marker_for B "$number")
  typed=$(now_us)
  type_edit A "$a" &
  pid_a=$!
  type_edit B "$b" &
  pid_b=$!
  wait "$pid_a" "$pid_b" || true
  saved_a=$(wait_marker "$(note_of A)" "$a" "$SAVE_TIMEOUT") || saved_a='-'
  saved_b=$(wait_marker "$(note_of B)" "$b" "$SAVE_TIMEOUT") || saved_b='-'
  printf '%s\tA\tconcurrent\t%s\t%s\t-\t\n%s\tB\tconcurrent\t%s\t%s\t-\t\n' "$a" "$typed" "$saved_a" "$b" "$typed" \
    "$saved_b" >>"$EDITS_LOG"
  wait_settled "$SYNC_TIMEOUT" || true
}

pairs=$((CONCURRENT / 2))
alternating=$((EDITS - CONCURRENT))
# The pairs come spread over the run, one after every `gap` alternating edits.
gap=$((pairs > 0 ? alternating / (pairs + 1) : alternating + 1))
started=$SECONDS
done_pairs=0
for ((i = 0; i < alternating; i++)); do
  if ((i % 2 == 0)); then alternating_edit A B; else alternating_edit B A; fi
  if ((done_pairs < pairs && (i + 1) % gap == 0)); then
    concurrent_edits
    done_pairs=$((done_pairs + 1))
  fi
  if (((i + 1) % 20 == 0)); then echo "  $(wc -l <"$EDITS_LOG") edits typed, $((SECONDS - started)) s"; fi
done
while ((done_pairs < pairs)); do
  concurrent_edits
  done_pairs=$((done_pairs + 1))
done
echo "$(wc -l <"$EDITS_LOG") edits typed in $((SECONDS - started)) s."

# --- the end: each program quits with its hot key, one after the other, as on two desks ---------

declare -A QUIT_CLEAN
for side in "${SIDES[@]}"; do
  on_side "$side" xdotool mousemove "${CAPTION_X[$side]}" "${CAPTION_Y[$side]}" click 1 sleep 0.1 \
    key --clearmodifiers ctrl+alt+x
  QUIT_CLEAN[$side]=no
  deadline=$((SECONDS + 20))
  while ((SECONDS < deadline)); do
    kill -0 "${PROGRAM_PID[$side]}" 2>/dev/null || { QUIT_CLEAN[$side]=yes; break; }
    sleep 0.1
  done
  [[ ${QUIT_CLEAN[$side]} == yes ]] || echo "Computer $side's program did not quit on Ctrl+Alt+X; it is stopped." >&2
  WINEPREFIX=${PREFIX_OF[$side]} wineserver -k 2>/dev/null || true
  wait_settled 60 || echo "The engines had not settled 60 s after $side quit." >&2
done

# --- the count -----------------------------------------------------------------------------------

cut -f1 "$EDITS_LOG" | sort -u >"$RUN/typed.txt"
shopt -s nullglob
declare -A PLACE_FILES
PLACE_FILES[note_A]="$(note_of A)"
PLACE_FILES[note_B]="$(note_of B)"
places=(note_A note_B ours engine versions aside)
for side in "${SIDES[@]}"; do
  f=${FOLDER_OF[$side]}
  PLACE_FILES[ours]+=$(printf '%s\n' "$f"/*\ \(conflit\ *\).RTF)$'\n'
  PLACE_FILES[engine]+=$(printf '%s\n' "$f"/*.sync-conflict-*)$'\n'
  PLACE_FILES[versions]+=$(printf '%s\n' "$f"/quillpad.versions/*.RTF)$'\n'
  PLACE_FILES[aside]+=$(printf '%s\n' "$f"/quillpad.RTF.unreadable*)$'\n'
done
declare -A FOUND_IN FILE_COUNT
: >"$RUN/found.txt"
for place in "${places[@]}"; do
  mapfile -t files < <(printf '%s\n' "${PLACE_FILES[$place]}" | grep -v '^$' || true)
  FILE_COUNT[$place]=${#files[@]}
  if ((${#files[@]})); then markers_in "${files[@]}" >"$RUN/found-$place.txt"; else : >"$RUN/found-$place.txt"; fi
  FOUND_IN[$place]=$(comm -12 "$RUN/typed.txt" "$RUN/found-$place.txt" | wc -l)
  cat "$RUN/found-$place.txt" >>"$RUN/found.txt"
done
sort -u -o "$RUN/found.txt" "$RUN/found.txt"
comm -23 "$RUN/typed.txt" "$RUN/found.txt" >"$RUN/lost.txt"
cat "$RUN/found-note_A.txt" "$RUN/found-note_B.txt" | sort -u >"$RUN/in-notes.txt"

typed=$(wc -l <"$RUN/typed.txt")
found=$(comm -12 "$RUN/typed.txt" "$RUN/found.txt" | wc -l)
lost=$(wc -l <"$RUN/lost.txt")
in_notes=$(comm -12 "$RUN/typed.txt" "$RUN/in-notes.txt" | wc -l)
lost_of() { awk -v k="$1" -F'\t' '$2 == k || $3 == k {print $1}' "$EDITS_LOG" | sort -u | comm -12 - "$RUN/lost.txt" | wc -l; }
kind_count() { awk -v k="$1" -F'\t' '$3 == k' "$EDITS_LOG" | wc -l; }

{
  echo
  echo "Two computers on one synced folder: $(kind_count alternating) edits typed in turn, $(kind_count concurrent) at the same moment"
  echo "(save-on-change $SAVE_ON_CHANGE, timer ${INTERVAL} s; sync engine: syncthing $(syncthing --version | awk '{print $2}'))."
  echo
  printf '%-34s %6s\n' "edits typed" "$typed"
  printf '%-34s %6s\n' "found somewhere at the end" "$found"
  printf '%-34s %6s\n' "  of which in either note" "$in_notes"
  printf '%-34s %6s   (%s in turn, %s at the same moment; %s typed on A, %s on B)\n' "lost" "$lost" \
    "$(lost_of alternating)" "$(lost_of concurrent)" "$(lost_of A)" "$(lost_of B)"
  echo
  printf '%-34s %6s %6s   (files: in the two folders together)\n' "where found" "files" "edits"
  printf '%-34s %6s %6s\n' "note on computer A" "${FILE_COUNT[note_A]}" "${FOUND_IN[note_A]}"
  printf '%-34s %6s %6s\n' "note on computer B" "${FILE_COUNT[note_B]}" "${FOUND_IN[note_B]}"
  printf '%-34s %6s %6s\n' "Quillpad's conflict copies" "${FILE_COUNT[ours]}" "${FOUND_IN[ours]}"
  printf '%-34s %6s %6s\n' "the engine's conflict copies" "${FILE_COUNT[engine]}" "${FOUND_IN[engine]}"
  printf '%-34s %6s %6s\n' "versions (quillpad.versions)" "${FILE_COUNT[versions]}" "${FOUND_IN[versions]}"
  printf '%-34s %6s %6s\n' "set-aside notes (.unreadable)" "${FILE_COUNT[aside]}" "${FOUND_IN[aside]}"
  echo
  cmp -s "$(note_of A)" "$(note_of B)" && echo "The two notes are the same file at the end." ||
    echo "The two notes differ at the end."
  echo "Quit with Ctrl+Alt+X: A ${QUIT_CLEAN[A]}, B ${QUIT_CLEAN[B]}."
  echo "The editor watch saw a word in the typing side's own editor: ${WATCH_WORKS:-not tried}."
  echo
  echo "Times, median / 90th percentile / max in seconds (edits typed in turn):"
  awk -F'\t' -v wait="$EDITOR_WAIT" '
    function stats(name, values, n, missing,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && values[j - 1] > values[j]; j--) {
        t = values[j]; values[j] = values[j - 1]; values[j - 1] = t }
      if (n == 0) { printf "  %-40s none seen (%d never)\n", name, missing; return }
      printf "  %-40s %6.2f %6.2f %6.2f   (%d timed, %d never)\n", name, values[int((n + 1) / 2)],
        values[int(n * 0.9 + 0.999)], values[n], n, missing }
    $3 == "alternating" {
      if ($5 != "-") save[++ns] = ($5 - $4) / 1e6; else ms++
      if ($5 != "-" && $6 != "-") sync[++ny] = ($6 - $5) / 1e6; else if ($5 != "-") my++
      if ($7 != "") { if ($7 != "-" && $5 != "-") ed[++ne] = ($7 - $5) / 1e6; else if ($5 != "-") me++ }
    }
    END {
      stats("typing the word to the note saved", save, ns, ms)
      stats("save to the file changed on the other", sync, ny, my)
      stats("save to the other side'\''s editor (watched " wait " s)", ed, ne, me)
    }' "$EDITS_LOG"
  echo
  echo "Files: $RUN (edits.tsv, lost.txt, engine and program logs)."
} | tee "$RUN/summary.txt"
