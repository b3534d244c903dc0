#!/usr/bin/env python3
"""Writes the metafile fixtures: a 100 x 50 picture whose left half is a red
rectangle and whose right half is left undrawn (so the background shows)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RED = 0x000000FF  # COLORREF 0x00BBGGRR


def wmf():
    def rec(func, *words):
        return struct.pack('<IH', 3 + len(words), func) + b''.join(struct.pack('<h', w) for w in words)

    def colorref_words(c):
        return (c & 0xFFFF, (c >> 16) & 0xFFFF)

    body = b''.join([
        rec(0x020B, 0, 0),                              # SETWINDOWORG y, x
        rec(0x020C, 50, 100),                           # SETWINDOWEXT y, x
        rec(0x02FC, 0, *colorref_words(RED), 0),        # CREATEBRUSHINDIRECT solid red
        rec(0x012D, 0),                                 # SELECTOBJECT brush
        rec(0x02FA, 5, 0, 0, 0, 0),                     # CREATEPENINDIRECT PS_NULL
        rec(0x012D, 1),                                 # SELECTOBJECT pen
        rec(0x041B, 50, 50, 0, 0),                      # RECTANGLE bottom, right, top, left
        rec(0x0000),                                    # EOF
    ])
    max_record = 7
    header = struct.pack('<HHHIHIH', 1, 9, 0x0300, (18 + len(body)) // 2, 2, max_record, 0)
    placeable = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 100, 50, 96, 0)
    checksum = 0
    for (w,) in struct.iter_unpack('<H', placeable[:20]):
        checksum ^= w
    return placeable + struct.pack('<H', checksum) + header + body


def emf():
    records = [
        struct.pack('<IIIIII', 39, 24, 1, 0, RED, 0),           # CREATEBRUSHINDIRECT #1 solid red
        struct.pack('<III', 37, 12, 1),                         # SELECTOBJECT #1
        struct.pack('<III', 37, 12, 0x80000008),                # SELECTOBJECT NULL_PEN
        struct.pack('<IIiiii', 43, 24, 0, 0, 50, 50),           # RECTANGLE
        struct.pack('<IIIII', 14, 20, 0, 16, 20),               # EOF
    ]
    body = b''.join(records)
    size = 108 + len(body)
    header = struct.pack('<II', 1, 108)
    header += struct.pack('<iiii', 0, 0, 99, 49)                # bounds, device units
    header += struct.pack('<iiii', 0, 0, 3125, 1562)            # frame, 0.01 mm
    header += struct.pack('<IIIIHH', 0x464D4520, 0x10000, size, len(records) + 1, 2, 0)
    header += struct.pack('<III', 0, 0, 0)                      # description, palette
    header += struct.pack('<iiii', 1024, 768, 320, 240)         # device pixels, millimetres
    header += struct.pack('<III', 0, 0, 0)                      # pixel format, OpenGL
    header += struct.pack('<ii', 320000, 240000)                # micrometres
    assert len(header) == 108
    return header + body


with open(os.path.join(HERE, 'red_left.wmf'), 'wb') as f:
    f.write(wmf())
with open(os.path.join(HERE, 'red_left.emf'), 'wb') as f:
    f.write(emf())
