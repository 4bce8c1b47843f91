#!/usr/bin/env python3
"""Writes the strength marks shown in front of the forecast's paragraphs:
Output/b_blu1.gif .. b_blu5.gif (favourable) and b_red1.gif .. b_red5.gif
(unfavourable). Mark n is a rounded bar 10 px high and 6 + 8 n px long,
followed by 2 px of transparent space, so a stronger influence shows as a
longer bar. The files are GIF89a with a small palette and a transparent
index, written with this script's own LZW encoder (standard library only).

Usage: make_bullets.py [OUTPUT_FOLDER] [--check]
The folder defaults to data/Output beside the tools folder. With --check the
script only decodes the existing files again and compares them with what it
would write.
"""

import os
import struct
import sys

HEIGHT = 10
PADDING = 2  # transparent columns after the bar
LEVELS = range(1, 6)

COLOURS = {
    "blu": (0x2A, 0x62, 0xC9),
    "red": (0xD2, 0x3B, 0x3B),
}

# Per row of the bar: > 0 mixes the colour with white, < 0 with black, which
# gives a soft highlight along the top and a slightly darker lower edge.
ROW_SHADES = [0.40, 0.28, 0.16, 0.06, 0.0, 0.0, -0.05, -0.10, -0.16, -0.24]

# How many pixels each row leaves out at either end of the bar: the corners.
ROW_INSET = [2, 1, 0, 0, 0, 0, 0, 0, 1, 2]

TRANSPARENT = (0xFF, 0xFF, 0xFF)


def shade(colour, amount):
    if amount >= 0:
        return tuple(round(c + (255 - c) * amount) for c in colour)
    return tuple(round(c * (1 + amount)) for c in colour)


def draw_mark(colour, level):
    """Returns (width, palette, pixels): pixels are palette indexes, row by row."""
    bar = 6 + 8 * level
    width = bar + PADDING
    palette = [TRANSPARENT] + [shade(colour, s) for s in ROW_SHADES]
    pixels = []
    for y in range(HEIGHT):
        inset = ROW_INSET[y]
        for x in range(width):
            inside = inset <= x < bar - inset
            pixels.append(1 + y if inside else 0)
    return width, palette, pixels


def lzw_encode(pixels, min_code_size):
    """GIF flavour of LZW: variable code width from min_code_size + 1 up to 12
    bits, codes packed least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}

    table = fresh_table()
    next_code = end + 1
    code_width = min_code_size + 1
    emit(clear, code_width)
    current = ()
    for p in pixels:
        candidate = current + (p,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], code_width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes once the next code no longer fits.
            if next_code > (1 << code_width) and code_width < 12:
                code_width += 1
        else:
            emit(clear, code_width)
            table = fresh_table()
            next_code = end + 1
            code_width = min_code_size + 1
        current = (p,)
    if current:
        emit(table[current], code_width)
    emit(end, code_width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def lzw_decode(data, min_code_size, count):
    clear = 1 << min_code_size
    end = clear + 1
    position = 0
    bits = 0
    bit_count = 0
    code_width = min_code_size + 1
    table = None
    previous = None
    result = []
    while True:
        while bit_count < code_width:
            if position >= len(data):
                raise ValueError("image data ends without an end code")
            bits |= data[position] << bit_count
            position += 1
            bit_count += 8
        code = bits & ((1 << code_width) - 1)
        bits >>= code_width
        bit_count -= code_width
        if code == clear:
            table = [(i,) for i in range(clear)] + [(), ()]
            code_width = min_code_size + 1
            previous = None
            continue
        if code == end:
            break
        if previous is None:
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            table.append(previous + entry[:1])
        elif code == len(table):
            entry = previous + previous[:1]
            table.append(entry)
        else:
            raise ValueError("bad LZW code")
        result.extend(entry)
        previous = entry
        if len(table) == (1 << code_width) and code_width < 12:
            code_width += 1
    if len(result) != count:
        raise ValueError("expected %d pixels, got %d" % (count, len(result)))
    return result


def encode_gif(width, height, palette, pixels, transparent_index=0):
    bits = max(1, (len(palette) - 1).bit_length())
    table_size = 1 << bits
    colours = list(palette) + [(0, 0, 0)] * (table_size - len(palette))
    min_code_size = max(2, bits)

    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", width, height, 0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    for colour in colours:
        gif += bytes(colour)
    # Graphic control extension: no disposal, transparent index set.
    gif += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, transparent_index, 0)
    gif += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    gif.append(min_code_size)
    data = lzw_encode(pixels, min_code_size)
    for start in range(0, len(data), 255):
        block = data[start:start + 255]
        gif.append(len(block))
        gif += block
    gif.append(0)
    gif.append(0x3B)
    return bytes(gif)


def decode_gif(gif):
    """Reads back what encode_gif writes: (width, height, palette, pixels, transparent)."""
    if gif[:6] != b"GIF89a":
        raise ValueError("not a GIF89a file")
    width, height, flags = struct.unpack("<HHB", gif[6:11])
    position = 13
    palette = []
    if flags & 0x80:
        size = 1 << ((flags & 7) + 1)
        for i in range(size):
            palette.append(tuple(gif[position + 3 * i:position + 3 * i + 3]))
        position += 3 * size
    transparent = None
    while True:
        marker = gif[position]
        if marker == 0x21:
            label = gif[position + 1]
            position += 2
            if label == 0xF9 and gif[position + 1] & 1:
                transparent = gif[position + 4]
            while gif[position]:
                position += gif[position] + 1
            position += 1
        elif marker == 0x2C:
            x, y, w, h, image_flags = struct.unpack("<HHHHB", gif[position + 1:position + 10])
            if (x, y, w, h) != (0, 0, width, height) or image_flags & 0xC0:
                raise ValueError("unexpected image descriptor")
            position += 10
            min_code_size = gif[position]
            position += 1
            data = bytearray()
            while gif[position]:
                data += gif[position + 1:position + 1 + gif[position]]
                position += gif[position] + 1
            position += 1
            pixels = lzw_decode(bytes(data), min_code_size, width * height)
            if gif[position:] != b"\x3b":
                raise ValueError("trailer missing")
            return width, height, palette, pixels, transparent
        else:
            raise ValueError("unexpected block 0x%02x" % marker)


def marks():
    for name, colour in COLOURS.items():
        for level in LEVELS:
            width, palette, pixels = draw_mark(colour, level)
            yield "b_%s%d.gif" % (name, level), width, palette, pixels


def main(argv):
    check = "--check" in argv
    folders = [a for a in argv if a != "--check"]
    here = os.path.dirname(os.path.abspath(__file__))
    folder = folders[0] if folders else os.path.join(here, "..", "..", "data", "Output")
    failures = 0
    for file_name, width, palette, pixels in marks():
        path = os.path.join(folder, file_name)
        if not check:
            with open(path + ".tmp", "wb") as f:
                f.write(encode_gif(width, HEIGHT, palette, pixels))
            os.replace(path + ".tmp", path)
        with open(path, "rb") as f:
            read_width, read_height, read_palette, read_pixels, transparent = decode_gif(f.read())
        same = (read_width, read_height, read_pixels, transparent) == (width, HEIGHT, pixels, 0) and all(
            read_palette[i] == palette[i] for i in range(len(palette)))
        print("%s %dx%d %s" % (file_name, read_width, read_height, "ok" if same else "DIFFERS"))
        failures += not same
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
