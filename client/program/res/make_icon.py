#!/usr/bin/env python3
"""Draws the program's icon, client.ico: a blue rounded square with a white arrow rising to the
upper right (the accelerated line), at 16, 32 and 48 pixels, 32 bits with alpha.

Run it from this folder when the picture changes: python3 make_icon.py
"""
import struct


def inside_rounded(x, y, size, radius):
    # Distance-based coverage of a rounded square, sampled 4 x 4 per pixel for smooth edges.
    hits = 0
    for sy in range(4):
        for sx in range(4):
            px = x + (sx + 0.5) / 4
            py = y + (sy + 0.5) / 4
            cx = min(max(px, radius), size - radius)
            cy = min(max(py, radius), size - radius)
            if (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2:
                hits += 1
    return hits / 16


def on_arrow(x, y, size):
    # A thick stroke from the lower left to the upper right, with a head at its end.
    u = (x + 0.5) / size
    v = 1 - (y + 0.5) / size
    width = 0.09
    on_shaft = abs(v - u) < width * 1.4 and 0.18 < u < 0.72
    head = u > 0.50 and v > 0.50 and u < 0.84 and v < 0.84 and (u + v) > 1.28
    return on_shaft or head


def pixels(size):
    rows = []
    radius = size * 0.22
    for y in range(size):
        row = []
        for x in range(size):
            cover = inside_rounded(x, y, size, radius)
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            # Blue, lighter towards the top.
            shade = 1 - y / size
            b, g, r = int(200 + 55 * shade), int(110 + 60 * shade), int(20 + 30 * shade)
            if on_arrow(x, y, size):
                b, g, r = 255, 255, 255
            row.append((b, g, r, int(255 * cover)))
        rows.append(row)
    return rows


def dib(size):
    rows = pixels(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes(p) for row in reversed(rows) for p in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def main():
    sizes = [16, 32, 48]
    images = [dib(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b''.join(images)
    with open('client.ico', 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
