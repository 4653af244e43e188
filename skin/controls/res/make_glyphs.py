#!/usr/bin/env python3
"""Draws the five 48 x 16 push-button glyph pictures (RGBA PNG) that the skinned controls keep in
their start-up image list: three 16 x 16 cells each (normal, hot, pressed), simple shapes with soft
alpha edges. Run from this folder; it rewrites SF.png, SR.png, SD.png, SE.png and SC.png."""
import struct
import zlib


def png(width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(pixels[y * width * 4:(y + 1) * width * 4]) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def shape(name, x, y):
    cx, cy = x - 7.5, y - 7.5
    if name == "SF":   # a right-pointing triangle
        return 3 <= x <= 12 and abs(cy) <= (x - 3) * 0.6
    if name == "SR":   # a ring
        return 4.0 <= (cx * cx + cy * cy) ** 0.5 <= 6.5
    if name == "SD":   # a down arrow
        return (6 <= x <= 9 and 2 <= y <= 8) or (y >= 8 and abs(cx) <= 13 - y)
    if name == "SE":   # a cross
        return abs(abs(cx) - abs(cy)) <= 1.2 and abs(cx) <= 5.5
    return abs(cx) <= 5.5 and abs(cy) <= 5.5 and not (abs(cx) <= 3.5 and abs(cy) <= 3.5)  # SC: a square frame


COLOURS = {"SF": (40, 150, 60), "SR": (40, 90, 200), "SD": (200, 120, 30), "SE": (200, 40, 40), "SC": (90, 90, 90)}

for name, (r, g, b) in COLOURS.items():
    pixels = []
    for y in range(16):
        for x in range(48):
            cell, cx = divmod(x, 16)
            inside = shape(name, cx, y)
            light = (0, 40, -30)[cell]
            pixels += [max(0, min(255, r + light)), max(0, min(255, g + light)), max(0, min(255, b + light)),
                       255 if inside else 0]
    with open(name + ".png", "wb") as out:
        out.write(png(48, 16, pixels))
