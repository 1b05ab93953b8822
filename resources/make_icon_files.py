#!/usr/bin/env python3
"""Builds the plug-in's icon (.ico, 24 bits per pixel) and cursor (.cur, 8 bits per pixel) from
the character-per-pixel drawings in this directory, so that the resource script embeds files
generated from readable source rather than binary blobs.

    make_icon_files.py icon   Icon116.txt   Quenara.ico
    make_icon_files.py cursor Cursor102.txt Pick.cur

Drawing format: '#' starts a comment line; 'colour <character> <RRGGBB>' assigns a colour;
'transparent <character>' names the see-through character (cursor only); 'hotspot <x> <y>'
(cursor only); then a line 'pixels' and one line per row, top row first.
"""

import struct
import sys


def read_drawing(path):
    colours, rows = {}, []
    transparent, hotspot = None, None
    in_pixels = False
    with open(path, encoding="ascii") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if in_pixels:
                if line.strip():
                    rows.append(line.strip())
                continue
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split()
            where = f"{path}:{number}"
            if fields[0] == "colour" and len(fields) >= 3 and len(fields[1]) == 1:
                colours[fields[1]] = tuple(bytes.fromhex(fields[2]))
                if len(colours[fields[1]]) != 3:
                    sys.exit(f"{where}: colour needs six hex digits")
            elif fields[0] == "transparent" and len(fields) >= 2 and len(fields[1]) == 1:
                transparent = fields[1]
            elif fields[0] == "hotspot" and len(fields) >= 3:
                hotspot = (int(fields[1]), int(fields[2]))
            elif fields[0] == "pixels":
                in_pixels = True
            else:
                sys.exit(f"{where}: cannot read '{line}'")

    if not rows:
        sys.exit(f"{path}: no pixels")
    width, height = len(rows[0]), len(rows)
    if width != 32 or height != 32 or any(len(r) != width for r in rows):
        sys.exit(f"{path}: the drawing must be 32 rows of 32 characters")
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            if c not in colours and c != transparent:
                sys.exit(f"{path}: pixel {x},{y} uses the undefined character '{c}'")
    return colours, rows, transparent, hotspot


def and_mask(rows, transparent):
    """1 bit per pixel, set where the screen shows through; rows bottom-up, padded to 32 bits."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == transparent else 0)
        out += bits.to_bytes(len(row) // 8, "big")
        out += bytes(-(len(row) // 8) % 4)
    return bytes(out)


def bitmap_header(width, height, bit_count, image_size):
    # A BITMAPINFOHEADER whose height counts the colour image and the mask below it.
    return struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bit_count, 0, image_size, 0, 0,
                       0, 0)


def icon_file(colours, rows):
    width, height = len(rows[0]), len(rows)
    pixels = bytearray()
    for row in reversed(rows):  # device-independent bitmaps run bottom-up
        for c in row:
            r, g, b = colours[c]
            pixels += bytes((b, g, r))
        pixels += bytes(-(3 * width) % 4)
    mask = and_mask(rows, None)
    image = bitmap_header(width, height, 24, len(pixels) + len(mask)) + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def cursor_file(colours, rows, transparent, hotspot):
    width, height = len(rows[0]), len(rows)
    if hotspot is None or not (0 <= hotspot[0] < width and 0 <= hotspot[1] < height):
        sys.exit("the cursor needs a hot spot inside the drawing")
    # Index 0 is black: a transparent pixel must have colour bits 0 so that the screen
    # shows through unchanged (mask 1, colour 0).
    palette = [(0, 0, 0)]
    for rgb in colours.values():
        if rgb not in palette:
            palette.append(rgb)
    index = {c: palette.index(rgb) for c, rgb in colours.items()}
    index[transparent] = 0
    pixels = bytearray()
    for row in reversed(rows):
        pixels += bytes(index[c] for c in row)
        pixels += bytes(-width % 4)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    table += bytes(4 * (256 - len(palette)))
    mask = and_mask(rows, transparent)
    image = bitmap_header(width, height, 8, len(pixels) + len(mask)) + table + pixels + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    # In a cursor file the planes and bit-count fields of the entry hold the hot spot.
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, hotspot[0], hotspot[1], len(image),
                        6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("icon", "cursor"):
        sys.exit(__doc__)
    kind, source, target = sys.argv[1:]
    colours, rows, transparent, hotspot = read_drawing(source)
    if kind == "icon":
        data = icon_file(colours, rows)
    else:
        if transparent is None:
            sys.exit(f"{source}: a cursor needs a transparent character")
        data = cursor_file(colours, rows, transparent, hotspot)
    with open(target, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
