#!/usr/bin/env python3
"""Draws the two form-shadow templates (RGBA PNG) that the skin manager reads at start-up:
acSHDA.png for the active form, acSHDI.png for an inactive one. Each is a black soft shadow around
a transparent 10 x 10 centre that stands for the form: 11 pixels of shadow on the left and right, 7
at the top and 11 at the bottom, fading out with the distance from the form. Run from this folder;
it rewrites both files."""
import struct
import zlib

LEFT, TOP, RIGHT, BOTTOM, CENTRE = 11, 7, 11, 11, 10
WIDTH, HEIGHT = LEFT + CENTRE + RIGHT, TOP + CENTRE + BOTTOM


def png(width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(pixels[y * width * 4:(y + 1) * width * 4]) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def shadow(strength):
    pixels = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            # Distance from the form's rectangle, measured against the margin on that side.
            dx = (LEFT - x) / LEFT if x < LEFT else (x - LEFT - CENTRE + 1) / RIGHT if x >= LEFT + CENTRE else 0
            dy = (TOP - y) / TOP if y < TOP else (y - TOP - CENTRE + 1) / BOTTOM if y >= TOP + CENTRE else 0
            d = min(1.0, (dx * dx + dy * dy) ** 0.5)
            inside = dx == 0 and dy == 0
            alpha = 0 if inside else int(round(strength * (1 - d) ** 2))
            pixels += [0, 0, 0, alpha]
    return pixels


for name, strength in (("acSHDA", 110), ("acSHDI", 60)):
    with open(name + ".png", "wb") as out:
        out.write(png(WIDTH, HEIGHT, shadow(strength)))
