#!/usr/bin/env python3
"""Builds the plug-in's icon (24 bits per pixel) and cursor (8 bits per pixel) from the
character-per-pixel drawings in this directory, so that the resource script embeds files
generated from readable source rather than binary blobs.

    make_icon_files.py icon   Icon116.txt   Quenara.ico
    make_icon_files.py cursor Cursor102.txt Pick.cur Pick.cursor-image Pick.cursor-group 102

The cursor also comes as its two resources, the image (hot spot + bitmap) and the group
directory naming image 102: GNU windres writes a bit count of 1 into the group entry of a
.cur file, which would misdescribe the 8-bit image, so the script writes both itself.

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


def cursor_image(colours, rows, transparent, hotspot):
    """The cursor's bitmap (header, 256-colour table, colour rows, mask rows)."""
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
    return bitmap_header(width, height, 8, len(pixels) + len(mask)) + table + pixels + mask


def cursor_file(image, width, height, hotspot):
    directory = struct.pack("<HHH", 0, 2, 1)
    # In a cursor file the planes and bit-count fields of the entry hold the hot spot.
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, hotspot[0], hotspot[1], len(image),
                        6 + 16)
    return directory + entry + image


def cursor_resources(image, width, height, hotspot, image_id):
    """RT_CURSOR data (hot spot, then the bitmap) and the RT_GROUP_CURSOR directory."""
    resource = struct.pack("<HH", *hotspot) + image
    directory = struct.pack("<HHH", 0, 2, 1)
    # Group entries give the height of colour image and mask together, and the image's planes
    # and bit count.
    entry = struct.pack("<HHHHIH", width, 2 * height, 1, 8, len(resource), image_id)
    return resource, directory + entry


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    args = sys.argv[1:]
    if not ((len(args) == 3 and args[0] == "icon") or (len(args) == 6 and args[0] == "cursor")):
        sys.exit(__doc__)
    colours, rows, transparent, hotspot = read_drawing(args[1])
    if args[0] == "icon":
        write(args[2], icon_file(colours, rows))
        return
    if transparent is None:
        sys.exit(f"{args[1]}: a cursor needs a transparent character")
    width, height = len(rows[0]), len(rows)
    image = cursor_image(colours, rows, transparent, hotspot)
    resource, group = cursor_resources(image, width, height, hotspot, int(args[5]))
    write(args[2], cursor_file(image, width, height, hotspot))
    write(args[3], resource)
    write(args[4], group)


if __name__ == "__main__":
    main()
