#!/usr/bin/env python3
"""Draws the About dialog's picture and writes about.gif beside this file.

A GIF89a of 80 x 60 pixels in one frame, with a global palette of 256 colours
whose index 255 is transparent: a sheet of note paper with a quill, on a
background left see-through so the dialog's panel shows around it. Output is
deterministic: run it again and the file is byte-for-byte identical.

Usage: python3 make_about_picture.py
"""

import math
import os
import struct

WIDTH, HEIGHT = 80, 60
TRANSPARENT = 255

PAPER_TOP = (255, 248, 190)
PAPER_BOTTOM = (250, 226, 120)
BORDER = (184, 148, 52)
LINE = (150, 150, 150)
QUILL = (26, 44, 118)
SHAFT = (96, 128, 204)
SHADOW = (120, 110, 80)


def palette():
    """A 6x6x6 colour cube, then greys; the last entry is the transparent one."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    step = 255 / 39
    colours += [(round(i * step),) * 3 for i in range(39)]
    colours = colours[:255]
    colours.append((255, 0, 255))  # never drawn: it only marks transparency
    return colours


def nearest(colours, rgb):
    return min(range(255), key=lambda i: sum((a - b) ** 2 for a, b in zip(colours[i], rgb)))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def draw():
    """One RGB tuple per pixel, or None where the picture is transparent."""
    pixels = [[None] * WIDTH for _ in range(HEIGHT)]
    left, top, right, bottom = 12, 6, 62, 55
    for y in range(HEIGHT):
        for x in range(WIDTH):
            # Drop shadow, down and to the right of the sheet.
            if left + 3 <= x <= right + 3 and top + 3 <= y <= bottom + 3:
                pixels[y][x] = SHADOW
            if left <= x <= right and top <= y <= bottom:
                # The folded corner at the bottom right is cut away.
                if x + y > right + bottom - 10:
                    continue
                if x in (left, right) or y in (top, bottom) or x + y == right + bottom - 10:
                    pixels[y][x] = BORDER
                elif (y - top) % 7 == 0 and left + 5 <= x <= right - 6 and y < bottom - 4:
                    pixels[y][x] = LINE
                else:
                    pixels[y][x] = mix(PAPER_TOP, PAPER_BOTTOM, (y - top) / (bottom - top))
    # The quill, from its nib near the sheet's lower left to its top right beyond the sheet.
    ax, ay, bx, by = 22.0, 50.0, 76.0, 2.0
    for y in range(HEIGHT):
        for x in range(WIDTH):
            d = distance_to_segment(x + 0.5, y + 0.5, ax, ay, bx, by)
            along = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)
            vane = 0.8 + 5.0 * math.sin(math.pi * min(1.0, max(0.0, (along - 0.15) / 0.85)))
            if d <= 0.7 and 0 <= along <= 1:
                pixels[y][x] = SHAFT
            elif d <= vane and 0.15 <= along <= 1:
                pixels[y][x] = QUILL
    return pixels


def lzw(indices, min_code_size=8):
    """GIF's variable-length LZW, with a clear code whenever the table is full."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bits, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    size = min_code_size + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    emit(clear, size)
    current = ()
    for value in indices:
        candidate = current + (value,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = {(i,): i for i in range(clear)}
            next_code = end + 1
            size = min_code_size + 1
        current = (value,)
    if current:
        emit(table[current], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def gif(pixels):
    colours = palette()
    cache = {}
    indices = []
    for row in pixels:
        for rgb in row:
            if rgb is None:
                indices.append(TRANSPARENT)
            else:
                if rgb not in cache:
                    cache[rgb] = nearest(colours, rgb)
                indices.append(cache[rgb])
    data = bytearray(b"GIF89a")
    # Screen: global table of 2^(7+1) = 256 colours, 8 bits per primary.
    data += struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF7, 0, 0)
    for r, g, b in colours:
        data += bytes((r, g, b))
    # Graphic control extension: transparent colour index 255.
    data += bytes((0x21, 0xF9, 4, 0x01, 0, 0, TRANSPARENT, 0))
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
    data.append(8)
    stream = lzw(indices)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "about.gif")
    with open(path, "wb") as f:
        f.write(gif(draw()))
    print(f"wrote {path}")


if __name__ == "__main__":
    main()
