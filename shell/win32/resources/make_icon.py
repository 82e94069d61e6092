#!/usr/bin/env python3
"""Writes the programs' icon file from its text pixel map.

Usage: make_icon.py PIXEL_MAP ICO_FILE

The pixel map has a palette legend, lines "colour <char> <rrggbb> <name>",
with "transparent <char>" for the one character that leaves a pixel clear,
then one block per image: "image <size>" followed by <size> lines of <size>
characters, top row first. Every colour must be one of the 16 standard
colours, so the images are 4 bits per pixel with the standard palette.
"""

import struct
import sys

# The 16 standard colours, in their usual palette order.
STANDARD_PALETTE = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]


class MapError(Exception):
    pass


def read_map(path):
    colours = {}
    transparent = None
    images = []
    current = None
    with open(path, encoding="ascii") as source:
        for number, raw in enumerate(source, 1):
            line = raw.rstrip("\r\n")
            if current is not None and len(current[1]) < current[0]:
                if len(line) != current[0]:
                    raise MapError(f"{path}:{number}: row of {len(line)} pixels in a {current[0]}-pixel image")
                current[1].append(line)
                continue
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if words[0] == "colour" and len(words) >= 3 and len(words[1]) == 1:
                rgb = int(words[2], 16)
                if rgb not in STANDARD_PALETTE:
                    raise MapError(f"{path}:{number}: {words[2]} is not one of the 16 standard colours")
                colours[words[1]] = STANDARD_PALETTE.index(rgb)
            elif words[0] == "transparent" and len(words) == 2 and len(words[1]) == 1:
                transparent = words[1]
            elif words[0] == "image" and len(words) == 2:
                current = (int(words[1]), [])
                images.append(current)
            else:
                raise MapError(f"{path}:{number}: cannot read {line!r}")
    if not images:
        raise MapError(f"{path}: no image")
    for size, rows in images:
        if len(rows) != size:
            raise MapError(f"{path}: the {size}-pixel image has {len(rows)} rows")
        for row in rows:
            for char in row:
                if char != transparent and char not in colours:
                    raise MapError(f"{path}: pixel {char!r} is not in the legend")
    return colours, transparent, images


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def icon_image(size, rows, colours, transparent):
    """One icon image: header, palette, colour bits and mask, rows bottom up."""
    colour_rows = []
    mask_rows = []
    for row in reversed(rows):
        indices = [0 if char == transparent else colours[char] for char in row]
        colour_rows.append(padded(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))))
        mask = bytearray((size + 7) // 8)
        for x, char in enumerate(row):
            if char == transparent:
                mask[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(padded(bytes(mask)))
    colour_bits = b"".join(colour_rows)
    mask_bits = b"".join(mask_rows)
    # The height counts colour bits and mask together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colour_bits) + len(mask_bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0) for rgb in STANDARD_PALETTE)
    return header + palette + colour_bits + mask_bits


def ico_file(images, colours, transparent):
    bodies = [icon_image(size, rows, colours, transparent) for size, rows in images]
    directory = struct.pack("<HHH", 0, 1, len(bodies))
    offset = len(directory) + 16 * len(bodies)
    entries = b""
    for (size, _), body in zip(images, bodies):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    return directory + entries + b"".join(bodies)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        colours, transparent, images = read_map(argv[1])
    except (MapError, ValueError, OSError) as problem:
        print(f"make_icon: {problem}", file=sys.stderr)
        return 1
    with open(argv[2], "wb") as target:
        target.write(ico_file(images, colours, transparent))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
