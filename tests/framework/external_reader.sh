#!/usr/bin/env bash
# Reads a note that the program saved with an RTF converter of another origin, and checks that
# every character comes out. Usage: external_reader.sh WRITER.exe
set -euo pipefail

if ! command -v unrtf >/dev/null; then
  echo "SKIPPED: unrtf is not installed (scripts/deps.sh installs it)." >&2
  exit 77
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && wine "$1" sample.rtf)

expected='Bonjour été € Ωμέγα 日本 😀'
head -c 6 "$dir/sample.rtf" | grep -qF '{\rtf1' || { echo "FAIL: no standard header: $(head -c 60 "$dir/sample.rtf")"; exit 1; }
if LC_ALL=C grep -q $'[\x80-\xff]' "$dir/sample.rtf"; then
  echo "FAIL: bytes above 0x7F in the file"; exit 1
fi

unrtf --html "$dir/sample.rtf" >"$dir/sample.html"
# The converter writes each \u escape as an HTML character reference of its own, one per
# surrogate; join the pairs before decoding.
got=$(python3 - "$dir/sample.html" <<'PY'
import html, re, sys
page = open(sys.argv[1], encoding="ascii", errors="replace").read()
body = re.sub(r"<[^>]*>", "", page.split("<body>", 1)[1])
def pair(m):
    hi, lo = int(m.group(1)), int(m.group(2))
    if not (0xD800 <= hi <= 0xDBFF and 0xDC00 <= lo <= 0xDFFF):
        return m.group(0)
    return chr(0x10000 + ((hi - 0xD800) << 10) + (lo - 0xDC00))
body = re.sub(r"&#(\d+);&#(\d+);", pair, body)
print(html.unescape(body).strip())
PY
)
if [[ $got != "$expected" ]]; then
  echo "FAIL: unrtf read \"$got\", expected \"$expected\""
  echo "--- file:"; cat "$dir/sample.rtf"; echo; exit 1
fi
echo "unrtf read: $got"
