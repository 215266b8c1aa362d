#!/usr/bin/python3
"""Looks for a picture inside a screenshot, pixel for pixel, to prove that a page showed it.
Both files are PNG (8-bit grey, RGB, palette or RGBA, not interlaced); transparency is ignored.

    png_find.py SCREENSHOT PICTURE   ->   "found X Y" (exit 0) or "absent" (exit 1)
"""
import struct
import sys
import zlib


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, palette = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = [body[i:i + 3] for i in range(0, len(body), 3)]
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if depth != 8 or interlace or ctype not in (0, 2, 3, 6):
        raise SystemExit(f"{path}: unsupported PNG layout")
    channels = {0: 1, 2: 3, 3: 1, 6: 4}[ctype]
    raw, stride = zlib.decompress(idat), width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prev[i], prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        if ctype == 0:
            rgb = b"".join(bytes((v, v, v)) for v in line)
        elif ctype == 3:
            rgb = b"".join(palette[v] for v in line)
        elif ctype == 6:
            rgb = b"".join(line[i:i + 3] for i in range(0, stride, 4))
        else:
            rgb = bytes(line)
        rows.append(rgb)
    return width, height, rows


def main():
    _, shot_h, shot = decode(sys.argv[1])
    width, height, picture = decode(sys.argv[2])
    for y in range(shot_h - height + 1):
        x = shot[y].find(picture[0])
        while x >= 0:
            if x % 3 == 0 and all(shot[y + r][x:x + width * 3] == picture[r] for r in range(height)):
                print(f"found {x // 3} {y}")
                return 0
            x = shot[y].find(picture[0], x + 1)
    print("absent")
    return 1


if __name__ == "__main__":
    sys.exit(main())
