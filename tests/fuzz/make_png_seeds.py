#!/usr/bin/env python3
"""Writes the small seeds of the png fuzz target: one picture of each colour
type and bit depth PNG allows, some interlaced, some with the ancillary chunks
the decoder reads, every row under a different filter. The generated images
are all 8-bit RGBA, so without these the decoder's other paths start unseen.
Usage: make_png_seeds.py FOLDER"""
import struct
import sys
import zlib


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def picture(colour, depth, interlace=0, width=13, height=11, extra=b""):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    # The rows of each pass (the whole picture when not interlaced).
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    sizes = [((width - x + dx - 1) // dx, (height - y + dy - 1) // dy) for x, y, dx, dy in passes]
    state, raw, row = 12345, bytearray(), 0
    for w, h in (sizes if interlace else [(width, height)]):
        if w == 0 or h == 0:
            continue
        for _ in range(h):
            raw.append(row % 5)  # filter types 0..4 in turn
            row += 1
            for _ in range((w * channels * depth + 7) // 8):
                state = (state * 1103515245 + 12345) & 0x7FFFFFFF
                # palette indices stay inside the 16-colour palette
                raw.append(state >> 16 & (0x0F if colour == 3 else 255))
    head = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    data = chunk(b"IHDR", head) + extra
    if colour == 3:
        data += chunk(b"PLTE", bytes(range(48))) + chunk(b"tRNS", bytes(range(0, 255, 32)))
    return b"\x89PNG\r\n\x1a\n" + data + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


ancillary = (chunk(b"gAMA", struct.pack(">I", 45455)) + chunk(b"sRGB", b"\x00") +
             chunk(b"cHRM", struct.pack(">8I", *range(8))) + chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1)) +
             chunk(b"tIME", struct.pack(">HBBBBB", 2024, 1, 2, 3, 4, 5)) + chunk(b"bKGD", bytes(6)) +
             chunk(b"tEXt", b"Title\x00Zindle") + chunk(b"zTXt", b"Note\x00\x00" + zlib.compress(b"flaps")) +
             chunk(b"iTXt", b"Word\x00\x01\x00en\x00Wort\x00" + zlib.compress(b"gem")) +
             chunk(b"iCCP", b"icc\x00\x00" + zlib.compress(bytes(132))))
seeds = {
    "grey-1.png": picture(0, 1), "grey-4-interlaced.png": picture(0, 4, 1), "grey-16.png": picture(0, 16),
    "rgb-8-chunks.png": picture(2, 8, extra=ancillary), "rgb-16-interlaced.png": picture(2, 16, 1),
    "palette-2.png": picture(3, 2), "palette-8-interlaced.png": picture(3, 8, 1),
    "grey-alpha-8.png": picture(4, 8), "grey-alpha-16.png": picture(4, 16, 1), "rgba-16.png": picture(6, 16),
    "rgba-8-interlaced.png": picture(6, 8, 1, width=37, height=33),
}
for name, data in seeds.items():
    with open(f"{sys.argv[1]}/{name}", "wb") as f:
        f.write(data)
