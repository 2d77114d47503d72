#!/usr/bin/env bash
# Measures start time and memory of the baselines and of Quillpad in one launcher run.
# Runs through `make bench`, under a display and with the Wine prefix ready and its server up.
# Extra arguments go to the launcher, e.g. `--warm 20`, `--note-kb 1024` or `--verbose`.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# The release build (make release) runs beside the development build; the launcher names each
# program after its file, so the release copy gets a name of its own.
release=build/release/bin/quillpad.exe
[[ -f $release ]] || { echo "$release is missing; run make release first." >&2; exit 1; }
cp -f "$release" build/release/quillpad-release.exe

programs=(build/bin/bare_window.exe build/bin/bare_tray.exe build/bin/bare_note.exe build/bin/bare_note_modules.exe
  build/bin/bare_note_windows.exe build/bin/quillpad.exe build/release/quillpad-release.exe)
for exe in build/bin/start_bench.exe build/bin/hotkey_bench.exe build/bin/note_bench.exe build/bin/save_bench.exe build/bin/typing_bench.exe build/bin/text_copy_bench.exe build/bin/startup_bench.exe build/bin/guard_bench.exe build/bin/settings_bench.exe build/bin/about_bench.exe build/bin/write_volume_bench.exe build/bin/rtf_shapes_bench.exe "${programs[@]}"; do
  [[ -f $exe ]] || { echo "$exe is missing; build first." >&2; exit 1; }
done

# The launcher is a Windows program: hand it Windows paths.
mapfile -t paths < <(winepath -w "${programs[@]/#/$ROOT/}")
((${#paths[@]} == ${#programs[@]})) || { echo "winepath could not convert the paths." >&2; exit 1; }
wine build/bin/start_bench.exe --against bare_note.exe --against bare_note_modules.exe --against bare_note_windows.exe "$@" "${paths[@]}"
(cd build/bin && wine startup_bench.exe && wine startup_bench.exe --timeline)
wine build/bin/hotkey_bench.exe
(cd build/bin && wine note_bench.exe)
(cd build/bin && wine save_bench.exe)
(cd build/bin && wine text_copy_bench.exe)
(cd build/bin && wine typing_bench.exe)
(cd build/bin && wine guard_bench.exe)
(cd build/bin && wine settings_bench.exe)
(cd build/bin && wine about_bench.exe)
(cd build/bin && wine write_volume_bench.exe)
(cd build/bin && wine rtf_shapes_bench.exe)
