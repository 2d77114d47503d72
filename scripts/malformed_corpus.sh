#!/usr/bin/env bash
# Loads and saves the malformed-note corpus (bench/malformed_corpus.cpp) through the real control
# and prints the totals: documents, crashes, hangs, notes whose marker was lost, boxes. A document
# that ends the process or never returns is counted and the run goes on after it.
# Usage: scripts/headless.sh scripts/malformed_corpus.sh   (after make build)
set -uo pipefail
source "$(dirname "$0")/common.sh"

exe=build/bin/malformed_corpus.exe
log=build/malformed_corpus.log
: >"$log"
total=$(wine "$exe" --count | tr -d '\r')
crashes=0 hangs=0 next=0
while ((next < total)); do
  out=$(wine "$exe" "$next" 2>/dev/null | tr -d '\r')
  echo "$out" >>"$log"
  last=$(grep -E '^START ' <<<"$out" | tail -1 | cut -d' ' -f2)
  done_last=$(grep -E '^DONE ' <<<"$out" | tail -1 | cut -d' ' -f2)
  if [[ -n $done_last && $done_last -eq $((total - 1)) ]]; then break; fi
  if [[ -z $last ]]; then echo "the corpus program did not start" >&2; exit 1; fi
  if grep -q "^HANG $last" <<<"$out"; then
    hangs=$((hangs + 1)); echo "HUNG $last" >>"$log"
  else
    crashes=$((crashes + 1)); echo "CRASHED $last" >>"$log"
  fi
  next=$((last + 1))
  wineserver -k 2>/dev/null || true
done
done_count=$(grep -c '^DONE ' "$log")
lost=$(grep -E '^DONE ' "$log" | grep -vc ' lost=0 ')
shown=$(grep -E '^DONE ' "$log" | grep -c ' shown=1 ')
uncounted=$(grep -E '^DONE ' "$log" | grep -c ' counted=0 ')
boxed=$(grep -E '^DONE ' "$log" | grep -vc ' boxes=0 ')
printf '%-34s %s\n' "documents" "$total" "loaded and saved twice" "$done_count" \
  "crashes" "$crashes" "hangs" "$hangs" "marker lost (must be 0)" "$lost" \
  "marker shown in the note" "$shown" "documents with a box" "$boxed" \
  "marker hidden by the damage itself" "$uncounted"
echo
echo "By family (documents / shown / with a box / lost):"
grep -E '^DONE ' "$log" | sed -E 's/.*family=([^=]*) shown=([01]) lost=([0-9]+) counted=[01] boxes=([0-9]+).*/\1|\2|\3|\4/' |
  awk -F'|' '{n[$1]++; s[$1]+=$2; b[$1]+=($4>0); l[$1]+=($3>0)} END {for (f in n) printf "  %-14s %4d %4d %4d %4d\n", f, n[f], s[f], b[f], l[f]}'
[[ $lost -eq 0 && $crashes -eq 0 && $hangs -eq 0 ]]
