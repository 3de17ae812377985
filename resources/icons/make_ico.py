#!/usr/bin/env python3
"""Packs PNG images into a Windows .ico with a 16-colour and a 256-colour
image for each size, as classic Windows icons carry them.

usage: make_ico.py OUT.ico IMAGE.png...
Colour reduction is ImageMagick's (convert); the packing is done here,
since ImageMagick cannot choose the bit depth of each image in an .ico."""
import struct
import subprocess
import sys

# The sixteen colours of the standard Windows palette.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def run(*args, data=None):
    return subprocess.run(args, input=data, stdout=subprocess.PIPE, check=True).stdout


def size_of(png):
    w, h = run("identify", "-format", "%w %h", png).decode().split()
    return int(w), int(h)


def alpha_mask(png, w, h):
    raw = run("convert", png, "-alpha", "extract", "-depth", "8", "gray:-")
    return [raw[i] >= 128 for i in range(w * h)]


def quantise(png, colours):
    """Returns (palette, indices) with at most `colours` entries."""
    flat = ["convert", png, "-background", "black", "-alpha", "remove", "-alpha", "off"]
    if colours == 16:
        palette_img = run("convert", "-size", "16x1", "xc:black", *sum(
            (["-fill", "rgb(%d,%d,%d)" % c, "-draw", "point %d,0" % i] for i, c in enumerate(VGA16)), []),
            "png:-")
        raw = run(*flat, "-dither", "None", "-remap", "png:-", "-depth", "8", "rgb:-",
                  data=palette_img)
    else:
        raw = run(*flat, "-dither", "None", "-colors", str(colours), "-depth", "8", "rgb:-")
    pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    palette = VGA16[:] if colours == 16 else []
    index = {c: i for i, c in enumerate(palette)}
    out = []
    for p in pixels:
        if p not in index:
            index[p] = len(palette)
            palette.append(p)
        out.append(index[p])
    if len(palette) > colours:
        sys.exit("too many colours after reduction: %d" % len(palette))
    return palette + [(0, 0, 0)] * (colours - len(palette)), out


def row_bytes(bits):
    return ((bits + 31) // 32) * 4


def dib(png, bpp):
    w, h = size_of(png)
    colours = 1 << bpp
    palette, idx = quantise(png, colours)
    opaque = alpha_mask(png, w, h)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bpp, 0, 0, 0, 0, colours, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    xor = bytearray()
    andm = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up rows
        row = bytearray(row_bytes(w * bpp))
        mask = bytearray(row_bytes(w))
        for x in range(w):
            i = y * w + x
            value = idx[i] if opaque[i] else 0
            if bpp == 8:
                row[x] = value
            else:
                row[x // 2] |= value << (4 if x % 2 == 0 else 0)
            if not opaque[i]:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor += row
        andm += mask
    return w, h, colours, bpp, header + pal + bytes(xor) + bytes(andm)


def main():
    out, pngs = sys.argv[1], sys.argv[2:]
    images = [dib(png, bpp) for png in pngs for bpp in (4, 8)]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    body = b""
    for w, h, colours, bpp, data in images:
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, colours % 256, 0, 1, bpp,
                               len(data), offset + len(body))
        body += data
    with open(out, "wb") as f:
        f.write(head + entries + body)


if __name__ == "__main__":
    main()
