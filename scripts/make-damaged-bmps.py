#!/usr/bin/env python3
"""Writes a set of damaged BMP files into a folder, for scripts/play-corpus.sh.

Sound files first, one per format: 1, 4, 8, 16, 24 and 32 bits with the
40-byte info header, an 8-bit file with the 12-byte core header, a 24-bit
one with the 124-byte V5 header, RLE8, RLE4, and 16- and 32-bit bit-field
files. Then each damaged the ways a loader has to survive:
  <name>-cut-<n>.bmp             cut short n bytes into its pixel data
  <name>-offset-<what>.bmp       pixel offset at the file's length, 1000
                                 past it, 0x80000000, 0xFFFFFFF0
  <name>-height-x10.bmp          the header claims 10 times the rows held
  <name>-imagesize-<what>.bmp    (RLE) image size past the end of the file
  <name>-header-fffffff2.bmp     header size 0xFFFFFFF2
usage: make-damaged-bmps.py <folder>
"""
import os
import struct
import sys

WIDTH, HEIGHT = 299, 200  # rows padded but at 32 bits; pixel data spans pages in every format
BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS = 0, 1, 2, 3


def palette_colour(i):
    # Index 0, the top-left pixel, is the key; the others differ from it.
    return (255, 0, 255) if i == 0 else ((i * 37) & 255, (i * 91 + 40) & 255, (i * 53) & 255)


def index_at(x, y, colours):
    return ((x // 4) + (y // 3) * 3) % colours


def rgb_at(x, y):
    return ((x * 7) & 255, (y * 11) & 255, ((x + y) * 5) & 255)


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def rows_bottom_up(make_row):
    return b"".join(padded(make_row(y)) for y in range(HEIGHT - 1, -1, -1))


def indexed_pixels(bits):
    colours = 1 << bits
    per_byte = 8 // bits

    def row(y):
        out = bytearray()
        for x0 in range(0, WIDTH, per_byte):
            byte = 0
            for k in range(per_byte):
                value = index_at(x0 + k, y, colours) if x0 + k < WIDTH else 0
                byte |= value << (8 - bits * (k + 1))
            out.append(byte)
        return bytes(out)

    return rows_bottom_up(row)


def true_colour_pixels(bits):
    def pixel(x, y):
        r, g, b = rgb_at(x, y)
        if bits == 16:  # 5-5-5 for BI_RGB, 5-6-5 for the bit-field file (marked by bits 17)
            return struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
        if bits == 17:
            return struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
        if bits == 24:
            return bytes((b, g, r))
        return bytes((b, g, r, 0))

    return rows_bottom_up(lambda y: b"".join(pixel(x, y) for x in range(WIDTH)))


def rle_pixels(bits):
    """Encoded runs of one index each, end-of-line after every row, then
    end-of-bitmap. RLE4 runs repeat the same index in both nibbles."""
    colours = 1 << bits
    out = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        x = 0
        while x < WIDTH:
            value = index_at(x, y, colours)
            run = 1
            while x + run < WIDTH and index_at(x + run, y, colours) == value:
                run += 1
            out += bytes((run, value if bits == 8 else (value << 4) | value))
            x += run
        out += b"\0\0"
    out[-1] = 1  # the last end-of-line becomes end-of-bitmap
    return bytes(out)


def palette(bits, entry_size=4):
    return b"".join(
        bytes((b, g, r)) + b"\0" * (entry_size - 3)
        for r, g, b in (palette_colour(i) for i in range(1 << bits)))


def info_header(bits, compression, image_size, size=40):
    header = struct.pack("<IiiHHIIiiII", size, WIDTH, HEIGHT, 1, bits, compression, image_size,
                         2835, 2835, 0, 0)
    if size == 124:  # V5: masks, sRGB, no endpoints, gamma or profile; intent "images"
        header += struct.pack("<IIII", 0, 0, 0, 0) + b"sRGB"[::-1] + b"\0" * 48
        header += struct.pack("<IIII", 4, 0, 0, 0)
    return header


def assemble(header_and_tables, pixels):
    offset = 14 + len(header_and_tables)
    total = offset + len(pixels)
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset) + header_and_tables + pixels


def sound_files():
    files = {}
    for bits in (1, 4, 8):
        pixels = indexed_pixels(bits)
        files["pal%d" % bits] = assemble(info_header(bits, BI_RGB, len(pixels)) + palette(bits), pixels)
    for bits in (16, 24, 32):
        pixels = true_colour_pixels(bits)
        files["rgb%d" % bits] = assemble(info_header(bits, BI_RGB, len(pixels)), pixels)
    pixels = indexed_pixels(8)
    core = struct.pack("<IHHHH", 12, WIDTH, HEIGHT, 1, 8)
    files["core-pal8"] = assemble(core + palette(8, 3), pixels)
    pixels = true_colour_pixels(24)
    files["v5-rgb24"] = assemble(info_header(24, BI_RGB, len(pixels), 124), pixels)
    for bits in (8, 4):
        pixels = rle_pixels(bits)
        files["rle%d" % bits] = assemble(info_header(bits, 1 if bits == 8 else 2, len(pixels)) +
                                         palette(bits), pixels)
    pixels = true_colour_pixels(17)
    files["bf16-565"] = assemble(info_header(16, BI_BITFIELDS, len(pixels)) +
                                 struct.pack("<III", 0xF800, 0x07E0, 0x001F), pixels)
    pixels = true_colour_pixels(32)
    files["bf32"] = assemble(info_header(32, BI_BITFIELDS, len(pixels)) +
                             struct.pack("<III", 0xFF0000, 0x00FF00, 0x0000FF), pixels)
    return files


def put32(data, at, value):
    return data[:at] + struct.pack("<I", value) + data[at + 4:]


def damaged(name, data):
    """The damaged copies of one sound file, by name."""
    out = {}
    offset = struct.unpack_from("<I", data, 10)[0]
    pixel_bytes = len(data) - offset
    for kept in sorted({1, pixel_bytes // 4, pixel_bytes // 2, pixel_bytes * 3 // 4, pixel_bytes - 1}):
        out["%s-cut-%d" % (name, kept)] = data[:offset + kept]  # the file header still says the whole length
    for what, value in (("len", len(data)), ("len+1000", len(data) + 1000),
                        ("80000000", 0x80000000), ("fffffff0", 0xFFFFFFF0)):
        out["%s-offset-%s" % (name, what)] = put32(data, 10, value)
    core = struct.unpack_from("<I", data, 14)[0] == 12
    if core:
        out[name + "-height-x10"] = data[:20] + struct.pack("<H", HEIGHT * 10) + data[22:]
    else:
        out[name + "-height-x10"] = put32(data, 22, HEIGHT * 10)
    if name.startswith("rle"):
        out[name + "-imagesize-past-end"] = put32(data, 34, pixel_bytes + 4096)
        out[name + "-imagesize-7fffffff"] = put32(data, 34, 0x7FFFFFFF)
    out[name + "-header-fffffff2"] = put32(data, 14, 0xFFFFFFF2)
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-damaged-bmps.py <folder>")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    count = 0
    for name, data in sound_files().items():
        for file_name, content in [(name, data)] + sorted(damaged(name, data).items()):
            with open(os.path.join(folder, file_name + ".bmp"), "wb") as f:
                f.write(content)
            count += 1
    print("make-damaged-bmps: %d files in %s" % (count, folder))


if __name__ == "__main__":
    main()
