#!/usr/bin/env python3
"""Checks a release archive: check_zip.py ZIP PROGRAM LICENCE.

The archive must hold exactly quillpad.exe (the same bytes as PROGRAM), LISEZMOI.txt and
LICENSE.txt (LICENCE with CR LF line ends), its texts readable by the system's plain editor, and
its name must carry the version that the program's version resource gives.
"""
import os
import re
import struct
import sys
import zipfile

EXPECTED = {"quillpad.exe", "LISEZMOI.txt", "LICENSE.txt"}


def file_version(exe):
    # VS_FIXEDFILEINFO: the signature, the structure version, then FileVersionMS and LS.
    at = exe.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls = struct.unpack_from("<II", exe, at + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def check_windows_text(name, data, failures):
    """CR LF everywhere, UTF-8: the plain editor of every system version shows it as written."""
    if b"\n" in data.replace(b"\r\n", b"") or b"\r" in data.replace(b"\r\n", b""):
        failures.append(f"{name}: a line does not end with CR LF")
    try:
        data.decode("utf-8")
    except UnicodeDecodeError as e:
        failures.append(f"{name}: not UTF-8 ({e})")


def main(zip_path, program, licence):
    failures = []
    with open(program, "rb") as f:
        exe = f.read()
    with zipfile.ZipFile(zip_path) as z:
        if z.testzip() is not None:
            failures.append(f"{zip_path}: damaged member {z.testzip()}")
        names = z.namelist()
        if sorted(names) != sorted(EXPECTED):
            failures.append(f"{zip_path} holds {sorted(names)}, not {sorted(EXPECTED)}")
        member = lambda n: z.read(n) if n in names else b""
        packed = member("quillpad.exe")
        guide = member("LISEZMOI.txt")
        licence_txt = member("LICENSE.txt")

    if packed != exe:
        failures.append(f"quillpad.exe in the archive differs from {program}")
    version = file_version(exe)
    expected_name = f"quillpad-{version}.zip"
    if os.path.basename(zip_path) != expected_name:
        failures.append(f"{zip_path} should be named {expected_name} after the program's file version")

    # The accents need the byte-order mark on systems whose editor defaults to the ANSI code page.
    if not guide.startswith(b"\xef\xbb\xbf"):
        failures.append("LISEZMOI.txt: no UTF-8 byte-order mark")
    check_windows_text("LISEZMOI.txt", guide, failures)
    text = guide.decode("utf-8", "replace")
    for word in ("Ctrl+Alt+X", "quillpad.RTF", "quillpad.INI", "CurrentVersion\\Run"):
        if word not in text:
            failures.append(f"LISEZMOI.txt does not mention {word}")

    with open(licence, "rb") as f:
        source = f.read()
    if licence_txt != source.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"):
        failures.append(f"LICENSE.txt is not {licence} with CR LF line ends")
    check_windows_text("LICENSE.txt", licence_txt, failures)
    if not re.search(rb"^MIT License\r\n", licence_txt):
        failures.append("LICENSE.txt does not start with the MIT licence's title")

    for failure in failures:
        print(failure, file=sys.stderr)
    if failures:
        return 1
    print(f"{zip_path}: {', '.join(sorted(names))}; quillpad.exe {version}, same bytes as {program}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
