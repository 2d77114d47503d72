#!/usr/bin/env python3
"""Writes the release archive: make_zip.py ZIP PROGRAM GUIDE LICENCE.

The guide goes in as it is (already CR LF with a byte-order mark); the licence goes in as
LICENSE.txt with CR LF line ends, so that the system's plain editor shows its lines.
"""
import sys
import zipfile


def main(zip_path, program, guide, licence):
    with open(licence, encoding="utf-8", newline="") as f:
        licence_text = f.read().replace("\r\n", "\n").replace("\n", "\r\n")
    with zipfile.ZipFile(zip_path, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.write(program, "quillpad.exe")
        z.write(guide, "LISEZMOI.txt")
        z.writestr("LICENSE.txt", licence_text.encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
