#!/usr/bin/env python3
"""Writes the small pictures the image decoders are tested with, into this folder.

Every lossless file holds the same 6 x 4 picture PICTURE (indices into PALETTE),
except mono.bmp (black and white) and alpha*.png (transparency over white). The JPEG
files hold a smooth 16 x 16 picture (gradient()), encoded by libjpeg through a few
lines of C compiled on the fly (cc and libjpeg's headers are needed for those).
"""
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PALETTE = [  # red, green, blue
    (0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 255, 0),
    (0, 0, 255), (255, 255, 0), (255, 0, 255), (0, 255, 255),
]
PICTURE = [
    [2, 2, 3, 3, 4, 4],
    [5, 0, 1, 6, 7, 2],
    [1, 4, 0, 3, 2, 5],
    [7, 6, 5, 4, 3, 1],
]
W, H = 6, 4


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---- BMP ---------------------------------------------------------------------------

def bmp(bits, rows_bytes, palette=b"", header=40, compression=0, masks=b"", top_down=False,
        width=W, height=H):
    """rows_bytes: the pixel rows top row first, unpadded."""
    stride = (bits * width + 31) // 32 * 4
    rows = [r + b"\0" * (stride - len(r)) for r in rows_bytes]
    if not top_down:
        rows = rows[::-1]
    pixels = b"".join(rows)
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, -height if top_down else height, 1,
                           bits, compression, len(pixels), 2835, 2835,
                           len(palette) // (3 if header == 12 else 4), 0)
        if header > 40:  # the masks live inside the longer headers
            info += masks.ljust(header - 40, b"\0")
            masks = b""
    offset = 14 + len(info) + len(masks) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + masks + palette + pixels


def palette_bytes(colors, entry=4):
    return b"".join(bytes((b, g, r) + ((0,) if entry == 4 else ())) for r, g, b in colors)


def packed(indices, bits):
    out, acc, n = bytearray(), 0, 0
    for i in indices:
        acc = (acc << bits) | i
        n += bits
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def rgb_rows(fmt):
    return [b"".join(fmt(*PALETTE[i]) for i in row) for row in PICTURE]


def bmp_files():
    write("pic24.bmp", bmp(24, rgb_rows(lambda r, g, b: bytes((b, g, r)))))
    write("pic8-topdown.bmp", bmp(8, [bytes(row) for row in PICTURE], palette_bytes(PALETTE),
                                  top_down=True))
    write("pic4.bmp", bmp(4, [packed(row, 4) for row in PICTURE], palette_bytes(PALETTE)))
    # Core headers have no colour count: the table holds all 256 entries.
    write("pic8-core.bmp", bmp(8, [bytes(row) for row in PICTURE],
                               palette_bytes(PALETTE + [(0, 0, 0)] * 248, 3), header=12))
    masks = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
    write("pic32-bitfields.bmp",
          bmp(32, rgb_rows(lambda r, g, b: struct.pack("<I", (r << 16) | (g << 8) | b | 0x5A000000)),
              compression=3, masks=masks))
    masks565 = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    write("pic16-565-v5.bmp",
          bmp(16, rgb_rows(lambda r, g, b: struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))),
              header=124, compression=3, masks=masks565))
    write("pic16-555.bmp",
          bmp(16, rgb_rows(lambda r, g, b: struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)))))
    # Black and white, 9 pixels wide so a row spans two bytes.
    mono = [[(x + y) % 2 for x in range(9)] for y in range(3)]
    write("mono.bmp", bmp(1, [packed(row, 1) for row in mono],
                          palette_bytes([(0, 0, 0), (255, 255, 255)]), width=9, height=3))


# ---- PNG ---------------------------------------------------------------------------

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, color_type, bit_depth, scanlines, extra=b"", interlace=0):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, color_type, 0, 0, interlace)
    raw = b"".join(b"\0" + line for line in scanlines)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def adam7(pixels, width, height, bytes_per_pixel):
    """Scanlines of the seven interlace passes; pixels[y][x] are byte strings."""
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
              (0, 1, 1, 2)]
    lines = []
    for x0, y0, dx, dy in passes:
        for y in range(y0, height, dy):
            line = b"".join(pixels[y][x] for x in range(x0, width, dx))
            if line:
                lines.append(line)
    return lines


def png_files():
    write("pic.png", png(W, H, 2, 8, rgb_rows(lambda r, g, b: bytes((r, g, b)))))
    plte = chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE))
    write("pic-palette.png", png(W, H, 3, 8, [bytes(row) for row in PICTURE], plte))
    rgba = [[bytes(PALETTE[i]) + b"\xff" for i in row] for row in PICTURE]
    write("pic-interlaced.png", png(W, H, 6, 8, adam7(rgba, W, H, 4), interlace=1))
    # Red opaque and half transparent; blue fully transparent; green a quarter opaque.
    alpha = [[(255, 0, 0, 255), (255, 0, 0, 128)], [(0, 0, 255, 0), (0, 255, 0, 64)]]
    write("alpha.png", png(2, 2, 6, 8, [bytes(sum(row, ())) for row in alpha]))
    # The same in 16 bits a channel (each byte twice), and interlaced.
    write("alpha16.png", png(2, 2, 6, 16, [bytes(b for v in sum(row, ()) for b in (v, v))
                                           for row in alpha]))
    write("alpha-interlaced.png",
          png(2, 2, 6, 8, adam7([[bytes(p) for p in row] for row in alpha], 2, 2, 4), interlace=1))
    # 60000 x 60000 claimed, one row of data: must be refused before decoding.
    write("huge.png", png(60000, 60000, 0, 8, [bytes(60000)]))
    # Within 64 megapixels, but more rows or columns than any picture may have.
    write("tall.png", png(1, 1 << 26, 0, 8, [bytes(1)]))
    write("wide.png", png(70000, 1, 0, 8, [bytes(70000)]))


# ---- JPEG --------------------------------------------------------------------------

JPEG_WRITER = r"""
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
/* jpeg_writer OUT QUALITY PROGRESSIVE GRAY < width height rgb... */
int main(int argc, char** argv) {
  struct jpeg_compress_struct c; struct jpeg_error_mgr e;
  int w, h, gray = atoi(argv[4]);
  if (scanf("%d %d", &w, &h) != 2) return 1;
  unsigned char* rgb = malloc((size_t)w * h * 3);
  for (int i = 0; i < w * h * 3; ++i) { int v; if (scanf("%d", &v) != 1) return 1; rgb[i] = v; }
  FILE* f = fopen(argv[1], "wb");
  c.err = jpeg_std_error(&e); jpeg_create_compress(&c); jpeg_stdio_dest(&c, f);
  c.image_width = w; c.image_height = h; c.input_components = 3; c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c); jpeg_set_quality(&c, atoi(argv[2]), TRUE);
  if (gray) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
  if (atoi(argv[3])) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = rgb + (size_t)c.next_scanline * w * 3; jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c); fclose(f); return 0;
}
"""


def gradient(x, y):
    """The smooth 16 x 16 picture of the JPEG files: hard edges would show how
    differently decoders upsample colour, which is theirs to choose."""
    return (16 * x + 8, 16 * y + 8, 128 + 6 * (x - y))


def jpeg_files():
    numbers = "16 16 " + " ".join(str(v) for y in range(16) for x in range(16)
                                  for v in gradient(x, y))
    with tempfile.TemporaryDirectory() as tmp:
        exe = os.path.join(tmp, "jpeg_writer")
        src = exe + ".c"
        with open(src, "w") as f:
            f.write(JPEG_WRITER)
        subprocess.run(["cc", "-O1", src, "-o", exe, "-ljpeg"], check=True)
        for name, quality, progressive, gray in [("pic.jpg", 95, 0, 0),
                                                 ("pic-progressive.jpeg", 90, 1, 0),
                                                 ("gray.jpg", 90, 0, 1)]:
            subprocess.run([exe, os.path.join(HERE, name), str(quality), str(progressive),
                            str(gray)], input=numbers.encode(), check=True)


def huge_files():
    # Sizes no picture may have, each claimed by an otherwise ordinary file.
    data = bytearray(open(os.path.join(HERE, "pic24.bmp"), "rb").read())
    struct.pack_into("<ii", data, 18, 100000, 100000)
    write("huge.bmp", bytes(data))
    data = bytearray(open(os.path.join(HERE, "pic.jpg"), "rb").read())
    sof = data.index(b"\xff\xc0")
    struct.pack_into(">HH", data, sof + 5, 65000, 65000)
    write("huge.jpg", bytes(data))


if __name__ == "__main__":
    bmp_files()
    png_files()
    jpeg_files()
    huge_files()
