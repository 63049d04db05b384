#!/usr/bin/env python3
"""Draws the program icon (a clock face whose hands point at a red power
mark) at 16, 20, 24, 32, 40, 48 and 64 pixels and writes Quillaberton.ico
with 32-bit DIB images. Standard library only; run: python3 make_icon.py [out.ico]"""
import math
import struct
import sys

SIZES = (16, 20, 24, 32, 40, 48, 64)
SUPER = 4  # samples per pixel edge


def over(dst, src):
    """Source-over blend of straight-alpha RGBA floats."""
    sa = src[3]
    da = dst[3] * (1 - sa)
    a = sa + da
    if a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((src[i] * sa + dst[i] * da) / a for i in range(3)) + (a,)


def seg_dist(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)
    t = max(0.0, min(1.0, t))
    dx, dy = px - (ax + t * vx), py - (ay + t * vy)
    return math.hypot(dx, dy)


def shade(x, y):
    """Colour at a point of the unit square [0,1]^2 (y down)."""
    cx, cy = x - 0.5, y - 0.5
    r = math.hypot(cx, cy)
    c = (0.0, 0.0, 0.0, 0.0)
    if r <= 0.47:  # rim
        c = over(c, (0.10, 0.18, 0.40, 1.0))
    if r <= 0.40:  # face, lighter towards the top left
        g = 0.92 - 0.25 * (cx + cy)
        c = over(c, (min(1, g), min(1, g), 1.0, 1.0))
    if r <= 0.40:
        # hour ticks
        for k in range(12):
            a = k * math.pi / 6
            tx, ty = math.sin(a), -math.cos(a)
            if seg_dist(cx, cy, tx * 0.31, ty * 0.31, tx * 0.37, ty * 0.37) < 0.022:
                c = over(c, (0.10, 0.18, 0.40, 1.0))
        # power mark at twelve: an open ring with a bar
        pr = math.hypot(cx, cy + 0.17)
        ang = math.degrees(math.atan2(cx, -(cy + 0.17)))
        if abs(pr - 0.09) < 0.022 and abs(ang) > 40:
            c = over(c, (0.85, 0.10, 0.10, 1.0))
        if seg_dist(cx, cy, 0.0, -0.30, 0.0, -0.17) < 0.022:
            c = over(c, (0.85, 0.10, 0.10, 1.0))
        # hands: hour hand to ten, minute hand to twelve's mark
        if seg_dist(cx, cy, 0.0, 0.0, -0.17, -0.10) < 0.035:
            c = over(c, (0.05, 0.05, 0.12, 1.0))
        if seg_dist(cx, cy, 0.0, 0.0, 0.0, -0.05) < 0.03 or math.hypot(cx, cy) < 0.045:
            c = over(c, (0.05, 0.05, 0.12, 1.0))
    return c


def render(n):
    rows = []
    for py in range(n):
        row = []
        for px in range(n):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUPER):
                for sx in range(SUPER):
                    r, g, b, a = shade((px + (sx + 0.5) / SUPER) / n, (py + (sy + 0.5) / SUPER) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            k = SUPER * SUPER
            a = acc[3] / k
            if a > 0:
                rgb = [acc[i] / acc[3] for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append(tuple(int(round(v * 255)) for v in rgb) + (int(round(a * 255)),))
        rows.append(row)
    return rows


def dib(n, rows):
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "Quillaberton.ico"
    images = [dib(n, render(n)) for n in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, img in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        data += img
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
