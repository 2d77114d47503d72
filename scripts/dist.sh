#!/usr/bin/env bash
# Builds the release and writes build/dist/quillpad-<version>.zip: the program, its French user
# guide and the licence. Succeeds only when the archive has been checked.
set -euo pipefail
source "$(dirname "$0")/common.sh"

scripts/release.sh
exe=build/release/bin/quillpad.exe
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
[[ -n $version ]] || { echo "No project version in build/release/CMakeCache.txt." >&2; exit 1; }

bash tests/package/check_imports.sh "$exe"

mkdir -p build/dist
zip=build/dist/quillpad-$version.zip
rm -f "$zip"
python3 scripts/make_zip.py "$zip" "$exe" LISEZMOI.txt LICENSE
python3 tests/package/check_zip.py "$zip" "$exe" LICENSE
ls -l "$exe" "$zip" | awk '{ printf "%10d bytes  %s\n", $5, $9 }'
echo "Wrote $zip"
