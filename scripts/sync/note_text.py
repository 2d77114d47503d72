#!/usr/bin/env python3
"""The text of a note's RTF file, and where the typed words ended up in it.

text FILE
    Prints the note's paragraphs, one a line.
placement PARAGRAPHS EDITS NOTE...
    PARAGRAPHS holds the note's first text, one paragraph a line; EDITS is the run's edits.tsv
    (column 1 the word, column 8 the paragraph aimed at, counted from 1). For each word found in
    the notes, tells whether it stands as a word of its own between two words (or at a paragraph's
    end) and whether the paragraph around it, once the typed words are taken out, is the one aimed at.
"""
import re
import sys

MARKER = re.compile(r"^[AB][0-9]{4}$")
# Groups whose content is not text.
SKIPPED = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "header", "footer", "object"}


def rtf_paragraphs(data):
    out, text = [], []
    stack = []  # per group: skipped
    skip = False
    pending_group = False
    uc_skip = 0
    i = 0
    while i < len(data):
        c = data[i]
        if c == "{":
            stack.append(skip)
            pending_group = True
            i += 1
            continue
        if c == "}":
            skip = stack.pop() if stack else False
            pending_group = False
            i += 1
            continue
        if c == "\\":
            m = re.match(r"\\([a-zA-Z]+)(-?[0-9]+)? ?", data[i:])
            if m:
                word, arg = m.group(1), m.group(2)
                i += m.end()
                if pending_group and word in SKIPPED:
                    skip = True
                pending_group = False
                if skip:
                    continue
                if word in ("par", "line"):
                    out.append("".join(text))
                    text = []
                elif word == "tab":
                    text.append("\t")
                elif word == "uc":
                    uc_skip = int(arg or 1)
                elif word == "u":
                    text.append(chr(int(arg) % 65536))
                    i = skip_fallback(data, i, uc_skip)
                continue
            nxt = data[i + 1 : i + 2]
            pending_group = False
            if nxt == "*":
                skip = True
                i += 2
                continue
            if nxt == "'":
                if not skip:
                    text.append(bytes.fromhex(data[i + 2 : i + 4]).decode("cp1252", "replace"))
                i += 4
                continue
            if not skip:
                text.append({"~": " ", "-": "", "_": "-"}.get(nxt, nxt))
            i += 2
            continue
        pending_group = False
        if c not in "\r\n\0" and not skip:
            text.append(c)
        i += 1
    if "".join(text).strip():
        out.append("".join(text))
    return out


def skip_fallback(data, i, count):
    # The characters after \uN stand for it in readers that do not know it.
    for _ in range(count):
        if i >= len(data):
            break
        if data[i] == "\\":
            m = re.match(r"\\'[0-9a-fA-F]{2}|\\[a-zA-Z]+-?[0-9]* ?|\\.", data[i:])
            i += m.end() if m else 1
        else:
            i += 1
    return i


def read_paragraphs(path):
    with open(path, "rb") as f:
        return rtf_paragraphs(f.read().decode("latin-1"))


def placement(paragraphs_path, edits_path, notes):
    with open(paragraphs_path, encoding="utf-8") as f:
        first = [line.split() for line in f.read().splitlines()]
    aimed = {}
    with open(edits_path, encoding="utf-8") as f:
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) >= 8 and cols[7].isdigit():
                aimed[cols[0]] = int(cols[7])
    seen, own_word, right_paragraph = set(), 0, 0
    for note in notes:
        for paragraph in read_paragraphs(note):
            words = paragraph.split()
            plain = [w for w in words if not MARKER.match(w)]
            for word in words:
                if word not in aimed or word in seen:
                    continue
                seen.add(word)
                own_word += 1
                index = aimed[word] - 1
                if 0 <= index < len(first) and plain == first[index]:
                    right_paragraph += 1
            # A word typed against another word is no word of its own, but is seen all the same.
            for word in re.findall(r"[AB][0-9]{4}", paragraph):
                if word in aimed and word not in seen:
                    seen.add(word)
    print(f"{len(seen)} {own_word} {right_paragraph}")


def main(argv):
    if argv[1] == "text":
        print("\n".join(read_paragraphs(argv[2])))
    elif argv[1] == "placement":
        placement(argv[2], argv[3], argv[4:])
    else:
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
