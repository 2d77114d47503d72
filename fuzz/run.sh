#!/usr/bin/env bash
# Builds the native fuzzing programs of fuzz/ with clang and runs each for a bounded time under the
# address and undefined-behaviour sanitizers, over a fresh copy of its seed corpus. Fails on a
# crash, a sanitizer report, a failed check, a hang or a run out of memory, keeps the input and
# says how to replay it. Exits 77 (skipped) only when clang is not installed.
# Usage: fuzz/run.sh [--seconds N | --repeatable] [--jobs N] [--build-dir DIR] [TARGET...]
#   --repeatable: nearly the same inputs at every run (a fixed seed and a fixed number of runs, about
#   10 s a target here), so that a test run fails only on a change of the code; at most 60 s.
#   targets: rtf_lexer rtf_scan note_prepare standard_rtf plain_text ini_number (default: all)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
all=(rtf_lexer rtf_scan note_prepare standard_rtf plain_text ini_number)
seconds=12
repeatable=0
jobs=2
build=$root/build/fuzz
targets=()
while (($#)); do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --repeatable) repeatable=1; seconds=60; shift ;;
    --jobs) jobs=$2; shift 2 ;;
    --build-dir) build=$2; shift 2 ;;
    -h | --help) sed -n '2,9p' "$0" | cut -c3-; exit 0 ;;
    -*) echo "Unknown option: $1" >&2; exit 2 ;;
    *)
      [[ " ${all[*]} " == *" $1 "* ]] || { echo "Unknown target: $1 (${all[*]})" >&2; exit 2; }
      targets+=("$1"); shift ;;
  esac
done
((${#targets[@]})) || targets=("${all[@]}")

if ! command -v clang++ >/dev/null; then
  echo "SKIPPED: clang++ is not installed (scripts/deps.sh installs it)." >&2
  exit 77
fi

mkdir -p "$build/logs" "$build/artifacts"
started=$SECONDS
if ! { cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ &&
  cmake --build "$build" -j "$jobs"; } >"$build/logs/build.log" 2>&1; then
  cat "$build/logs/build.log"
  echo "FAILED: the native fuzz build (log: $build/logs/build.log)" >&2
  exit 1
fi
echo "Native fuzz build: $((SECONDS - started)) s"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
symbolizer=$(command -v llvm-symbolizer || true)
[[ -n $symbolizer ]] && export ASAN_SYMBOLIZER_PATH=$symbolizer

# Runs of each target in about 10 s on the machine that set them: the same inputs wherever it runs.
declare -A runs=([rtf_lexer]=250000 [rtf_scan]=32000 [note_prepare]=7000 [standard_rtf]=13000
  [plain_text]=220000 [ini_number]=1400000)

# One target over a fresh copy of its corpus; what it finds stays in the copy until the next run.
run_target() {
  local target=$1 work=$build/work/$1
  local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -error_exitcode=1
    -artifact_prefix="$build/artifacts/$target-")
  ((repeatable)) && options+=(-seed=1 -runs="${runs[$target]}")
  [[ $target == ini_number || $target == plain_text ]] || options+=(-dict="$root/fuzz/rtf.dict")
  rm -rf "$work"
  rm -f "$build/artifacts/$target-"*
  mkdir -p "$work"
  cp "$root/fuzz/corpus/$target/"* "$work/"
  "$build/fuzz_$target" "${options[@]}" "$work" >"$build/logs/$target.log" 2>&1
}

started=$SECONDS
for target in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  (
    status=0
    run_target "$target" || status=$?
    echo "$status" >"$build/logs/$target.status"
  ) &
done
wait

failed=0
for target in "${targets[@]}"; do
  log=$build/logs/$target.log
  if [[ $(cat "$build/logs/$target.status") == 0 ]]; then
    echo "ok   $target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$log" | tail -1)"
    continue
  fi
  failed=$((failed + 1))
  echo "FAIL $target: exit $(cat "$build/logs/$target.status"), log $log"
  # The report: from the first line of the sanitizer's or the check's words to the input.
  sed -n '/ERROR: \|FUZZ CHECK FAILED\|runtime error:\|^  actual\|^  expected\|^  held\|^  given\|^  data\|^  around/,$p' \
    "$log" | grep -v '^#\|^INFO:\|^[[:space:]]*#[0-9]* 0x.* in fuzzer::\|^[[:space:]]*#[0-9]* 0x.* in __libc\|Uses: ' |
    head -70
  for input in "$build/artifacts/$target-"*; do
    [[ -e $input ]] || continue
    echo "  input kept: $input"
    echo "  replay:     $build/fuzz_$target $input"
  done
done
echo "Fuzzing: ${#targets[@]} targets, $seconds s each, $jobs at a time, $((SECONDS - started)) s; $failed failed"
((failed == 0))
