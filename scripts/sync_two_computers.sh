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
# Two scenarios start from a note of 30 paragraphs and type each word at a random place in it:
#   --scenario roaming    one user going from one computer to the other, settings as installed
#   --scenario together   two users at once, saving on every change
# Everything it starts it stops, also on Ctrl+C. The files stay in build/sync_two_computers/run.
set -euo pipefail
STARTED_IN=$PWD
source "$(dirname "$0")/common.sh"
RUN_STARTED=$SECONDS

usage() {
  cat <<'EOF'
Usage: scripts/sync_two_computers.sh [options]
  --scenario NAME      roaming: one user moving between the two computers, save timer only;
                       together: both typing, saving on every change. Both start from a note of
                       30 paragraphs and type each word at a random place in it. Without this,
                       the words go at the end of a one-line note.
  --move-every S       roaming: the user goes to the other computer every S seconds (default 10)
  --edit-pause S       roaming: pause between two edits, may be fractional (default 1)
  --seed N             the random places and paragraphs (default: a random seed, printed)
  --edits N            edits typed in all (default 200)
  --concurrent N       of those, edits typed at the same moment on both sides, in pairs
                       (default 20; together: a tenth of the edits; roaming: none)
  --save-on-change 0|1 save on every key release (default 1; roaming: 0)
  --interval S         the save timer's interval in seconds, at least 1 (default 60, as installed)
  --sync-timeout S     longest wait for an edit to reach the other side (default 20)
  --editor-probes N    edits for which the other side's editor is watched for the word (default 10)
  --editor-wait S      how long the editor is watched (default 10)
  --type-delay MS      delay between typed keys (default 40)
  --port-base P        the engines use ports P+1, P+2 (sync) and P+11, P+12 (their REST API);
                       default 22100
  --work DIR           where prefixes and the run's files go (default build/sync_two_computers)
  --exe PATH           the program to run (default build/bin/quillpad.exe)
EOF
}

EDITS=200 CONCURRENT='' SAVE_ON_CHANGE='' INTERVAL=60 SYNC_TIMEOUT=20 EDITOR_PROBES=10 EDITOR_WAIT=10
TYPE_DELAY=40 PORT_BASE=22100 WORK=build/sync_two_computers EXE=build/bin/quillpad.exe
SCENARIO='' MOVE_EVERY=10 EDIT_PAUSE=1 SEED=$((RANDOM * 32768 + RANDOM))
from_caller() { [[ $1 == /* ]] && echo "$1" || echo "$STARTED_IN/$1"; } # paths given are the caller's
while (($#)); do
  case $1 in
    --scenario) SCENARIO=$2 ;;
    --move-every) MOVE_EVERY=$2 ;;
    --edit-pause) EDIT_PAUSE=$2 ;;
    --seed) SEED=$2 ;;
    --exe) EXE=$(from_caller "$2") ;;
    --edits) EDITS=$2 ;;
    --concurrent) CONCURRENT=$2 ;;
    --save-on-change) SAVE_ON_CHANGE=$2 ;;
    --interval) INTERVAL=$2 ;;
    --sync-timeout) SYNC_TIMEOUT=$2 ;;
    --editor-probes) EDITOR_PROBES=$2 ;;
    --editor-wait) EDITOR_WAIT=$2 ;;
    --type-delay) TYPE_DELAY=$2 ;;
    --port-base) PORT_BASE=$2 ;;
    --work) WORK=$(from_caller "$2") ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift 2
done
case $SCENARIO in
  '') CONCURRENT=${CONCURRENT:-20} SAVE_ON_CHANGE=${SAVE_ON_CHANGE:-1} ;;
  roaming) CONCURRENT=0 SAVE_ON_CHANGE=${SAVE_ON_CHANGE:-0} ;;
  together) CONCURRENT=${CONCURRENT:-$((EDITS / 10))} SAVE_ON_CHANGE=${SAVE_ON_CHANGE:-1} ;;
  *) usage >&2; exit 2 ;;
esac
for n in "$EDITS" "$CONCURRENT" "$SAVE_ON_CHANGE" "$INTERVAL" "$SYNC_TIMEOUT" "$EDITOR_PROBES" "$EDITOR_WAIT" \
  "$TYPE_DELAY" "$PORT_BASE" "$MOVE_EVERY" "$SEED"; do
  [[ $n =~ ^[0-9]+$ ]] || { usage >&2; exit 2; }
done
if ! [[ $EDIT_PAUSE =~ ^[0-9]+(\.[0-9]+)?$ ]] || ((MOVE_EVERY < 1)); then usage >&2; exit 2; fi
RANDOM=$SEED
CONCURRENT=$((CONCURRENT / 2 * 2)) # typed in pairs, one on each side
((CONCURRENT <= EDITS && INTERVAL >= 1)) || { usage >&2; exit 2; }

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

# The scenarios' first note: ordinary words, no marker among them, one paragraph a line.
WORDS=(le la les un une des du de et dans sur sous avec pour par sans chez vers entre apres avant
  maison jardin chemin soleil matin soir nuit jour semaine ville village riviere montagne foret
  fenetre porte table chaise livre lettre cahier crayon papier musique chanson histoire voyage
  train gare route voiture velo marche boulangerie pain fromage pomme poire cerise fleur arbre
  feuille pluie vent neige nuage ciel mer plage port bateau ami voisin famille enfant grand petit
  beau belle vieux nouveau rouge vert bleu blanc noir calme doux long court simple heureux
  regarder parler chanter marcher courir lire ecrire manger dormir penser attendre partir venir)
PARAGRAPHS=30
PARAGRAPH_WORDS=() # words in each paragraph of the first note
make_paragraphs() { # file: one paragraph a line, 8 to 15 words each
  local p w n line word
  : >"$1"
  for ((p = 0; p < PARAGRAPHS; p++)); do
    n=$((8 + RANDOM % 8)) line=''
    for ((w = 0; w < n; w++)); do
      word=${WORDS[RANDOM % ${#WORDS[@]}]}
      ((w == 0)) && word=${word^}
      line+=${line:+ }$word
    done
    PARAGRAPH_WORDS+=("$n")
    echo "$line." >>"$1"
  done
}

paragraphs_to_rtf() { # paragraphs_file rtf_file
  { printf '{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 '
    sed '$!s/$/\\par/' "$1"
    printf '}\n'; } >"$2"
}

# Where the next word goes: a paragraph (from 1) and the word it follows (the last one: at the end).
PLACE_PARAGRAPH='' PLACE_WORD=''
pick_place() {
  [[ -n $SCENARIO ]] || return 0
  PLACE_PARAGRAPH=$((RANDOM % PARAGRAPHS + 1))
  PLACE_WORD=$((RANDOM % PARAGRAPH_WORDS[PLACE_PARAGRAPH - 1] + 1))
}

# The keys that bring the caret there from anywhere: the top, down to the paragraph, then its end,
# or its start and word by word (each press lands on a word's start) and back over the space
# before it, so that " A0001" goes between two words.
place_keys() { # paragraph word
  local keys=(ctrl+Home) i
  for ((i = 1; i < $1; i++)); do keys+=(Down); done
  if (($2 >= PARAGRAPH_WORDS[$1 - 1])); then
    keys+=(End)
  else
    keys+=(Home)
    for ((i = 0; i < $2; i++)); do keys+=(ctrl+Right); done
    keys+=(Left)
  fi
  echo "${keys[@]}"
}

# Gives the note the keyboard and types the word: at the end of the text, or at the place given.
type_edit() { # side marker [paragraph word]
  local moves=ctrl+End
  [[ -z ${3:-} ]] || moves=$(place_keys "$3" "$4")
  # shellcheck disable=SC2086 # one key a word
  on_side "$1" xdotool mousemove "${CAPTION_X[$1]}" "${CAPTION_Y[$1]}" click 1 sleep 0.1 \
    key --clearmodifiers --delay 15 $moves type --delay "$TYPE_DELAY" " $2"
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
if [[ -n $SCENARIO ]]; then
  # Wide enough that no paragraph wraps: a Down press is then one paragraph further.
  bounds='Left=10\r\nTop=60\r\nWidth=1250\r\nHeight=600'
  make_paragraphs "$RUN/paragraphs.txt"
  paragraphs_to_rtf "$RUN/paragraphs.txt" "$(note_of A)"
else
  bounds='Left=40\r\nTop=60\r\nWidth=380\r\nHeight=300'
  printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Notes du jour\\par\n}\n' >"$(note_of A)"
fi
printf '[Save]\r\nSaveOnChange=%d\r\nAutosave=1\r\nInterval=%d\r\n[Apparence]\r\n%b\r\n' \
  "$SAVE_ON_CHANGE" $((INTERVAL * 1000)) "$bounds" >"${FOLDER_OF[A]}/quillpad.INI"

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

# The tray of a prefix is shown by its shell, started with the first program: no leftover shell
# may run, so that it inherits the trace the balloons are counted from (see balloons_of).
for side in "${SIDES[@]}"; do
  WINEPREFIX=${PREFIX_OF[$side]} wineserver -k 2>/dev/null || true
  WINEPREFIX=${PREFIX_OF[$side]} timeout 20 wineserver -w 2>/dev/null || true
  (cd "${FOLDER_OF[$side]}" && WINEDEBUG=-all,trace+systray,trace+tooltips \
    on_side "$side" setsid wine ./quillpad.exe >"$RUN/program-$side.log" 2>&1) &
  PROGRAM_PID[$side]=$!
done
for side in "${SIDES[@]}"; do show_note "$side"; done
echo "Both notes are shown."

# --- the edits ---------------------------------------------------------------------------------

# One line per edit: marker side kind typed_us saved_us other_file_us other_editor_us paragraph word
# ('-' = never seen, an empty editor time = not watched; paragraph and word: where it was typed, in
# a scenario).
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
  pick_place
  typed=$(now_us)
  type_edit "$side" "$marker" "$PLACE_PARAGRAPH" "$PLACE_WORD"
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
  printf '%s\t%s\talternating\t%s\t%s\t%s\t%s\t%s\t%s\n' "$marker" "$side" "$typed" "$saved" "$arrived" "$editor" \
    "$PLACE_PARAGRAPH" "$PLACE_WORD" >>"$EDITS_LOG"
  wait_settled 5 || true
}

concurrent_edits() {
  local a b typed saved_a saved_b pid_a pid_b place_a place_b
  number=$((number + 1)) && a=$(marker_for A "$number")
  number=$((number + 1)) && b=$(marker_for B "$number")
  pick_place && place_a=("$PLACE_PARAGRAPH" "$PLACE_WORD")
  pick_place && place_b=("$PLACE_PARAGRAPH" "$PLACE_WORD")
  typed=$(now_us)
  type_edit A "$a" "${place_a[@]}" &
  pid_a=$!
  type_edit B "$b" "${place_b[@]}" &
  pid_b=$!
  wait "$pid_a" "$pid_b" || true
  saved_a=$(wait_marker "$(note_of A)" "$a" "$SAVE_TIMEOUT") || saved_a='-'
  saved_b=$(wait_marker "$(note_of B)" "$b" "$SAVE_TIMEOUT") || saved_b='-'
  printf '%s\tA\tconcurrent\t%s\t%s\t-\t\t%s\t%s\n%s\tB\tconcurrent\t%s\t%s\t-\t\t%s\t%s\n' \
    "$a" "$typed" "$saved_a" "${place_a[@]}" "$b" "$typed" "$saved_b" "${place_b[@]}" >>"$EDITS_LOG"
  wait_settled "$SYNC_TIMEOUT" || true
}

# One user, one computer at a time: the words go to the one in use; every MOVE_EVERY seconds the
# user sits down at the other one and clicks its note, as anyone starts there. Nothing waits for a
# save or the engine: the note is saved by its timer, as installed.
MOVES=0
sit_down() { # side
  on_side "$1" xdotool mousemove "${CAPTION_X[$1]}" "${CAPTION_Y[$1]}" click 1
}

roaming_edits() {
  local side=A marker typed next_move=$(($(now_us) + MOVE_EVERY * 1000000))
  sit_down "$side"
  while ((number < EDITS)); do
    if (($(now_us) >= next_move)); then
      side=$([[ $side == A ]] && echo B || echo A)
      sit_down "$side"
      MOVES=$((MOVES + 1))
      next_move=$((next_move + MOVE_EVERY * 1000000))
    fi
    number=$((number + 1))
    marker=$(marker_for "$side" "$number")
    pick_place
    typed=$(now_us)
    type_edit "$side" "$marker" "$PLACE_PARAGRAPH" "$PLACE_WORD"
    printf '%s\t%s\troaming\t%s\t-\t-\t\t%s\t%s\n' "$marker" "$side" "$typed" "$PLACE_PARAGRAPH" "$PLACE_WORD" \
      >>"$EDITS_LOG"
    if ((number % 20 == 0)); then echo "  $number edits typed, $((SECONDS - started)) s, $MOVES moves"; fi
    sleep "$EDIT_PAUSE"
  done
}

# Edits in turn, each waiting for the sync round, with the pairs typed at once spread among them.
edits_in_turn_and_pairs() {
  local pairs=$((CONCURRENT / 2)) alternating=$((EDITS - CONCURRENT)) gap i done_pairs=0
  # The pairs come spread over the run, one after every `gap` alternating edits.
  gap=$((pairs > 0 ? alternating / (pairs + 1) : alternating + 1))
  ((gap > 0)) || gap=1
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
}

started=$SECONDS
if [[ $SCENARIO == roaming ]]; then roaming_edits; else edits_in_turn_and_pairs; fi
EDITS_TIME=$((SECONDS - started))
echo "$(wc -l <"$EDITS_LOG") edits typed in $EDITS_TIME s."

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
places=(note_A note_B ours engine engine_rtf versions aside)
for side in "${SIDES[@]}"; do
  f=${FOLDER_OF[$side]}
  PLACE_FILES[ours]+=$(printf '%s\n' "$f"/*\ \(conflit\ *\).RTF)$'\n'
  PLACE_FILES[engine]+=$(printf '%s\n' "$f"/*.sync-conflict-*)$'\n'
  PLACE_FILES[engine_rtf]+=$(printf '%s\n' "$f"/quillpad.sync-conflict-*.RTF)$'\n'
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

print_summary() {
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
  echo "Balloons shown: A $(balloons_of A), B $(balloons_of B). Run's total time: $((SECONDS - RUN_STARTED)) s."
  echo
  print_times
  echo
  echo "Files: $RUN (edits.tsv, lost.txt, engine and program logs)."
}

print_times() {
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
}

# Balloons, counted in the trace of the shell that shows the tray: Wine shows each balloon (a
# NIF_INFO call with a text) as a tracking tooltip, activated once per balloon shown; the same
# balloon sent again is shown again and counted again. Their texts go to balloons-<side>.txt.
balloons_of() { # side
  local log=$RUN/program-$1.log
  # Without the shell's own lines the trace did not reach it: no count rather than a false zero.
  grep -q 'systray:add_icon' "$log" 2>/dev/null || { echo "not counted (no trace)"; return; }
  awk '/TOOLTIPS_TrackActivate activated/ { shown = 1; next }
    shown && /TOOLTIPS_GetTipText/ { sub(/.*TOOLTIPS_GetTipText /, ""); print; shown = 0 }' "$log" \
    >"$RUN/balloons-$1.txt"
  grep -c 'TOOLTIPS_TrackActivate activated' "$log" || true
}

# Markers of the first file not in the second.
minus() { comm -23 "$1" "$2"; }
union() { sort -u "$@"; }

# Each typed word in one class: in both notes, in one, only in conflict copies, only in versions
# or set-aside notes, nowhere.
print_scenario_summary() {
  local t=$RUN/typed.txt notes copies kept both one copies_only kept_only nowhere placed files
  notes=$(mktemp) copies=$(mktemp) kept=$(mktemp)
  union "$RUN/found-note_A.txt" "$RUN/found-note_B.txt" >"$notes"
  union "$RUN/found-ours.txt" "$RUN/found-engine_rtf.txt" >"$copies"
  union "$RUN/found-versions.txt" "$RUN/found-aside.txt" >"$kept"
  both=$(comm -12 "$RUN/found-note_A.txt" "$RUN/found-note_B.txt" | comm -12 "$t" - | wc -l)
  one=$(($(comm -12 "$t" "$notes" | wc -l) - both))
  copies_only=$(comm -12 "$t" "$copies" | minus - "$notes" | wc -l)
  kept_only=$(comm -12 "$t" "$kept" | minus - "$notes" | minus - "$copies" | wc -l)
  nowhere=$(minus "$t" "$RUN/found.txt" | wc -l)
  # Seen in the notes or their copies, as a word of its own, in the paragraph aimed at: the keys
  # that place the caret did what they were meant to.
  mapfile -t files < <(printf '%s\n' "${PLACE_FILES[note_A]}" "${PLACE_FILES[note_B]}" "${PLACE_FILES[ours]}" \
    "${PLACE_FILES[engine_rtf]}" | grep -v '^$' || true)
  read -r -a placed < <(python3 "$SYNC/note_text.py" placement "$RUN/paragraphs.txt" "$EDITS_LOG" "${files[@]}")
  rm -f "$notes" "$copies" "$kept"

  echo
  if [[ $SCENARIO == roaming ]]; then
    echo "Scenario roaming: one user, $EDITS edits on the computer in use, moving every $MOVE_EVERY s ($MOVES moves),"
    echo "a pause of $EDIT_PAUSE s between edits."
  else
    echo "Scenario together: $(kind_count alternating) edits typed in turn (each waiting for the sync round),"
    echo "$(kind_count concurrent) typed at the same moment on both sides, in pairs."
  fi
  echo "Save-on-change $SAVE_ON_CHANGE, timer $INTERVAL s; a note of $PARAGRAPHS paragraphs; seed $SEED;"
  echo "sync engine: syncthing $(syncthing --version | awk '{print $2}')."
  echo
  printf '%-48s %6s\n' "edits typed" "$(wc -l <"$t")"
  printf '%-48s %6s\n' "  in both notes" "$both"
  printf '%-48s %6s   (A only %s, B only %s)\n' "  in one note only" "$one" \
    "$(comm -12 "$t" "$RUN/found-note_A.txt" | minus - "$RUN/found-note_B.txt" | wc -l)" \
    "$(comm -12 "$t" "$RUN/found-note_B.txt" | minus - "$RUN/found-note_A.txt" | wc -l)"
  printf '%-48s %6s\n' "  in conflict copies only (Quillpad's, engine's)" "$copies_only"
  printf '%-48s %6s\n' "  in versions or set-aside notes only" "$kept_only"
  printf '%-48s %6s\n' "  lost (nowhere)" "$nowhere"
  printf '%-48s %6s   (files in the two folders: A %s, B %s)\n' "Quillpad's conflict copies left" \
    "$(distinct_files '* (conflit *).RTF')" "$(count_files A '* (conflit *).RTF')" "$(count_files B '* (conflit *).RTF')"
  printf '%-48s %6s   (A %s, B %s; copies of other files: %s)\n' "engine's copies of the note left" \
    "$(distinct_files 'quillpad.sync-conflict-*.RTF')" "$(count_files A 'quillpad.sync-conflict-*.RTF')" \
    "$(count_files B 'quillpad.sync-conflict-*.RTF')" \
    "$(($(distinct_files '*.sync-conflict-*') - $(distinct_files 'quillpad.sync-conflict-*.RTF')))"
  printf '%-48s %6s\n' "balloons shown on computer A" "$(balloons_of A)"
  printf '%-48s %6s\n' "balloons shown on computer B" "$(balloons_of B)"
  printf '%-48s %6s   (as a word of its own %s, in the paragraph aimed at %s)\n' "edits seen in notes and copies" \
    "${placed[0]}" "${placed[1]}" "${placed[2]}"
  cmp -s "$(note_of A)" "$(note_of B)" && echo "The two notes are the same file at the end." ||
    echo "The two notes differ at the end."
  echo "Quit with Ctrl+Alt+X: A ${QUIT_CLEAN[A]}, B ${QUIT_CLEAN[B]}."
  echo "Run's total time: $((SECONDS - RUN_STARTED)) s, of which typing the edits $EDITS_TIME s."
  if [[ $SCENARIO == together ]]; then
    echo
    print_times
  fi
  echo
  echo "Files: $RUN (edits.tsv, lost.txt, balloons-*.txt, engine and program logs)."
}

# The globs hold spaces: no word splitting, only the expansion of the pattern.
count_files() { # side glob: files of that name in the side's folder
  local files IFS=
  # shellcheck disable=SC2206 # the glob is meant to expand
  files=("${FOLDER_OF[$1]}"/$2)
  echo "${#files[@]}"
}

distinct_files() { # glob: names found in either folder, each once
  local side name IFS=
  for side in "${SIDES[@]}"; do
    for name in "${FOLDER_OF[$side]}"/$1; do echo "${name##*/}"; done
  done | sort -u | wc -l
}

if [[ -n $SCENARIO ]]; then print_scenario_summary; else print_summary; fi | tee "$RUN/summary.txt"
