#!/usr/bin/env python3
"""Draws the images of the WebHelp output into data/webhelp/.

    python3 scripts/make-webhelp-images.py [webhelp-folder]

Writes, below the folder (default: data/webhelp beside this script's parent):
  imgs/    the sixteen tree images (lines, connectors, plus and minus boxes), 18 x 18
  icons/   the contents icons 1.gif to 42.gif (books, folders, pages), 18 x 18
  ricons/  the shaded contents icons 1.gif, 2.gif and 11.gif, 18 x 18
  images/  the toolbar buttons, 20 x 20
  bg/      the banner backgrounds back1.jpg to back9.jpg, 256 x 64, seamless left to right

Only the standard library is used: GIF (LZW) and baseline JPEG encoders are below.
The output is deterministic, so running the script again changes no file.
"""

import math
import os
import struct
import sys

# --------------------------------------------------------------------------
# Canvas


def rgb(text):
    """'#RRGGBB' to an opaque RGBA tuple."""
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), 255)


CLEAR = (0, 0, 0, 0)


class Canvas:
    def __init__(self, width, height, fill=CLEAR):
        self.width = width
        self.height = height
        self.pixels = [fill] * (width * height)

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = colour

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def hline(self, x0, x1, y, colour):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.put(x, y, colour)

    def vline(self, x, y0, y1, colour):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.put(x, y, colour)

    def fill_rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            self.hline(x0, x1, y, colour)

    def frame(self, x0, y0, x1, y1, border, inside=None):
        if inside is not None:
            self.fill_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside)
        self.hline(x0, x1, y0, border)
        self.hline(x0, x1, y1, border)
        self.vline(x0, y0, y1, border)
        self.vline(x1, y0, y1, border)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def glyph(self, x0, y0, rows, colour):
        """Stamps a bitmap given as strings, '#' for a set pixel."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == "#":
                    self.put(x0 + dx, y0 + dy, colour)


# --------------------------------------------------------------------------
# GIF writer (GIF89a, one frame, 1-bit transparency)


def lzw_encode(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0
    code_size = min_code_size + 1

    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += code_size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    table = {}
    next_code = end + 1
    emit(clear)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            # The decoder widens its codes once the table outgrows them.
            if next_code > (1 << code_size) and code_size < 12:
                code_size += 1
        else:
            emit(clear)
            table = {}
            next_code = end + 1
            code_size = min_code_size + 1
        prefix = k
    emit(prefix)
    emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_bytes(canvas):
    palette = []
    index_of = {}
    transparent = None
    indices = []
    for r, g, b, a in canvas.pixels:
        if a < 128:
            if transparent is None:
                transparent = len(palette)
                palette.append((255, 255, 255))
                index_of["clear"] = transparent
            indices.append(transparent)
            continue
        key = (r, g, b)
        if key not in index_of:
            index_of[key] = len(palette)
            palette.append(key)
        indices.append(index_of[key])
    if len(palette) > 256:
        raise ValueError("more than 256 colours in a GIF image")
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    palette += [(0, 0, 0)] * ((1 << bits) - len(palette))

    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", canvas.width, canvas.height,
                        0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    for colour in palette:
        data += bytes(colour)
    if transparent is not None:
        data += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, transparent, 0)
    data += struct.pack("<BHHHHB", 0x2C, 0, 0, canvas.width, canvas.height, 0)
    min_code_size = max(2, bits)
    data.append(min_code_size)
    packed = lzw_encode(indices, min_code_size)
    for i in range(0, len(packed), 255):
        chunk = packed[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


# --------------------------------------------------------------------------
# JPEG writer (baseline, YCbCr without subsampling, Huffman tables fitted to the image)

ZIGZAG = [
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
]

# Quantisation tables suggested for luminance and chrominance, in natural order.
LUMA_Q = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
]
CHROMA_Q = [
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
] + [99] * 32


def scaled_table(table, quality):
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return [min(255, max(1, (q * scale + 50) // 100)) for q in table]


COS = [[(math.sqrt(0.125) if u == 0 else 0.5) * math.cos((2 * x + 1) * u * math.pi / 16)
        for x in range(8)] for u in range(8)]


def fdct(block):
    """Two-dimensional DCT of 64 samples (row-major), separable."""
    rows = [[sum(COS[u][x] * block[y * 8 + x] for x in range(8)) for u in range(8)] for y in range(8)]
    return [sum(COS[v][y] * rows[y][u] for y in range(8)) for v in range(8) for u in range(8)]


def magnitude(value):
    """Size category and the bits that follow it for a DC difference or AC value."""
    size = abs(value).bit_length()
    bits = value if value >= 0 else value + (1 << size) - 1
    return size, bits


def huffman_table(freq):
    """Code lengths no longer than 16 and never all ones, from symbol counts
    (the procedure of the JPEG standard's annex K.2). Returns (bits, values)."""
    freq = list(freq) + [1]          # symbol 256 reserves the all-ones code
    size = [0] * 257
    others = [-1] * 257
    while True:
        candidates = sorted((f, -i) for i, f in enumerate(freq) if f > 0)
        if len(candidates) < 2:
            break
        v1, v2 = -candidates[0][1], -candidates[1][1]
        freq[v1] += freq[v2]
        freq[v2] = 0
        size[v1] += 1
        while others[v1] >= 0:
            v1 = others[v1]
            size[v1] += 1
        others[v1] = v2
        size[v2] += 1
        while others[v2] >= 0:
            v2 = others[v2]
            size[v2] += 1
    bits = [0] * 33
    for s in size:
        if s:
            bits[s] += 1
    for i in range(32, 16, -1):
        while bits[i] > 0:
            j = i - 2
            while bits[j] == 0:
                j -= 1
            bits[i] -= 2
            bits[i - 1] += 1
            bits[j + 1] += 2
            bits[j] -= 1
    i = 16
    while bits[i] == 0:
        i -= 1
    bits[i] -= 1
    values = [sym for length in range(1, 33) for sym in range(256) if size[sym] == length]
    return bits[1:17], values


def canonical_codes(bits, values):
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def write(self, value, length):
        self.acc = (self.acc << length) | (value & ((1 << length) - 1))
        self.nbits += length
        while self.nbits >= 8:
            byte = (self.acc >> (self.nbits - 8)) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)  # byte stuffing
            self.nbits -= 8
        self.acc &= (1 << self.nbits) - 1

    def flush(self):
        if self.nbits:
            self.write((1 << (8 - self.nbits)) - 1, 8 - self.nbits)
        return bytes(self.out)


def jpeg_bytes(canvas, quality=90):
    w, h = canvas.width, canvas.height
    if w % 8 or h % 8:
        raise ValueError("JPEG canvas sides must be multiples of 8")
    tables = [scaled_table(LUMA_Q, quality), scaled_table(CHROMA_Q, quality)]
    planes = [[], [], []]
    for r, g, b, _ in canvas.pixels:
        planes[0].append(0.299 * r + 0.587 * g + 0.114 * b - 128)
        planes[1].append(-0.168736 * r - 0.331264 * g + 0.5 * b)
        planes[2].append(0.5 * r - 0.418688 * g - 0.081312 * b)

    # Pass 1: quantised coefficients as (component, DC size and bits, AC symbols).
    symbols = []
    previous_dc = [0, 0, 0]
    for by in range(0, h, 8):
        for bx in range(0, w, 8):
            for comp in range(3):
                plane = planes[comp]
                block = [plane[(by + y) * w + bx + x] for y in range(8) for x in range(8)]
                coef = fdct(block)
                q = tables[0 if comp == 0 else 1]
                zz = [int(round(coef[ZIGZAG[i]] / q[ZIGZAG[i]])) for i in range(64)]
                dc_size, dc_bits = magnitude(zz[0] - previous_dc[comp])
                previous_dc[comp] = zz[0]
                ac = []
                run = 0
                for value in zz[1:]:
                    if value == 0:
                        run += 1
                        continue
                    while run > 15:
                        ac.append((0xF0, 0, 0))
                        run -= 16
                    size, bits = magnitude(value)
                    ac.append(((run << 4) | size, size, bits))
                    run = 0
                if run:
                    ac.append((0x00, 0, 0))
                symbols.append((comp, dc_size, dc_bits, ac))

    # Huffman tables: 0 for luminance, 1 for chrominance.
    dc_freq = [[0] * 256, [0] * 256]
    ac_freq = [[0] * 256, [0] * 256]
    for comp, dc_size, _, ac in symbols:
        t = 0 if comp == 0 else 1
        dc_freq[t][dc_size] += 1
        for sym, _, _ in ac:
            ac_freq[t][sym] += 1
    dc_tables = [huffman_table(f) for f in dc_freq]
    ac_tables = [huffman_table(f) for f in ac_freq]
    dc_codes = [canonical_codes(*t) for t in dc_tables]
    ac_codes = [canonical_codes(*t) for t in ac_tables]

    writer = BitWriter()
    for comp, dc_size, dc_bits, ac in symbols:
        t = 0 if comp == 0 else 1
        code, length = dc_codes[t][dc_size]
        writer.write(code, length)
        if dc_size:
            writer.write(dc_bits, dc_size)
        for sym, size, bits in ac:
            code, length = ac_codes[t][sym]
            writer.write(code, length)
            if size:
                writer.write(bits, size)
    scan = writer.flush()

    def segment(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    out = bytearray(b"\xFF\xD8")
    out += segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    for tid, table in enumerate(tables):
        out += segment(0xDB, bytes([tid]) + bytes(table[ZIGZAG[i]] for i in range(64)))
    out += segment(0xC0, struct.pack(">BHHB", 8, h, w, 3)
                   + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for cls, group in ((0, dc_tables), (1, ac_tables)):
        for tid, (bits, values) in enumerate(group):
            out += segment(0xC4, bytes([(cls << 4) | tid]) + bytes(bits) + bytes(values))
    out += segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += scan
    out += b"\xFF\xD9"
    return bytes(out)


# --------------------------------------------------------------------------
# Tree images: 18 x 18, the branch point at (8, 9)

TREE = 18
CX, CY = 8, 9
LINE = rgb("#A3AFBB")
BOX_BORDER = rgb("#7D8B99")
BOX_FILL = rgb("#FFFFFF")
BOX_SHADE = rgb("#E4EAF0")
SIGN = rgb("#24476B")


def tree_lines(up, down, right):
    c = Canvas(TREE, TREE)
    if up:
        c.vline(CX, 0, CY, LINE)
    if down:
        c.vline(CX, CY, TREE - 1, LINE)
    if right:
        c.hline(CX, TREE - 1, CY, LINE)
    return c


def node_box(c, sign):
    c.frame(CX - 4, CY - 4, CX + 4, CY + 4, BOX_BORDER, BOX_FILL)
    c.fill_rect(CX - 3, CY + 1, CX + 3, CY + 3, BOX_SHADE)
    c.hline(CX - 2, CX + 2, CY, SIGN)
    if sign == "plus":
        c.vline(CX, CY - 2, CY + 2, SIGN)
    return c


def tree_images():
    images = {
        "blank.gif": Canvas(TREE, TREE),
        "line.gif": tree_lines(True, True, False),
        "downangle.gif": tree_lines(False, True, True),
        "tshaped.gif": tree_lines(True, True, True),
        "upangle.gif": tree_lines(True, False, True),
        "sline.gif": tree_lines(False, False, True),
    }
    shapes = {"da": (False, True), "t": (True, True), "ua": (True, False), "s": (False, False)}
    for sign in ("plus", "minus"):
        images[sign + ".gif"] = node_box(Canvas(TREE, TREE), sign)
        for prefix, (up, down) in shapes.items():
            images[prefix + sign + ".gif"] = node_box(tree_lines(up, down, True), sign)
    return images


# --------------------------------------------------------------------------
# Contents icons: 18 x 18

PAPER = rgb("#FFFFFF")
PAPER_EDGE = rgb("#8593A3")
PAPER_FOLD = rgb("#DCE3EA")
TEXT_LINE = rgb("#A9B4C0")

QUESTION = [".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."]
EXCLAIM = ["#", "#", "#", "#", "#", ".", "#"]
INFO = ["#", ".", "#", "#", "#", "#", "#"]
STAR = ["..#..", "..#..", "#####", ".###.", ".#.#.", "#...#"]
CHECK = ["....#", "...##", "#.##.", "###..", ".#..."]


def shade(colour, factor):
    r, g, b, a = colour
    if factor >= 1:
        return (round(r + (255 - r) * (factor - 1)), round(g + (255 - g) * (factor - 1)),
                round(b + (255 - b) * (factor - 1)), a)
    return (round(r * factor), round(g * factor), round(b * factor), a)


def closed_book(cover, shaded=False):
    c = Canvas(TREE, TREE)
    dark = shade(cover, 0.6)
    c.fill_rect(4, 2, 14, 15, cover)
    if shaded:
        for x in range(5, 14):
            c.vline(x, 3, 13, shade(cover, 1 + 0.35 * (x - 5) / 8))
    c.frame(3, 1, 14, 16, dark)
    c.fill_rect(4, 2, 5, 15, dark)          # spine
    c.hline(6, 13, 14, PAPER)               # page block
    c.hline(6, 13, 15, PAPER_FOLD)
    c.fill_rect(8, 5, 12, 7, shade(cover, 1.6))  # label
    return c


def open_book(cover, shaded=False):
    c = Canvas(TREE, TREE)
    dark = shade(cover, 0.6)
    c.fill_rect(1, 13, 16, 15, cover)
    c.hline(1, 16, 15, dark)
    for side in (0, 1):
        x0, x1 = (2, 8) if side == 0 else (9, 15)
        for y in range(4, 14):
            tone = PAPER if not shaded else shade(rgb("#E9EEF3"), 1 + 0.8 * (y - 4) / 9)
            c.hline(x0, x1, y, tone)
        c.hline(x0, x1, 3, PAPER_EDGE)
        c.vline(x0 if side == 0 else x1, 3, 13, PAPER_EDGE)
        for y in (6, 8, 10):
            c.hline(x0 + 2, x1 - 2, y, TEXT_LINE)
    c.vline(8, 3, 14, dark)
    return c


def folder(body, is_open):
    c = Canvas(TREE, TREE)
    dark = shade(body, 0.65)
    c.fill_rect(2, 4, 7, 5, body)            # tab
    c.frame(1, 3, 8, 6, dark)
    c.frame(1, 5, 16, 15, dark, body)
    if is_open:
        c.fill_rect(4, 8, 16, 14, shade(body, 1.35))
        c.line(4, 8, 2, 15, dark)
        c.hline(4, 16, 8, dark)
        c.line(16, 8, 15, 15, dark)
    return c


def page(mark=None, mark_colour=None, band=None, lines=True):
    c = Canvas(TREE, TREE)
    c.frame(3, 1, 14, 16, PAPER_EDGE, PAPER)
    c.fill_rect(11, 1, 14, 4, CLEAR)         # folded corner
    c.line(11, 1, 14, 4, PAPER_EDGE)
    c.vline(11, 1, 4, PAPER_EDGE)
    c.hline(11, 14, 4, PAPER_EDGE)
    c.fill_rect(12, 2, 13, 3, PAPER_FOLD)
    c.put(13, 2, CLEAR)
    if band:
        c.fill_rect(4, 13, 13, 15, band)
    if lines:
        for y in (6, 8, 10, 12):
            if band and y >= 12:
                continue
            c.hline(5, 12 if y > 4 else 9, y, TEXT_LINE)
    if mark:
        width = len(mark[0])
        x0 = 9 - width // 2
        c.fill_rect(x0 - 1, 5, x0 + width, 12, PAPER)
        c.glyph(x0, 5, mark, mark_colour)
    return c


BOOK_BLUE = rgb("#2F6DB5")
BOOK_RED = rgb("#B83B3B")
FOLDER_YELLOW = rgb("#E6B443")
FOLDER_GREEN = rgb("#5E9E4A")
BAND_COLOURS = [rgb(c) for c in (
    "#2F6DB5", "#B83B3B", "#3C8D40", "#D08A1E", "#7B4FA8", "#1F8C8C", "#C2477F",
    "#6B7785", "#8C6A3E", "#4E9ED6", "#D4B52A", "#2E4A7A", "#9C2F2F", "#5A8F29", "#E07040")]


def contents_icons():
    icons = {
        1: closed_book(BOOK_BLUE), 2: open_book(BOOK_BLUE),
        3: closed_book(BOOK_RED), 4: open_book(BOOK_RED),
        5: folder(FOLDER_YELLOW, False), 6: folder(FOLDER_YELLOW, True),
        7: folder(FOLDER_GREEN, False), 8: folder(FOLDER_GREEN, True),
        9: page(QUESTION, BOOK_BLUE, lines=False), 10: page(QUESTION, BOOK_RED, lines=False),
        11: page(), 12: page(band=BOOK_RED),
    }
    marks = [None, INFO, EXCLAIM, STAR, CHECK]
    n = 13
    for k, colour in enumerate(BAND_COLOURS):
        icons[n] = page(band=colour)
        mark = marks[1 + k % 4]
        icons[n + 1] = page(mark, colour, lines=False)
        n += 2
    assert n - 1 == 42
    return {"%d.gif" % k: v for k, v in icons.items()}


def shaded_icons():
    return {"1.gif": closed_book(BOOK_BLUE, shaded=True),
            "2.gif": open_book(BOOK_BLUE, shaded=True),
            "11.gif": shaded_page()}


def shaded_page():
    c = page()
    for y in range(2, 16):
        for x in range(4, 14):
            if c.get(x, y) == PAPER:
                c.put(x, y, shade(rgb("#E6ECF2"), 1 + 0.9 * (1 - (x + y - 6) / 24)))
    return c


# --------------------------------------------------------------------------
# Toolbar buttons: 20 x 20, a light rounded tile that reads on any banner colour

BUTTON = 20
TILE = rgb("#F7F9FB")
TILE_EDGE = rgb("#B4C0CC")
INK = rgb("#24476B")


def tile():
    c = Canvas(BUTTON, BUTTON)
    c.frame(0, 0, BUTTON - 1, BUTTON - 1, TILE_EDGE, TILE)
    for x, y in ((0, 0), (BUTTON - 1, 0), (0, BUTTON - 1), (BUTTON - 1, BUTTON - 1)):
        c.put(x, y, CLEAR)
    c.hline(1, BUTTON - 2, BUTTON - 2, rgb("#E3E9EF"))
    return c


def toolbar_images():
    show_all = tile()
    show_all.frame(5, 5, 14, 14, INK)
    show_all.hline(7, 12, 9, INK)
    show_all.hline(7, 12, 10, INK)
    show_all.vline(9, 7, 12, INK)
    show_all.vline(10, 7, 12, INK)

    hide_all = tile()
    hide_all.frame(5, 5, 14, 14, INK)
    hide_all.hline(7, 12, 9, INK)
    hide_all.hline(7, 12, 10, INK)

    previous = tile()
    following = tile()
    for i in range(6):
        previous.vline(6 + i, 9 - i, 10 + i, INK)
        following.vline(13 - i, 9 - i, 10 + i, INK)
    previous.fill_rect(12, 8, 14, 11, INK)
    following.fill_rect(5, 8, 7, 11, INK)

    printer = tile()
    printer.frame(6, 3, 13, 8, INK, PAPER)          # paper in
    printer.frame(3, 7, 16, 13, INK, rgb("#9FB0C2"))
    printer.put(14, 9, rgb("#3C8D40"))
    printer.frame(6, 11, 13, 16, INK, PAPER)        # paper out
    printer.hline(8, 11, 13, TEXT_LINE)
    printer.hline(8, 11, 15, TEXT_LINE)
    return {"showall.gif": show_all, "hideall.gif": hide_all, "previous.gif": previous,
            "next.gif": following, "print.gif": printer}


# --------------------------------------------------------------------------
# Banner backgrounds: 256 x 64, every pattern repeats across 256 pixels

BG_W, BG_H = 256, 64


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3)) + (255,)


def background(top, bottom, pattern, strength):
    top, bottom = rgb(top), rgb(bottom)
    c = Canvas(BG_W, BG_H)
    for y in range(BG_H):
        base = mix(top, bottom, y / (BG_H - 1))
        for x in range(BG_W):
            p = pattern(x, y)
            c.put(x, y, mix(base, (255, 255, 255) if p > 0 else (0, 0, 0), abs(p) * strength))
    return c


def backgrounds():
    tau = 2 * math.pi
    patterns = [
        ("#1D4E89", "#0B2545", lambda x, y: 0.0, 0),
        ("#1B6F74", "#0C3B40", lambda x, y: math.sin(tau * (x / 64 + y / 32)), 0.06),
        ("#3E4C5E", "#202833", lambda x, y: 1.0 if (x + y) % 16 < 2 else 0.0, 0.07),
        ("#4B2E6F", "#241338", lambda x, y: math.sin(tau * x / 128) * math.cos(tau * y / 64), 0.08),
        ("#2F6B35", "#173719", lambda x, y: 1.0 if (x % 16 - 8) ** 2 + (y % 16 - 8) ** 2 < 5 else 0.0, 0.08),
        ("#7A2323", "#3D0F0F", lambda x, y: -1.0 if (x - y) % 32 < 16 else 0.0, 0.08),
        ("#2B2F36", "#14171B", lambda x, y: 1.0 if y % 4 == 0 else 0.0, 0.05),
        ("#0F2F5C", "#061833", lambda x, y: 1.0 if abs(y - 32 - 12 * math.sin(tau * x / 256)) < 1.5 else 0.0, 0.18),
        ("#6B4A2B", "#3A2714", lambda x, y: 1.0 if (x % 8 == 0 and y % 8 == 0) else 0.0, 0.2),
    ]
    return {"back%d.jpg" % (i + 1): background(*p) for i, p in enumerate(patterns)}


# --------------------------------------------------------------------------


def write_all(root):
    groups = [("imgs", tree_images(), gif_bytes), ("icons", contents_icons(), gif_bytes),
              ("ricons", shaded_icons(), gif_bytes), ("images", toolbar_images(), gif_bytes),
              ("bg", backgrounds(), jpeg_bytes)]
    for folder_name, images, encode in groups:
        target = os.path.join(root, folder_name)
        os.makedirs(target, exist_ok=True)
        for name, canvas in sorted(images.items()):
            with open(os.path.join(target, name), "wb") as f:
                f.write(encode(canvas))
        print("%-7s %d images" % (folder_name, len(images)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "webhelp")
    write_all(root)


if __name__ == "__main__":
    main()
