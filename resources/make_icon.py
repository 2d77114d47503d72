#!/usr/bin/env python3
"""Draws the Quillpad application icon and writes quillpad.ico beside this file.

The icon holds 16, 32 and 48 pixel images as 32-bit BGRA DIB entries (not PNG),
so every Windows version and Wine can read them. Output is deterministic: run it
again and the file is byte-for-byte identical.

Usage: python3 make_icon.py
"""

import math
import os
import struct

SUPERSAMPLE = 8  # samples per pixel side; averaging them gives smooth edges

# Colours (R, G, B, A) with A in 0..1.
SHADOW = (0, 0, 0, 0.30)
BORDER = (184, 148, 52, 1.0)
PAPER_TOP = (255, 248, 190)
PAPER_BOTTOM = (252, 234, 132)
FLAP = (236, 210, 112, 1.0)
TEXT_LINE = (128, 128, 128, 1.0)
QUILL = (26, 44, 118, 1.0)
QUILL_SHAFT = (96, 128, 204, 1.0)
QUILL_HALO = (255, 252, 222, 0.9)

# Geometry per size, in pixels of that size. Hand-tuned so the note edges and
# the text lines fall on whole pixels: that is what keeps 16 px crisp.
# Text lines are (left, top, right, thickness).
GEOMETRY = {
    16: dict(note=(1, 1, 14, 14), radius=1.5, border=1.0, fold=4.0,
             shadow=1.0, blur=0.8,
             lines=[(3, 4, 12, 1), (3, 7, 12, 1), (3, 10, 8, 1)],
             quill=((3.2, 13.2), (15.6, 0.6)), vane=1.55, shaft=0.55,
             rachis=0.0, halo=0.6),
    32: dict(note=(2, 2, 28, 28), radius=3.0, border=1.0, fold=8.0,
             shadow=1.5, blur=1.5,
             lines=[(6, 8, 24, 2), (6, 13, 24, 2), (6, 18, 24, 2),
                    (6, 23, 16, 2)],
             quill=((6.5, 26.5), (31.2, 1.0)), vane=3.0, shaft=0.9,
             rachis=0.45, halo=0.8),
    48: dict(note=(3, 3, 42, 42), radius=4.0, border=1.0, fold=12.0,
             shadow=2.0, blur=2.2,
             lines=[(9, 12, 36, 2), (9, 19, 36, 2), (9, 26, 36, 2),
                    (9, 33, 24, 2)],
             quill=((9.5, 40.0), (46.8, 1.5)), vane=4.4, shaft=1.3,
             rachis=0.6, halo=1.0),
}

SQRT2 = math.sqrt(2.0)


def rounded_rect_distance(x, y, left, top, right, bottom, radius):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
    hx, hy = (right - left) / 2.0, (bottom - top) / 2.0
    qx = abs(x - cx) - hx + radius
    qy = abs(y - cy) - hy + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def note_distance(x, y, g):
    """The note is a rounded rectangle with its lower-right corner cut off."""
    left, top, right, bottom = g["note"]
    d = rounded_rect_distance(x, y, left, top, right, bottom, g["radius"])
    cut = ((x + y) - (right + bottom - g["fold"])) / SQRT2
    return max(d, cut)


def flap_distance(x, y, g):
    """The folded-over corner: a right triangle lying on the paper."""
    _, _, right, bottom = g["note"]
    f = g["fold"]
    return max((right - f) - x, (bottom - f) - y,
               ((x + y) - (right + bottom - f)) / SQRT2)


def quill_half_width(t, g):
    """Half width of the quill along its axis, t = 0 at the nib."""
    shaft = g["shaft"]
    if t < 0.0 or t > 1.0:
        return -1.0
    if t < 0.10:  # the cut nib comes to a point
        return shaft * t / 0.10
    if t < 0.24:  # bare barrel
        return shaft
    s = (t - 0.24) / 0.76  # feather vane, leaf shaped
    return max(shaft * (1.0 - s), g["vane"] * math.sin(math.pi * s) ** 0.7)


def quill_length(g):
    (x0, y0), (x1, y1) = g["quill"]
    return math.hypot(x1 - x0, y1 - y0)


def quill_coords(x, y, g):
    (x0, y0), (x1, y1) = g["quill"]
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    px, py = x - x0, y - y0
    t = (px * ux + py * uy) / length
    n = abs(px * uy - py * ux)
    return t, n


def over(dst, src):
    """Premultiplied source-over: dst and src are (r, g, b, a) floats."""
    k = 1.0 - src[3]
    return (src[0] + dst[0] * k, src[1] + dst[1] * k,
            src[2] + dst[2] * k, src[3] + dst[3] * k)


def premul(rgb, a):
    return (rgb[0] * a, rgb[1] * a, rgb[2] * a, a)


def sample(x, y, g):
    """Colour of the icon at point (x, y), premultiplied, channels 0..255."""
    left, top, right, bottom = g["note"]
    acc = (0.0, 0.0, 0.0, 0.0)

    # Soft drop shadow: the note shape, shifted, fading out over `blur`.
    s = g["shadow"]
    d = note_distance(x - s, y - s, g)
    shade = min(1.0, max(0.0, 0.5 - d / g["blur"]))
    if shade > 0.0:
        acc = over(acc, premul(SHADOW[:3], SHADOW[3] * shade))

    d = note_distance(x, y, g)
    if d < 0.0:
        if d > -g["border"]:
            acc = over(acc, premul(BORDER[:3], 1.0))
        else:
            k = min(1.0, max(0.0, (y - top) / (bottom - top)))
            paper = tuple(a + (b - a) * k for a, b in zip(PAPER_TOP, PAPER_BOTTOM))
            acc = over(acc, premul(paper, 1.0))
            for lx0, ly, lx1, lh in g["lines"]:
                if lx0 <= x < lx1 and ly <= y < ly + lh:
                    acc = over(acc, premul(TEXT_LINE[:3], 1.0))

        fd = flap_distance(x, y, g)
        if fd < 0.0:
            colour = BORDER if fd > -g["border"] else FLAP
            acc = over(acc, premul(colour[:3], 1.0))

    # A pale rim keeps the quill apart from the text lines at 16 px and
    # visible where it sticks out over a dark background.
    t, n = quill_coords(x, y, g)
    halo = g["halo"]
    pad = halo / quill_length(g)
    if -pad <= t <= 1.0 + pad:
        # Sampling the width a little further up rounds the rim past the nib.
        rim = quill_half_width(min(t + pad, 1.0), g) + halo
        if n <= rim:
            acc = over(acc, premul(QUILL_HALO[:3], QUILL_HALO[3]))
    hw = quill_half_width(t, g)
    if n <= hw:
        colour = QUILL
        if g["rachis"] > 0.0 and t > 0.24 and n <= g["rachis"] * (1.0 - t):
            colour = QUILL_SHAFT  # lighter spine down the feather
        acc = over(acc, premul(colour[:3], 1.0))
    return acc


def render(size):
    """Returns rows (top to bottom) of straight-alpha (r, g, b, a) byte tuples."""
    g = GEOMETRY[size]
    n = SUPERSAMPLE
    inv = 1.0 / (n * n)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = gr = b = a = 0.0
            for j in range(n):
                y = py + (j + 0.5) / n
                for i in range(n):
                    x = px + (i + 0.5) / n
                    c = sample(x, y, g)
                    r += c[0]
                    gr += c[1]
                    b += c[2]
                    a += c[3]
            a *= inv
            if a <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            # Icon DIBs store straight (not premultiplied) alpha.
            def chan(v):
                return max(0, min(255, int(round(v * inv / a))))
            row.append((chan(r), chan(gr), chan(b),
                        max(0, min(255, int(round(a * 255))))))
        rows.append(row)
    return rows


def dib_entry(size, rows):
    """BITMAPINFOHEADER + bottom-up BGRA pixels + bottom-up 1-bpp AND mask."""
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))

    mask_stride = ((size + 31) // 32) * 4  # rows padded to 4 bytes
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, px in enumerate(row):
            if px[3] == 0:  # fully transparent: let the screen show through
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def build_ico(sizes):
    images = [dib_entry(s, render(s)) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.join(here, "quillpad.ico")
    data = build_ico([16, 32, 48])
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (path, len(data)))


if __name__ == "__main__":
    main()
