#!/usr/bin/env python3
"""Prints whether PNG files hold the same pixels:
pngpixels.py [--except X0,Y0,X1,Y1] A B [A B ...].

Reads 8-bit RGB and RGBA files, compressed or stored, with every row filter;
exit status 1 when any pair differs (and the first differing pixel of each)."""
import struct
import sys
import zlib


def pixels(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    w, h, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f"{path}: not an 8-bit RGB or RGBA picture")
    n = 3 if colour == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), w * n, [], bytearray(w * n)
    for y in range(h):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - n] if i >= n else 0
            b, c = prev[i], prev[i - n] if i >= n else 0
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
        rows.append(bytes(line if n == 3 else bytes(v for k, v in enumerate(line) if k % 4 != 3)))
        prev = line
    return w, h, rows


def main(args):
    # --except X0,Y0,X1,Y1: a rectangle (x1, y1 exclusive) left out, where the
    # screen moves by the clock (a blinking marker).
    hole = None
    if args[:1] == ["--except"] and len(args) > 1:
        hole = [int(v) for v in args[1].split(",")]
        args = args[2:]
    if len(args) % 2 or not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    same = True
    for a, b in zip(args[::2], args[1::2]):
        (wa, ha, ra), (wb, hb, rb) = pixels(a), pixels(b)
        if (wa, ha) != (wb, hb):
            print(f"{a}: {wa}x{ha}, {b}: {wb}x{hb}")
            same = False
            continue
        for y, (x1, x2) in enumerate(zip(ra, rb)):
            if hole and hole[1] <= y < hole[3]:
                x1 = x1[: hole[0] * 3] + x1[hole[2] * 3 :]
                x2 = x2[: hole[0] * 3] + x2[hole[2] * 3 :]
            if x1 != x2:
                x = next(i for i in range(len(x1)) if x1[i] != x2[i]) // 3
                print(f"{a} and {b} differ first at ({x}, {y})")
                same = False
                break
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
