#!/usr/bin/env python3
"""Writes the vorbis_headers fuzz target's seeds: the setup header of each
Ogg Vorbis file given, as the target takes it (a byte choosing the channel
count and the header, then the header after its type byte and "vorbis").
With --all, the identification and comment headers too.

Usage: make_vorbis_header_seeds.py OUT_DIR FILE.ogg..."""
import os
import struct
import sys


def packets(data):
    """The first stream's packets, assembled from its pages."""
    packets, current, at, serial = [], b"", 0, None
    while True:
        at = data.find(b"OggS", at)
        if at < 0 or at + 27 > len(data):
            return packets
        segments = data[at + 26]
        lacing = data[at + 27:at + 27 + segments]
        page_serial = struct.unpack("<I", data[at + 14:at + 18])[0]
        body = at + 27 + segments
        if serial is None:
            serial = page_serial
        if page_serial == serial:
            for length in lacing:
                current += data[body:body + length]
                body += length
                if length < 255:
                    packets.append(current)
                    current = b""
        at = at + 27 + segments + sum(lacing)


def main():
    every = "--all" in sys.argv
    args = [a for a in sys.argv[1:] if a != "--all"]
    out = args[0]
    os.makedirs(out, exist_ok=True)
    for path in args[1:]:
        with open(path, "rb") as f:
            found = packets(f.read())
        if len(found) < 3 or found[0][:7] != b"\x01vorbis" or found[2][:7] != b"\x05vorbis":
            print("no setup header in", path)
            continue
        channels = (found[0][11] - 1) & 1
        stem = os.path.join(out, os.path.splitext(os.path.basename(path))[0])
        with open(stem + ".setup", "wb") as f:
            f.write(bytes([channels]) + found[2][7:])
        if every:  # the kind byte's bits 1-3: 6 a comment, 7 an identification header
            with open(stem + "-comment.header", "wb") as f:
                f.write(bytes([12 | channels]) + found[1][7:])
            with open(stem + "-identification.header", "wb") as f:
                f.write(bytes([14 | channels]) + found[0][7:])


main()
