#!/usr/bin/env python3
"""Draws the program icon and the mouse cursors of resources/ and writes them as .ico and .cur files.

The images are committed, so the resource compiler needs nothing else; run this again after changing a drawing:
    python3 resources/make_images.py [output folder]      (default: the folder of this script)
Output is byte-for-byte reproducible.
"""
import math
import os
import struct
import sys


def bitmap_header(width, height, bpp, image_bytes, colors=0):
    # Icons and cursors store a BITMAPINFOHEADER whose height counts the colour image and the AND mask.
    return struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0, image_bytes, 0, 0, colors, 0)


def and_mask(width, height, opaque):
    """1-bit mask, bottom-up, rows padded to 32 bits; a set bit means transparent."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            if not opaque(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def icon_image(size):
    """A green waveform on a dark rounded panel, 32-bit BGRA."""
    def inside(x, y):
        r = size // 8
        cx = min(max(x, r), size - 1 - r)
        cy = min(max(y, r), size - 1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    mid = (size - 1) / 2.0
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            if not inside(x, y):
                pixels += bytes((0, 0, 0, 0))
                continue
            t = x / (size - 1)
            wave = mid - (size * 0.36) * math.sin(t * 2 * math.pi * 2) * math.exp(-1.2 * t)
            d = abs(y - wave)
            if abs(y - mid) < 0.5:
                b, g, r = 0x40, 0x00, 0x00          # centre line, dark blue
            else:
                b, g, r = 0x20, 0x20, 0x00          # panel
            if d < 1.2:
                b, g, r = 0x00, 0xFF, 0x40          # waveform
            elif d < 2.0:
                b, g, r = 0x10, 0x90, 0x20
            pixels += bytes((b, g, r, 0xFF))
    mask = and_mask(size, size, inside)
    return bitmap_header(size, size, 32, len(pixels) + len(mask)) + bytes(pixels) + mask


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def cursor_file(shape, hotspot):
    """A 32x32 monochrome cursor from a list of 32 strings: '#' black, 'o' white, anything else transparent."""
    size = 32
    rows = [r.ljust(size) for r in shape] + [" " * size] * (size - len(shape))
    stride = 4
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if rows[y][x] == "o":
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    mask = and_mask(size, size, lambda x, y: rows[y][x] in "#o")
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    img = bitmap_header(size, size, 1, len(xor) + len(mask), 2) + palette + bytes(xor) + mask
    head = struct.pack("<HHH", 0, 2, 1)
    head += struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(img), 6 + 16)
    return head + img


def frame(lines):
    """Surrounds the black strokes of a drawing with a white outline so it shows on any background."""
    h, w = len(lines), max(len(l) for l in lines)
    grid = [list(l.ljust(w)) for l in lines]
    out = [row[:] for row in grid]
    for y in range(h):
        for x in range(w):
            if grid[y][x] != "#":
                continue
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    yy, xx = y + dy, x + dx
                    if 0 <= yy < h and 0 <= xx < w and out[yy][xx] == " ":
                        out[yy][xx] = "o"
    return ["".join(r) for r in out]


def pad(lines, left=1, top=1):
    return [" " * 32] * top + [" " * left + l for l in lines]


# Sample handle: a small square on a vertical stroke, for dragging one sample value.
HANDLE = pad([
    "    #    ", "    #    ", "    #    ", "  #####  ", "  #   #  ", "###   ###",
    "  #   #  ", "  #####  ", "    #    ", "    #    ", "    #    ",
], left=2)
# Upper and lower channel selection: an I-beam with a bar marking the channel.
UPPER = pad([
    "#######", "#######", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ",
    "   #   ", " ##### ",
], left=2)
LOWER = pad([
    " ##### ", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ", "   #   ",
    "#######", "#######",
], left=2)
# Horizontal and vertical double arrows for dragging ruler and field edges.
HARROW = pad([
    "  #         #  ", " ##         ## ", "###############", " ##         ## ", "  #         #  ",
], left=2, top=6)
VARROW = pad([
    "  #  ", " ### ", "#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "#####",
    " ### ", "  #  ",
], left=4)

CURSORS = {
    "handle.cur": (HANDLE, (6, 6)),
    "upper.cur": (UPPER, (5, 6)),
    "lower.cur": (LOWER, (5, 6)),
    "harrow.cur": (HARROW, (9, 8)),
    "varrow.cur": (VARROW, (6, 7)),
}


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(outdir, exist_ok=True)
    write_icon(os.path.join(outdir, "sorn96.ico"), [32, 16])
    for name, (shape, hot) in CURSORS.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(cursor_file(frame(shape), hot))


if __name__ == "__main__":
    main()
