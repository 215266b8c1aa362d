#!/usr/bin/python3
"""Checks a window dump of xwd (X Window Dump, version 7): it is WIDTH x HEIGHT pixels and
painted, that is, it holds more than a few colours (a window mapped but never drawn is one
colour).

    screenshot_painted.py FILE.xwd WIDTH HEIGHT
"""
import struct
import sys


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    data = open(path, "rb").read()
    # The header: 25 big-endian 32-bit fields, then the window's name, then the colour map.
    fields = struct.unpack(">25I", data[:100])
    header_size, version, _, depth, w, h = fields[:6]
    bits_per_pixel, bytes_per_line, ncolors = fields[11], fields[12], fields[19]
    if version != 7:
        print(f"{path}: not an xwd dump of version 7")
        return 1
    print(f"window dump: {w}x{h}, depth {depth}")
    if (w, h) != (width, height):
        print(f"the window is {w}x{h}, not {width}x{height}")
        return 1
    pixels = data[header_size + 12 * ncolors:]
    step = bits_per_pixel // 8
    colours = set()
    for row in range(0, h, 4):
        line = pixels[row * bytes_per_line: row * bytes_per_line + w * step]
        colours.update(line[i:i + step] for i in range(0, len(line), step * 4))
    print(f"colours seen: {len(colours)}")
    if len(colours) < 8:
        print("the window is not painted")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
