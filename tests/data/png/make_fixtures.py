#!/usr/bin/env python3
"""Writes the PNG fixtures of the decoder tests (run once; the files are committed).

Every fixture's pixels follow sample() below, which the tests recompute. Rows cycle
through all five filter types. With --check each file is decoded by ImageMagick and
compared with the expected samples.
"""
import struct
import subprocess
import sys
import zlib

W, H = 13, 9
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def sample(x, y, c, depth):
    v = x * 7 + y * 13 + c * 29 + x * y * 3
    if depth == 16:
        return (v * 2531 + c * 17 + 1) % 65536
    return v % (1 << depth)


def palette_entry(i):
    return ((i * 3) % 256, (i * 7 + 1) % 256, 255 - i)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def pixel_samples(ct, depth, x, y):
    if ct == 0 or ct == 3:
        return [sample(x, y, 0, depth)]
    if ct == 4:
        return [sample(x, y, 0, depth), sample(x, y, 3, depth)]
    if ct == 2:
        return [sample(x, y, c, depth) for c in range(3)]
    return [sample(x, y, c, depth) for c in range(4)]


def pack_row(ct, depth, xs, y):
    if depth < 8:
        bits = []
        for x in xs:
            bits.append(pixel_samples(ct, depth, x, y)[0])
        out = bytearray((len(bits) * depth + 7) // 8)
        for i, v in enumerate(bits):
            pos = i * depth
            out[pos // 8] |= v << (8 - depth - pos % 8)
        return bytes(out)
    out = bytearray()
    for x in xs:
        for v in pixel_samples(ct, depth, x, y):
            out += struct.pack(">H", v) if depth == 16 else bytes([v])
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prior, bpp):
    out = bytearray([kind])
    for i, v in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prior[i] if prior else 0
        c = prior[i - bpp] if prior and i >= bpp else 0
        pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((v - pred) & 0xFF)
    return bytes(out)


def raw_stream(ct, depth, interlace, w=W, h=H):
    bpp = max(1, CHANNELS[ct] * depth // 8)
    passes = PASSES if interlace else [(0, 0, 1, 1)]
    out = bytearray()
    for pi, (x0, y0, dx, dy) in enumerate(passes):
        xs = list(range(x0, w, dx))
        ys = list(range(y0, h, dy))
        if not xs or not ys:
            continue
        prior = None
        for ri, y in enumerate(ys):
            row = pack_row(ct, depth, xs, y)
            out += filter_row((ri + pi) % 5, row, prior, bpp)
            prior = row
    return bytes(out)


def ihdr(ct, depth, interlace, w=W, h=H):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, ct, 0, 0, interlace))


def plte(depth):
    return chunk(b"PLTE", b"".join(bytes(palette_entry(i)) for i in range(1 << depth)))


def png(ct, depth, interlace, before_idat=b"", after_idat=b"", split=0):
    data = zlib.compress(raw_stream(ct, depth, interlace), 9)
    head = b"\x89PNG\r\n\x1a\n" + ihdr(ct, depth, interlace)
    if ct == 3:
        head += plte(depth)
    head += before_idat
    if split:
        parts = [data[i:i + split] for i in range(0, len(data), split)]
        idat = chunk(b"IDAT", b"") + b"".join(chunk(b"IDAT", p) for p in parts)
    else:
        idat = chunk(b"IDAT", data)
    return head + idat + after_idat + chunk(b"IEND", b"")


KINDS = {"g": 0, "rgb": 2, "p": 3, "ga": 4, "rgba": 6}
DEPTHS = {"g": [1, 2, 4, 8, 16], "rgb": [8, 16], "p": [1, 2, 4, 8], "ga": [8, 16], "rgba": [8, 16]}


def fixtures():
    files = {}
    for kind, ct in KINDS.items():
        for d in DEPTHS[kind]:
            for il in (0, 1):
                files[f"{kind}{d}{'_i' if il else ''}.png"] = png(ct, d, il)
    trns = lambda data: chunk(b"tRNS", data)
    files["g8_trns.png"] = png(0, 8, 0, trns(struct.pack(">H", sample(0, 0, 0, 8))))
    files["g2_trns.png"] = png(0, 2, 1, trns(struct.pack(">H", 2)))
    files["g16_trns.png"] = png(0, 16, 0, trns(struct.pack(">H", 0x1234)))
    files["rgb8_trns.png"] = png(2, 8, 0, trns(struct.pack(">HHH", 10, 20, 30)))
    files["rgb16_trns.png"] = png(2, 16, 1, trns(struct.pack(">HHH", 0x1234, 0x5678, 0x9ABC)))
    files["p4_trns_single.png"] = png(3, 4, 0, trns(bytes([255, 255, 0])))
    files["p4_trns_mask.png"] = png(3, 4, 1, trns(bytes([255, 128, 0, 64])))
    files["p8_trns_after_idat_ignored.png"] = png(3, 8, 0, b"", trns(bytes([0])))
    files["rgba8_trns_ignored.png"] = png(6, 8, 0, trns(struct.pack(">HHH", 1, 2, 3)))
    text = lambda k, t: chunk(b"tEXt", k + b"\0" + t)
    ztxt = lambda k, t: chunk(b"zTXt", k + b"\0\0" + zlib.compress(t))
    extras = (chunk(b"gAMA", struct.pack(">I", 45455))
              + chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000))
              + chunk(b"sBIT", bytes([5, 6, 5]))
              + chunk(b"pHYs", struct.pack(">IIB", 2835, 2834, 1))
              + chunk(b"tIME", struct.pack(">HBBBBB", 2024, 2, 29, 12, 34, 56))
              + chunk(b"bKGD", struct.pack(">HHH", 1, 2, 3))
              + chunk(b"gIFg", struct.pack(">BBH", 2, 1, 300))
              + text(b"Title", b"not a comment")
              + text(b"Comment", b"Hello")
              + chunk(b"vpAg", b"\0" * 9))
    after = ztxt(b"Comment", b"caf\xe9") + chunk(b"prIv", b"private")
    files["rgb8_ancillary_split_idat.png"] = png(2, 8, 0, extras, after, split=50)
    return files


def expected_rgba16(name):
    """Samples as ImageMagick reports them at 16 bits: list of (r, g, b) per pixel."""
    base = name.split("_")[0].replace(".png", "")
    kind = base.rstrip("0123456789")
    d = int(base[len(kind):])
    out = []
    for y in range(H):
        for x in range(W):
            s = pixel_samples(KINDS[kind], d, x, y)
            if kind == "p":
                out.append(tuple(v * 257 for v in palette_entry(s[0])))
            elif kind in ("g", "ga"):
                g = s[0] if d == 16 else s[0] * 65535 // ((1 << d) - 1)
                out.append((g, g, g))
            else:
                out.append(tuple(v if d == 16 else v * 257 for v in s[:3]))
    return out


def check(name):
    raw = subprocess.run(["convert", name, "-depth", "16", "-endian", "MSB", "rgb:-"], check=True, capture_output=True).stdout
    got = [struct.unpack(">HHH", raw[i:i + 6]) for i in range(0, len(raw), 6)]
    return got == expected_rgba16(name)


if __name__ == "__main__":
    files = fixtures()
    for name, data in files.items():
        with open(name, "wb") as f:
            f.write(data)
    if "--check" in sys.argv:
        bad = [n for n in files if not check(n)]
        print("ImageMagick disagrees on:", bad if bad else "nothing")
        sys.exit(1 if bad else 0)
