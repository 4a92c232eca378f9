#!/usr/bin/env python3
"""Draws the previous/next button images of the built-in page templates.

Each template folder gets btn_prev_n.png and btn_next_n.png (the active
buttons) and btn_prev_g.png and btn_next_g.png (the grey forms shown on the
first and last page). The images are drawn here, pixel by pixel, and written
as PNG with zlib, so nothing outside Python's standard library is needed.

Run from the repository root:  python3 scripts/make-template-images.py
"""
import math
import os
import struct
import zlib

SIZE = 24
SCALE = 4  # supersampling for smooth edges

ACTIVE = ((0x2B, 0x6C, 0xB0), (0x1E, 0x4F, 0x85))   # fill top, fill bottom
GREY = ((0xC9, 0xCE, 0xD4), (0xB0, 0xB6, 0xBD))
ARROW = (0xFF, 0xFF, 0xFF)

TEMPLATE_FOLDERS = ["data/templates/fixedtop", "data/templates/standard1"]


def png(width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def inside_circle(x, y):
    c = SIZE / 2.0
    return (x - c) ** 2 + (y - c) ** 2 <= (SIZE / 2.0 - 0.5) ** 2


def inside_arrow(x, y, pointing_left):
    # A chevron pointing right (mirrored for "previous"): two thick strokes
    # meeting at the tip on the middle line.
    c = SIZE / 2.0
    if pointing_left:
        x = SIZE - x
    tip_x, half = c + 3.0, 6.0
    d = abs(y - c)
    if d > half:
        return False
    return abs(x - (tip_x - d)) <= 1.8


def draw(colours, pointing_left):
    top, bottom = colours
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            cov_circle = cov_arrow = 0
            for sy in range(SCALE):
                for sx in range(SCALE):
                    x = px + (sx + 0.5) / SCALE
                    y = py + (sy + 0.5) / SCALE
                    if inside_circle(x, y):
                        cov_circle += 1
                        if inside_arrow(x, y, pointing_left):
                            cov_arrow += 1
            n = SCALE * SCALE
            if cov_circle == 0:
                row += [0, 0, 0, 0]
                continue
            t = py / (SIZE - 1)
            fill = [round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)]
            a = cov_arrow / cov_circle
            colour = [round(fill[i] * (1 - a) + ARROW[i] * a) for i in range(3)]
            row += colour + [round(255 * cov_circle / n)]
        rows.append(row)
    return png(SIZE, SIZE, rows)


def main():
    images = {
        "btn_prev_n.png": draw(ACTIVE, True),
        "btn_next_n.png": draw(ACTIVE, False),
        "btn_prev_g.png": draw(GREY, True),
        "btn_next_g.png": draw(GREY, False),
    }
    for folder in TEMPLATE_FOLDERS:
        os.makedirs(folder, exist_ok=True)
        for name, data in images.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
