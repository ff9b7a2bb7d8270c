#!/usr/bin/env python3
"""Writes the options dialog's icon (src/config/win32/kestril.ico): a small plan drawn
in white on a blueprint-blue sheet, at 16 x 16 and 32 x 32, 32-bit with alpha."""
import math
import struct
import sys

BLUE = (0x93, 0x3A, 0x1F, 0xFF)   # BGRA
EDGE = (0x5C, 0x22, 0x10, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF, 0xFF)
CLEAR = (0, 0, 0, 0)


def draw(n):
    px = [[CLEAR] * n for _ in range(n)]
    s = n / 32.0

    def put(x, y, c):
        if 0 <= x < n and 0 <= y < n:
            px[y][x] = c

    def line(x0, y0, x1, y1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * s) + 1
        for i in range(steps + 1):
            t = i / steps
            put(round((x0 + (x1 - x0) * t) * s), round((y0 + (y1 - y0) * t) * s), WHITE)

    for y in range(n):
        for x in range(n):
            edge = x in (0, n - 1) or y in (0, n - 1)
            corner = (x in (0, n - 1)) and (y in (0, n - 1))
            px[y][x] = CLEAR if corner else (EDGE if edge else BLUE)
    # walls of a room with a door swing and a window
    line(6, 8, 26, 8)
    line(26, 8, 26, 25)
    line(26, 25, 6, 25)
    line(6, 25, 6, 17)
    line(6, 8, 6, 12)
    line(6, 12, 11, 12)
    for a in range(0, 91, 6):
        r = math.radians(a)
        put(round((6 + 5 * math.cos(r)) * s), round((17 - 5 * math.sin(r)) * s), WHITE)
    line(15, 8, 15, 17)
    line(15, 17, 26, 17)
    return px


def image(n):
    px = draw(n)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes(b for p in px[y] for b in p) for y in reversed(range(n)))
    mask_stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(n)):
        row = bytearray(mask_stride)
        for x in range(n):
            if px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + rows + bytes(mask)


def main(path):
    sizes = [16, 32]
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/config/win32/kestril.ico")
