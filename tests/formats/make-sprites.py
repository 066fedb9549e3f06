#!/usr/bin/env python3
"""Writes the Aseprite sprites of this folder from the published layout of the format: a
128-byte header (magic A5E0), frames (magic F1FA) of chunks, little-endian throughout."""
import struct


def chunk(kind, data):
    return struct.pack("<IH", 6 + len(data), kind) + data


def palette(size, first, entries):
    """Chunk 0x2019: entries of (r, g, b, a, name or None) from `first`."""
    data = struct.pack("<III", size, first, first + len(entries) - 1) + bytes(8)
    for r, g, b, a, name in entries:
        data += struct.pack("<HBBBB", 1 if name is not None else 0, r, g, b, a)
        if name is not None:
            raw = name.encode()
            data += struct.pack("<H", len(raw)) + raw
    return chunk(0x2019, data)


def old(kind, packets):
    """Chunks 0x0004 and 0x0011: packets of (entries to skip, [(r, g, b)...])."""
    data = struct.pack("<H", len(packets))
    for skip, colors in packets:
        data += struct.pack("<BB", skip, len(colors) % 256)
        for rgb in colors:
            data += bytes(rgb)
    return chunk(kind, data)


def sprite(name, chunks, depth=8, transparent=0, frames=1, frame_size=None):
    body = b"".join(chunks)
    frame = struct.pack("<IHHHBBI", frame_size or 16 + len(body), 0xF1FA,
                        min(len(chunks), 0xFFFF), 100, 0, 0, len(chunks)) + body
    header = struct.pack("<IHHHHHIHII", 128 + len(frame), 0xA5E0, frames, 16, 16, depth, 1, 100,
                         0, 0)
    header += struct.pack("<B3xHBBhhHH", transparent, 0, 1, 1, 0, 0, 16, 16)
    header += bytes(128 - len(header))
    with open(name, "wb") as out:
        out.write(header + frame)


layer = chunk(0x2004, struct.pack("<HHHHHHB3x", 3, 0, 0, 0, 0, 0, 255) + struct.pack("<H", 2) + b"bg")
cel = chunk(0x2005, struct.pack("<HhhBHh5x", 0, 0, 0, 255, 2, 0) + struct.pack("<HH", 16, 16) +
            b"\x78\x9c" + bytes(40))  # compressed pixels, never inflated
sprite("sprite-indexed.aseprite", [
    old(0x0004, [(0, [(9, 9, 9)])]),  # the new chunk wins
    layer,
    palette(4, 0, [(0, 0, 0, 255, "Ink"), (255, 255, 255, 255, None), (0, 0, 0, 0, "Clear"),
                   (237, 28, 36, 128, "Half red \u2764")]),
    cel,
], transparent=2)
sprite("sprite-rgba.aseprite.ase", [layer, palette(3, 0, [(1, 2, 3, 255, None), (4, 5, 6, 255, None),
                                                (7, 8, 9, 255, None)]), cel], depth=32,
       transparent=1)
sprite("sprite-old.aseprite", [old(0x0004, [(0, [(255, 0, 0), (0, 255, 0)]), (2, [(0, 0, 255)])])])
sprite("sprite-old-64.aseprite", [old(0x0011, [(0, [(63, 0, 0), (0, 32, 0), (1, 2, 3)])])])
sprite("sprite-bad-64.aseprite", [old(0x0011, [(0, [(64, 0, 0)])])])
sprite("sprite-unset.aseprite", [palette(5, 1, [(10, 20, 30, 255, None), (40, 50, 60, 255, None)])])
sprite("sprite-two-chunks.aseprite", [palette(3, 0, [(1, 1, 1, 255, None)] * 3),
                                      palette(3, 1, [(2, 2, 2, 255, "second")])])
sprite("sprite-300.aseprite", [palette(300, 0, [(i % 256, i // 256, 0, 255, None) for i in range(300)])])
sprite("sprite-no-palette.aseprite", [layer, cel])
sprite("sprite-backwards.aseprite", [chunk(0x2019, struct.pack("<III", 4, 3, 1) + bytes(8))])
sprite("sprite-past-end.aseprite", [palette(2, 0, [(1, 2, 3, 255, None)] * 3)])  # entry 2 of 2
sprite("sprite-long-chunk.aseprite", [struct.pack("<IH", 400, 0x2019) + bytes(20)])
with open("sprite-cut.aseprite", "wb") as out:
    out.write(open("sprite-indexed.aseprite", "rb").read()[:150])
# The smallest file the signature is looked for in: magic and colour depth, nothing after.
with open("sprite-header-only.aseprite", "wb") as out:
    out.write(struct.pack("<IHHHHH", 14, 0xA5E0, 1, 16, 16, 8))
