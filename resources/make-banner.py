#!/usr/bin/env python3
"""Draws banner.gif, the "Vexmoor" title shown at the top of the main window,
and banner@2x.png, the same design drawn at twice the size for screens with
1.5 or 2 device pixels per pixel, with banner@2x.gif, that drawing in 256
colours for the Windows program.

Run from anywhere:   python3 resources/make-banner.py [OUTPUT]
(OUTPUT defaults to banner.gif next to this script; the double-size
renditions are written next to it, named like it with "@2x.png" and
"@2x.gif".)

Needs python3 (standard library only), ImageMagick's convert (package
imagemagick; only used to rasterise the lettering into an 8-bit coverage
mask) and DejaVu Serif Bold (package fonts-dejavu-core).  Set CONVERT or
BANNER_FONT in the environment to use other paths.

Everything else -- outline, shadow, gradient, palette and the GIF/LZW
encoding -- is done here, so the file layout never depends on the tools:
GIF89a, 400 x 100, a single full-canvas image, a 256-entry global colour
table, no local table, and a Graphic Control Extension marking index 255
as transparent.  Index 255 is kept out of the picture (the banner sits on
an opaque white ground); its table entry is white as well.  The double-size
rendition is an 8-bit RGB PNG of 800 x 200, every length of the design
(type size, outline, shadow) doubled, with all its colours; banner@2x.gif
is the same drawing laid out like banner.gif, 800 x 200.  Running the
script twice gives the same bytes.
"""

import os
import struct
import subprocess
import sys
import zlib

WIDTH, HEIGHT = 400, 100
TRANSPARENT = 255
WHITE = (255, 255, 255)

CONVERT = os.environ.get("CONVERT", "/usr/bin/convert")
FONT = os.environ.get("BANNER_FONT",
                      "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf")
TITLE = "Vexmoor"
POINT_SIZE = 66

OUTLINE_RADIUS = 2.6
SHADOW_OFFSET = (3, 3)
SHADOW_BLUR = 2
SHADOW_OPACITY = 0.40

OUTLINE_COLOUR = (27, 32, 58)      # deep navy
SHADOW_COLOUR = (40, 44, 70)
# Fill gradient, top to bottom of the lettering: pale gold -> amber -> ember.
GRADIENT = [(0.00, (255, 236, 140)),
            (0.45, (250, 170, 40)),
            (1.00, (196, 62, 24))]


# ---------------------------------------------------------------- raster --

def render_text_mask(scale):
    """Coverage of the lettering, one byte per pixel, row-major."""
    cmd = [CONVERT, "-size", f"{WIDTH * scale}x{HEIGHT * scale}", "xc:black",
           "-font", FONT, "-pointsize", str(POINT_SIZE * scale),
           "-fill", "white", "-gravity", "center",
           "-annotate", f"+0-{2 * scale}", TITLE,
           "-colorspace", "gray", "-depth", "8", "gray:-"]
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    if len(data) != WIDTH * HEIGHT * scale * scale:
        sys.exit(f"unexpected mask size {len(data)} from {CONVERT}")
    return [b / 255.0 for b in data]


def dilate(mask, radius, width, height):
    """Grows the mask by a disc of the given radius, with soft edges."""
    reach = int(radius + 1)
    offsets = []
    for dy in range(-reach, reach + 1):
        for dx in range(-reach, reach + 1):
            w = min(1.0, max(0.0, radius + 0.5 - (dx * dx + dy * dy) ** 0.5))
            if w > 0:
                offsets.append((dx, dy, w))
    out = [0.0] * (width * height)
    for y in range(height):
        for x in range(width):
            best = 0.0
            for dx, dy, w in offsets:
                sx, sy = x + dx, y + dy
                if 0 <= sx < width and 0 <= sy < height:
                    v = mask[sy * width + sx] * w
                    if v > best:
                        best = v
                        if best >= 1.0:
                            break
            out[y * width + x] = best
    return out


def box_blur(mask, radius, width, height):
    """Separable box blur; applied twice it is close enough to a Gaussian."""
    def one_pass(src, horizontal):
        dst = [0.0] * len(src)
        span = 2 * radius + 1
        for a in range(height if horizontal else width):
            for b in range(width if horizontal else height):
                total = 0.0
                for k in range(b - radius, b + radius + 1):
                    if horizontal and 0 <= k < width:
                        total += src[a * width + k]
                    elif not horizontal and 0 <= k < height:
                        total += src[k * width + a]
                idx = a * width + b if horizontal else b * width + a
                dst[idx] = total / span
        return dst
    for _ in range(2):
        mask = one_pass(one_pass(mask, True), False)
    return mask


def shift(mask, dx, dy, width, height):
    out = [0.0] * len(mask)
    for y in range(height):
        sy = y - dy
        if 0 <= sy < height:
            for x in range(width):
                sx = x - dx
                if 0 <= sx < width:
                    out[y * width + x] = mask[sy * width + sx]
    return out


def gradient_at(t):
    t = min(1.0, max(0.0, t))
    for (t0, c0), (t1, c1) in zip(GRADIENT, GRADIENT[1:]):
        if t <= t1:
            f = (t - t0) / (t1 - t0)
            return tuple(a + (b - a) * f for a, b in zip(c0, c1))
    return GRADIENT[-1][1]


def blend(under, over, alpha):
    return tuple(u + (o - u) * alpha for u, o in zip(under, over))


def compose(text, scale):
    width, height = WIDTH * scale, HEIGHT * scale
    rows = [y for y in range(height) if any(text[y * width:(y + 1) * width])]
    top, bottom = rows[0], rows[-1]
    outline = dilate(text, OUTLINE_RADIUS * scale, width, height)
    shadow = box_blur(shift(outline, SHADOW_OFFSET[0] * scale,
                            SHADOW_OFFSET[1] * scale, width, height),
                      SHADOW_BLUR * scale, width, height)
    pixels = []
    for y in range(height):
        fill = gradient_at((y - top) / max(1, bottom - top))
        for x in range(width):
            i = y * width + x
            c = blend(WHITE, SHADOW_COLOUR, shadow[i] * SHADOW_OPACITY)
            c = blend(c, OUTLINE_COLOUR, outline[i])
            c = blend(c, fill, text[i])
            pixels.append(tuple(int(v + 0.5) for v in c))
    return pixels


# --------------------------------------------------------------- palette --

def median_cut(histogram, count):
    """Reduces {colour: pixels} to at most `count` representative colours."""
    boxes = [sorted(histogram.items())]
    while len(boxes) < count:
        best, best_key = None, None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[ch] for c, _ in box) - min(c[ch] for c, _ in box)
                     for ch in range(3)]
            key = (max(spans), -i)
            if best_key is None or key > best_key:
                best, best_key = i, key
        if best is None:
            break
        box = boxes.pop(best)
        spans = [max(c[ch] for c, _ in box) - min(c[ch] for c, _ in box)
                 for ch in range(3)]
        ch = spans.index(max(spans))
        box.sort(key=lambda item: (item[0][ch], item[0]))
        half = sum(n for _, n in box) / 2
        run, cut = 0, 1
        for k, (_, n) in enumerate(box[:-1]):
            run += n
            cut = k + 1
            if run >= half:
                break
        boxes[best:best] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(int(sum(c[ch] * n for c, n in box) / total + 0.5)
                             for ch in range(3)))
    return palette


def build_palette(pixels):
    """Index 0 is the white ground, 1..254 the artwork, 255 transparent."""
    histogram = {}
    for p in pixels:
        if p != WHITE:
            histogram[p] = histogram.get(p, 0) + 1
    art = sorted(set(median_cut(histogram, 254)),
                 key=lambda c: (0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2], c))
    art = [c for c in art if c != WHITE]
    palette = [WHITE] + art
    palette += [(0, 0, 0)] * (TRANSPARENT - len(palette))
    palette.append(WHITE)                      # index 255: transparent
    assert len(palette) == 256
    return palette, len(art) + 1


def index_pixels(pixels, palette, used):
    lookup = {WHITE: 0}
    out = bytearray()
    for p in pixels:
        idx = lookup.get(p)
        if idx is None:
            idx = min(range(used), key=lambda k: (
                (palette[k][0] - p[0]) ** 2 * 3 + (palette[k][1] - p[1]) ** 2 * 4
                + (palette[k][2] - p[2]) ** 2 * 2, k))
            lookup[p] = idx
        out.append(idx)
    return bytes(out)


# ------------------------------------------------------------------- GIF --

def lzw_compress(indices, min_code_size=8):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = nbits = 0
    width = min_code_size + 1

    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    table = {}
    next_code = end + 1
    emit(clear)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix << 8) | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix)
        # The decoder widens its codes once its table reaches 2**width.
        if next_code >= (1 << width) and width < 12:
            width += 1
        if next_code >= 4095:
            emit(clear)
            table.clear()
            next_code = end + 1
            width = min_code_size + 1
        else:
            table[key] = next_code
            next_code += 1
        prefix = k
    emit(prefix)
    if next_code >= (1 << width) and width < 12:
        width += 1
    emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def write_gif(path, indices, palette, width=WIDTH, height=HEIGHT):
    gif = bytearray(b"GIF89a")
    # Logical screen: global table present, 8-bit colour resolution,
    # unsorted, 2**(7+1) = 256 entries; background is index 0 (white).
    gif += struct.pack("<HHBBB", width, height, 0xF7, 0, 0)
    for r, g, b in palette:
        gif += bytes((r, g, b))
    # Graphic Control Extension: no disposal, transparent flag, index 255.
    gif += bytes((0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, TRANSPARENT, 0x00))
    # One image covering the whole canvas, no local table, not interlaced.
    gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0x00)
    gif += b"\x08" + sub_blocks(lzw_compress(indices))
    gif += b"\x3B"
    with open(path, "wb") as f:
        f.write(gif)
    return len(gif)


# ------------------------------------------------------------------- PNG --

def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data)))


def write_png(path, pixels, width, height):
    """8-bit RGB, not interlaced, no filtering, no ancillary chunks."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for r, g, b in pixels[y * width:(y + 1) * width]:
            raw += bytes((r, g, b))
    png = b"\x89PNG\r\n\x1a\n"
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)
    return len(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "banner.gif")
    pixels = compose(render_text_mask(1), 1)
    palette, used = build_palette(pixels)
    indices = index_pixels(pixels, palette, used)
    assert TRANSPARENT not in indices
    size = write_gif(path, indices, palette)
    print(f"{path}: {WIDTH}x{HEIGHT}, {used} colours in use, {size} bytes")

    pixels = compose(render_text_mask(2), 2)
    path2x = os.path.splitext(path)[0] + "@2x.png"
    size = write_png(path2x, pixels, WIDTH * 2, HEIGHT * 2)
    print(f"{path2x}: {WIDTH * 2}x{HEIGHT * 2}, {size} bytes")

    palette, used = build_palette(pixels)
    indices = index_pixels(pixels, palette, used)
    assert TRANSPARENT not in indices
    path2x = os.path.splitext(path)[0] + "@2x.gif"
    size = write_gif(path2x, indices, palette, WIDTH * 2, HEIGHT * 2)
    print(f"{path2x}: {WIDTH * 2}x{HEIGHT * 2}, {used} colours in use, {size} bytes")


if __name__ == "__main__":
    main()
