#!/usr/bin/env python3
"""Draws the program icon: a round blue badge bearing an orange cross.

Run from anywhere:   python3 resources/make-icon.py [OUTPUT_DIR]
(OUTPUT_DIR defaults to the directory of this script.)

Writes
  icon.ico  two 16 x 16 BMP images: 8 bits per pixel with a 256-entry
            palette and an AND mask, then 32-bit BGRA with straight alpha
            (plus the AND mask).  Used for the Windows executable.
  icon.png  the same drawing at 48 x 48, RGBA, for the window icon on Linux.
  icons/N.png  the same drawing at N x N (16, 32, 48, 64, 128 and 256), RGBA,
            installed into the user's hicolor icon theme for the menu entry.

Needs nothing but python3 and its standard library.  The artwork is
described in a 16 x 16 unit square and sampled 8 x 8 times per pixel, so
each size gets its own anti-aliasing; output is byte-for-byte repeatable.
"""

import os
import struct
import sys
import zlib

SAMPLES = 8                      # per pixel, along each axis

CENTRE = 8.0
RADIUS = 7.5                     # badge, in units of the 16 x 16 grid
RIM = 0.9                        # width of the darker ring
ARM_HALF_WIDTH = 2.0             # cross arms are 4 units wide ...
ARM_HALF_LENGTH = 5.0            # ... and 10 units long
SHADOW_OFFSET = 0.6
SHADOW_ALPHA = 0.45
THEME_SIZES = (16, 32, 48, 64, 128, 256)

RIM_COLOUR = (20, 52, 128)
BADGE_LIGHT = (104, 166, 246)    # towards the upper left
BADGE_DARK = (28, 84, 192)       # towards the lower right
SHADOW_COLOUR = (8, 24, 70)
CROSS_TOP = (255, 182, 72)
CROSS_BOTTOM = (240, 110, 12)


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def in_cross(x, y, inset=0.0):
    dx, dy = abs(x - CENTRE), abs(y - CENTRE)
    w, l = ARM_HALF_WIDTH - inset, ARM_HALF_LENGTH - inset
    return (dx < w and dy < l) or (dx < l and dy < w)


def sample(x, y):
    """Straight RGBA (0..1 alpha) of the artwork at a point of the 16-grid."""
    r = ((x - CENTRE) ** 2 + (y - CENTRE) ** 2) ** 0.5
    if r >= RADIUS:
        return (0.0, 0.0, 0.0, 0.0)
    if r >= RADIUS - RIM:
        return RIM_COLOUR + (1.0,)
    # Light falls from the upper left.
    glow = ((x - 5.0) ** 2 + (y - 4.5) ** 2) ** 0.5 / 9.0
    colour = mix(BADGE_LIGHT, BADGE_DARK, glow)
    if in_cross(x - SHADOW_OFFSET, y - SHADOW_OFFSET):
        colour = mix(colour, SHADOW_COLOUR, SHADOW_ALPHA)
    if in_cross(x, y):
        top = CENTRE - ARM_HALF_LENGTH
        colour = mix(CROSS_TOP, CROSS_BOTTOM, (y - top) / (2 * ARM_HALF_LENGTH))
    return colour + (1.0,)


def render(size):
    """Rows of straight (r, g, b, a) byte tuples, top row first."""
    scale = 16.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    r, g, b, a = sample(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            row.append(tuple(int(c / acc[3] + 0.5) for c in acc[:3])
                       + (int(alpha * 255 + 0.5),))
        rows.append(row)
    return rows


# ------------------------------------------------------------------- ICO --

def and_mask(rows, transparent):
    """1-bpp mask, bottom-up, rows padded to 32 bits; 1 = let screen through."""
    size = len(rows)
    stride = (size + 31) // 32 * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if transparent(px):
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def bmp_header(size, bits, image_bytes, colours):
    # Icon DIBs store twice the height: the colour image, then the mask.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0,
                       image_bytes, 0, 0, colours, 0)


def dib_8bpp(rows):
    """Palettised image; pixels at most half covered become mask holes."""
    def hole(px):
        return px[3] <= 128

    colours = sorted({px[:3] for row in rows for px in row if not hole(px)})
    palette = [(0, 0, 0)] + [c for c in colours if c != (0, 0, 0)]
    if len(palette) > 256:
        raise SystemExit("16 x 16 drawing needs more than 256 colours")
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {c: i for i, c in reversed(list(enumerate(palette)))}
    size = len(rows)
    stride = (size + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            line[x] = 0 if hole(px) else index[px[:3]]
        pixels += line
    mask = and_mask(rows, hole)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return bmp_header(size, 8, len(pixels) + len(mask), 256) + table + pixels + mask


def dib_32bpp(rows):
    """BGRA with straight alpha; the mask only marks fully clear pixels."""
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a)) if a else bytes(4)
    mask = and_mask(rows, lambda px: px[3] == 0)
    size = len(rows)
    return bmp_header(size, 32, len(pixels) + len(mask), 0) + pixels + mask


def write_ico(path, images):
    """images: list of (size, bits per pixel, DIB bytes)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, dib in images:
        colour_count = 0        # 0 means "256 or more"
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0,
                           1, bits, len(dib), offset)
        offset += len(dib)
    for _, _, dib in images:
        out += dib
    with open(path, "wb") as f:
        f.write(out)
    return len(out)


# ------------------------------------------------------------------- PNG --

def write_png(path, rows):
    size = len(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for row in rows:
        raw.append(0)                                   # filter: none
        for px in row:
            raw += bytes(px)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
           + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)
    return len(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else here
    small = render(16)
    ico = os.path.join(outdir, "icon.ico")
    n = write_ico(ico, [(16, 8, dib_8bpp(small)), (16, 32, dib_32bpp(small))])
    print(f"{ico}: 16x16 8bpp + 16x16 32bpp, {n} bytes")
    png = os.path.join(outdir, "icon.png")
    n = write_png(png, render(48))
    print(f"{png}: 48x48 RGBA, {n} bytes")
    os.makedirs(os.path.join(outdir, "icons"), exist_ok=True)
    for size in THEME_SIZES:
        png = os.path.join(outdir, "icons", f"{size}.png")
        n = write_png(png, render(size))
        print(f"{png}: {size}x{size} RGBA, {n} bytes")


if __name__ == "__main__":
    main()
