#!/usr/bin/env python3
"""Draws the toolbar button bitmaps (24 x 24), the arrow buttons of the toolbar settings dialog and the
"Checkers" brush pattern, and writes them as .bmp files into resources/toolbar/.

Each button shows a short label in a small pixel font, or a transport symbol for the CD player, on the button
face colour; the program draws the raised, pressed and greyed looks around them. The files are committed, so the
resource compiler needs nothing else; run this again after changing a drawing:
    python3 resources/make_toolbar_bitmaps.py [output folder]     (default: resources/toolbar)
Output is byte-for-byte reproducible.
"""
import os
import struct
import sys

SIZE = 24
FACE = (192, 192, 192)
INK = (0, 0, 0)
GREY_INK = (128, 128, 128)
ACCENT = (0, 0, 160)

# 3 x 5 pixel font: five rows of three columns per character.
FONT = {
    "A": ["###", "#.#", "###", "#.#", "#.#"], "B": ["##.", "#.#", "##.", "#.#", "##."],
    "C": ["###", "#..", "#..", "#..", "###"], "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "E": ["###", "#..", "##.", "#..", "###"], "F": ["###", "#..", "##.", "#..", "#.."],
    "G": ["###", "#..", "#.#", "#.#", "###"], "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "I": ["###", ".#.", ".#.", ".#.", "###"], "L": ["#..", "#..", "#..", "#..", "###"],
    "K": ["#.#", "#.#", "##.", "#.#", "#.#"], "M": ["#.#", "###", "###", "#.#", "#.#"],
    "N": ["##.", "#.#", "#.#", "#.#", "#.#"], "O": ["###", "#.#", "#.#", "#.#", "###"],
    "P": ["###", "#.#", "###", "#..", "#.."], "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "S": ["###", "#..", "###", "..#", "###"], "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "U": ["#.#", "#.#", "#.#", "#.#", "###"], "V": ["#.#", "#.#", "#.#", "#.#", ".#."],
    "W": ["#.#", "#.#", "###", "###", "#.#"], "X": ["#.#", "#.#", ".#.", "#.#", "#.#"],
    "Y": ["#.#", "#.#", ".#.", ".#.", ".#."], "Z": ["###", "..#", ".#.", "#..", "###"],
    "+": ["...", ".#.", "###", ".#.", "..."], "?": ["###", "..#", ".##", "...", ".#."],
    "/": ["..#", "..#", ".#.", "#..", "#.."],
}

# Toolbar bitmaps: resource name → one or two lines of label, or a symbol name.
BUTTONS = {
    "INEW2": ["NEW"], "IOpen": ["OPEN"], "ISave": ["SAVE"], "INewInst": ["NEW", "INST"],
    "ISaveSel": ["SAVE", "SEL"], "IUndo": ["UNDO"], "ITrim": ["TRIM"], "IDel": ["DEL"], "ICopy": ["COPY"],
    "ICut": ["CUT"], "IPaste": ["PSTE"], "IPasteSp": ["MIX", "PSTE"], "IReverse": ["REV"], "ISilence": ["SIL"],
    "IInvert": ["INV"], "IMusic": ["MUS"], "IGSilence": ["+SIL"], "ILoop": ["LOOP"], "IUnLoop": ["ONCE"],
    "IMonitor": ["VU"], "ISetting": ["SET"], "IAnalys": ["FFT"], "IInfo": ["INFO"], "IScripts": ["SCR"],
    "ICueLst": ["CUE"], "IPlayLst": ["PLAY", "LIST"], "ICDPlayer": ["CD"], "IELeft": ["L"], "IERight": ["R"],
    "IEBoth": ["L+R"], "IESpec": ["FFT"], "IZero": ["ZERO"], "IHelp": ["?"],
    "ICDNew": ["NEW", "CD"], "ICDMark": ["MARK"], "ICDGotoMark": ["GO", "MARK"],
    "ICDPlay": "play", "ICDPause": "pause", "ICDStop": "stop", "ICDRR": "rewind", "ICDFF": "forward",
}

# Buttons of the toolbar settings dialog: 171 Up, 172 Up greyed, 173 Down, 174 Down greyed, 175 Zap, 176 Zap
# greyed.
DIALOG_BUTTONS = {171: ("up", INK), 172: ("up", GREY_INK), 173: ("down", INK), 174: ("down", GREY_INK),
                  175: ("zap", INK), 176: ("zap", GREY_INK)}


def blank(width=SIZE, height=SIZE, colour=FACE):
    return [[colour] * width for _ in range(height)]


def put(img, x, y, colour):
    if 0 <= y < len(img) and 0 <= x < len(img[0]):
        img[y][x] = colour


def text(img, lines, colour=INK):
    """Centres one or two lines of the 3 x 5 font, each character 4 pixels wide including the gap."""
    total_h = len(lines) * 6 - 1
    y0 = (len(img) - total_h) // 2
    for n, line in enumerate(lines):
        x0 = (len(img[0]) - (len(line) * 4 - 1)) // 2
        for i, ch in enumerate(line):
            for row, bits in enumerate(FONT[ch]):
                for col, b in enumerate(bits):
                    if b == "#":
                        put(img, x0 + i * 4 + col, y0 + n * 6 + row, colour)


def triangle(img, x0, y0, height, right, colour):
    """A filled triangle pointing right (or left) with its flat side at x0."""
    half = height // 2
    for dy in range(height):
        width = half - abs(dy - half) + 1
        for dx in range(width):
            put(img, x0 + dx if right else x0 - dx, y0 + dy, colour)


def symbol(img, name, colour=ACCENT):
    if name == "play":
        triangle(img, 8, 5, 14, True, colour)
    elif name == "pause":
        for x in (7, 8, 9, 14, 15, 16):
            for y in range(6, 18):
                put(img, x, y, colour)
    elif name == "stop":
        for x in range(7, 17):
            for y in range(7, 17):
                put(img, x, y, colour)
    elif name == "forward":
        triangle(img, 4, 6, 12, True, colour)
        triangle(img, 12, 6, 12, True, colour)
    elif name == "rewind":
        triangle(img, 19, 6, 12, False, colour)
        triangle(img, 11, 6, 12, False, colour)
    elif name == "up":
        for dy in range(7):
            for dx in range(-dy, dy + 1):
                put(img, 12 + dx, 7 + dy, colour)
    elif name == "down":
        for dy in range(7):
            for dx in range(-dy, dy + 1):
                put(img, 12 + dx, 16 - dy, colour)
    elif name == "zap":
        for d in range(-6, 7):
            for w in (0, 1):
                put(img, 12 + d + w, 12 + d, colour)
                put(img, 12 + d + w, 12 - d, colour)


def bmp(img):
    """24-bit bottom-up BMP file bytes."""
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)) + header + \
        bytes(pixels)


def checkers():
    """8 x 8 one-pixel checkerboard, the pattern of pressed and spacer cells."""
    return [[(255, 255, 255) if (x + y) % 2 else FACE for x in range(8)] for y in range(8)]


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                 "toolbar")
    os.makedirs(outdir, exist_ok=True)
    files = {}
    for name, look in BUTTONS.items():
        img = blank()
        if isinstance(look, str):
            symbol(img, look)
        else:
            text(img, look)
        files[name.lower() + ".bmp"] = bmp(img)
    for rid, (name, colour) in DIALOG_BUTTONS.items():
        img = blank()
        symbol(img, name, colour)
        files["dlg%d.bmp" % rid] = bmp(img)
    files["checkers.bmp"] = bmp(checkers())
    for name, data in files.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
