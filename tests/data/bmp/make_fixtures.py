#!/usr/bin/env python3
"""Writes the BMP test fixtures of this folder: valid variants, each with the expected
picture as a binary PPM (NAME.ppm), and damaged files named after the fault they carry.
Run from anywhere; files land beside this script."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 7, 5
# Channels only 0 or 255, so every bit-field width reproduces them exactly.
COLOURS = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255),
           (255, 255, 0), (0, 255, 255), (255, 0, 255), (255, 255, 255)]


def index(x, y, n):
    # Runs of equal pixels at the left of each row, varied pixels to the right (good RLE).
    return (y % n) if x < 3 else ((x + 3 * y) % n)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def ppm(name, pixels, w=W, h=H):
    body = bytearray()
    for y in range(h):
        for x in range(w):
            body += bytes(pixels(x, y))
    write(name, b"P6\n%d %d\n255\n" % (w, h) + bytes(body))


def file_header(total, off):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, off)


def info_header(w, h, bpp, comp=0, clr=0, size=40, masks=None, image_size=0):
    hdr = struct.pack("<IiiHHIIiiII", size, w, h, 1, bpp, comp, image_size, 2835, 2835, clr, 0)
    if size > 40:
        extra = b""
        if masks:
            extra = struct.pack("<%dI" % len(masks), *masks)
        hdr += extra + b"\0" * (size - 40 - len(extra))
    return hdr


def palette(n, entry=4):
    out = b""
    for r, g, b in COLOURS[:n]:
        out += bytes((b, g, r)) + (b"\0" if entry == 4 else b"")
    return out


def pack_rows(w, h, bpp, value, top_down=False):
    """Rows of `value(x, y)` packed at bpp bits (indexed) or as bytes (value returns bytes)."""
    rows = []
    for y in range(h):
        if bpp < 8:
            bits = ""
            for x in range(w):
                bits += format(value(x, y), "0%db" % bpp)
            bits += "0" * (-len(bits) % 8)
            row = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
        elif bpp == 8:
            row = bytes(value(x, y) for x in range(w))
        else:
            row = b"".join(value(x, y) for x in range(w))
        row += b"\0" * (-len(row) % 4)
        rows.append(row)
    if not top_down:
        rows.reverse()
    return b"".join(rows)


def bmp(header, pal, pixels, off=None):
    off = 14 + len(header) + len(pal) if off is None else off
    return file_header(14 + len(header) + len(pal) + len(pixels), off) + header + pal + pixels


def expect_indexed(n):
    return lambda x, y: COLOURS[index(x, y, n)]


def indexed_variants():
    for bpp, n in ((1, 2), (2, 4), (4, 8), (8, 8)):
        px = pack_rows(W, H, bpp, lambda x, y: index(x, y, n))
        write("pal%d.bmp" % bpp, bmp(info_header(W, H, bpp, clr=n), palette(n), px))
        ppm("pal%d.ppm" % bpp, expect_indexed(n))
    # Core header: 16-bit sizes and 3-byte palette entries.
    px = pack_rows(W, H, 8, lambda x, y: index(x, y, 8))
    pal = palette(8, 3) + b"\0" * 3 * (256 - 8)
    write("pal8_core_header.bmp", bmp(struct.pack("<IHHHH", 12, W, H, 1, 8), pal, px))
    ppm("pal8_core_header.ppm", expect_indexed(8))
    # OS/2 2.x 64-byte header.
    write("pal4_os2_header.bmp", bmp(info_header(W, H, 4, clr=8, size=64), palette(8),
                                     pack_rows(W, H, 4, lambda x, y: index(x, y, 8))))
    ppm("pal4_os2_header.ppm", expect_indexed(8))


def bgr(x, y):
    r, g, b = COLOURS[index(x, y, 8)]
    return bytes((b, g, r))


def field_pixel(masks, nbytes):
    def value(x, y):
        rgb = COLOURS[index(x, y, 8)]
        v = 0
        for c, m in zip(rgb, masks):
            if c:
                v |= m
        return v.to_bytes(nbytes, "little")
    return value


def direct_variants():
    write("rgb24.bmp", bmp(info_header(W, H, 24), b"", pack_rows(W, H, 24, bgr)))
    write("rgb24_top_down.bmp", bmp(info_header(W, -H, 24), b"", pack_rows(W, H, 24, bgr, top_down=True)))
    write("rgb24_core_header.bmp", bmp(struct.pack("<IHHHH", 12, W, H, 1, 24), b"", pack_rows(W, H, 24, bgr)))
    m555 = (0x7C00, 0x03E0, 0x001F)
    write("rgb16_555.bmp", bmp(info_header(W, H, 16), b"", pack_rows(W, H, 16, field_pixel(m555, 2))))
    m565 = (0xF800, 0x07E0, 0x001F)
    write("rgb16_565_bitfields.bmp", bmp(info_header(W, H, 16, comp=3) + struct.pack("<3I", *m565), b"",
                                         pack_rows(W, H, 16, field_pixel(m565, 2))))
    m4444 = (0x0F00, 0x00F0, 0x000F, 0xF000)
    write("rgb16_4444_alpha_bitfields.bmp", bmp(info_header(W, H, 16, comp=6) + struct.pack("<4I", *m4444), b"",
                                                pack_rows(W, H, 16, field_pixel(m4444[:3], 2))))
    m888 = (0xFF0000, 0x00FF00, 0x0000FF)
    write("rgb32.bmp", bmp(info_header(W, H, 32), b"", pack_rows(W, H, 32, field_pixel(m888, 4))))
    odd = (0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF)
    write("rgb32_v4_bitfields.bmp", bmp(info_header(W, H, 32, comp=3, size=108, masks=odd), b"",
                                        pack_rows(W, H, 32, field_pixel(odd[:3], 4))))
    write("rgb32_v5_top_down.bmp", bmp(info_header(W, -H, 32, comp=3, size=124, masks=m888 + (0xFF000000,)), b"",
                                       pack_rows(W, H, 32, field_pixel(m888, 4), top_down=True)))
    # Masks in a V3 header are ignored without BI_BITFIELDS: the default 8-8-8 applies.
    write("rgb32_v3_masks_unused.bmp", bmp(info_header(W, H, 32, size=56, masks=odd), b"",
                                           pack_rows(W, H, 32, field_pixel(m888, 4))))
    for name in ("rgb24", "rgb24_top_down", "rgb24_core_header", "rgb16_555", "rgb16_565_bitfields",
                 "rgb16_4444_alpha_bitfields", "rgb32", "rgb32_v4_bitfields", "rgb32_v5_top_down",
                 "rgb32_v3_masks_unused"):
        ppm(name + ".ppm", expect_indexed(8))


def rle_row(values, bits):
    """Greedy RLE of one row: runs of equal pixels, absolute blocks of 3 or more others."""
    out = b""
    i = 0
    while i < len(values):
        j = i
        while j < len(values) and values[j] == values[i]:
            j += 1
        if j - i >= 2 or len(values) - i < 3:
            n = j - i
            v = values[i] if bits == 8 else (values[i] << 4 | values[i])
            out += bytes((n, v))
            i = j
            continue
        k = i
        while k < len(values) and not (k + 1 < len(values) and values[k + 1] == values[k]):
            k += 1
        if k - i < 3:
            v = values[i] if bits == 8 else (values[i] << 4 | values[i])
            out += bytes((1, v))
            i += 1
            continue
        block = values[i:k]
        if bits == 8:
            data = bytes(block)
        else:
            padded = block + [0] * (len(block) % 2)
            data = bytes(padded[p] << 4 | padded[p + 1] for p in range(0, len(padded), 2))
        data += b"\0" * (len(data) % 2)
        out += bytes((0, len(block))) + data
        i = k
    return out


def rle_variants():
    for bits, comp in ((8, 1), (4, 2)):
        body = b""
        for y in reversed(range(H)):
            body += rle_row([index(x, y, 8) for x in range(W)], bits) + b"\0\0"
        body += b"\0\1"
        write("rle%d.bmp" % bits, bmp(info_header(W, H, bits, comp=comp, clr=8, image_size=len(body)),
                                      palette(8), body))
        ppm("rle%d.ppm" % bits, expect_indexed(8))
    # Delta: the bottom row's first pixel, then a jump of 2 right and 2 up; the rest stays index 0.
    body = bytes((1, 3)) + b"\0\2" + bytes((2, 2)) + bytes((2, 5)) + b"\0\1"
    write("rle8_delta.bmp", bmp(info_header(W, H, 8, comp=1, clr=8), palette(8), body))

    def delta_expect(x, y):
        if (x, y) == (0, H - 1):
            return COLOURS[3]
        if y == H - 3 and x in (3, 4):
            return COLOURS[5]
        return COLOURS[0]
    ppm("rle8_delta.ppm", delta_expect)


def faulty():
    pal8 = palette(8)
    px8 = pack_rows(W, H, 8, lambda x, y: index(x, y, 8))
    # The colour table has 2 entries; pixels use indices up to 7 and 255: those read as black.
    px = pack_rows(W, H, 8, lambda x, y: 255 if (x, y) == (6, 4) else index(x, y, 8))
    write("palette_index_past_colour_count.bmp", bmp(info_header(W, H, 8, clr=2), palette(2), px))
    ppm("palette_index_past_colour_count.ppm",
        lambda x, y: COLOURS[index(x, y, 8)] if index(x, y, 8) < 2 and (x, y) != (6, 4) else (0, 0, 0))

    # width × height × bits beyond any buffer: 65536 × 65536 × 32 and 2^31-1 wide.
    write("size_overflow_width_height_bits.bmp", bmp(info_header(65536, 65536, 32), b"", b"\0" * 64))
    write("size_overflow_huge_width.bmp", bmp(info_header(0x7FFFFFFF, 2, 24), b"", b"\0" * 64))
    write("size_overflow_height_int_min.bmp", bmp(info_header(4, -0x80000000, 24), b"", b"\0" * 64))
    write("size_zero_height.bmp", bmp(info_header(W, 0, 24), b"", b"\0" * 64))
    write("size_negative_width.bmp", bmp(info_header(-W, H, 24), b"", b"\0" * 64))

    # RLE faults.
    run = lambda n, v=1: bytes((n, v))
    write("rle8_run_past_row.bmp", bmp(info_header(W, H, 8, comp=1, clr=8), pal8, run(W + 1) + b"\0\1"))
    write("rle8_absolute_past_row.bmp",
          bmp(info_header(W, H, 8, comp=1, clr=8), pal8, run(4) + b"\0\4" + b"\1\2\3\4" + b"\0\1"))
    past_picture = b"".join(run(W) + b"\0\0" for _ in range(H)) + run(1) + b"\0\1"
    write("rle8_run_past_picture.bmp", bmp(info_header(W, H, 8, comp=1, clr=8), pal8, past_picture))
    write("rle8_delta_past_picture.bmp",
          bmp(info_header(W, H, 8, comp=1, clr=8), pal8, b"\0\2" + bytes((1, H + 1)) + b"\0\1"))
    write("rle4_run_past_row.bmp", bmp(info_header(W, H, 4, comp=2, clr=8), pal8, run(W + 2, 0x12) + b"\0\1"))
    write("rle8_truncated.bmp", bmp(info_header(W, H, 8, comp=1, clr=8), pal8, run(W) + b"\0\0" + b"\0\4\1"))
    write("rle_compression_bit_count_mismatch.bmp", bmp(info_header(W, H, 24, comp=1), b"", b"\0\1"))

    # Bit-field faults.
    def fields(masks, bpp=32):
        return bmp(info_header(W, H, bpp, comp=3) + struct.pack("<3I", *masks), b"",
                   pack_rows(W, H, bpp, lambda x, y: b"\0" * (bpp // 8)))
    write("bitfields_zero_mask.bmp", fields((0xFF0000, 0, 0xFF)))
    write("bitfields_overlapping_masks.bmp", fields((0xFF0000, 0x0FF000, 0xFF)))
    write("bitfields_mask_wider_than_pixel.bmp", fields((0x1F0000, 0x07E0, 0x1F), 16))
    write("bitfields_masks_truncated.bmp", file_header(54 + 4, 66) + info_header(W, H, 32, comp=3) + b"\xff\0\0\0")

    # Header and offset faults.
    good = bmp(info_header(W, H, 8, clr=8), pal8, px8)
    write("header_size_lies_past_file.bmp", good[:14] + struct.pack("<I", 124) + good[18:])
    write("header_size_unknown.bmp", good[:14] + struct.pack("<I", 41) + good[18:])
    write("data_offset_past_file.bmp", good[:10] + struct.pack("<I", len(good) + 1) + good[14:])
    write("data_offset_inside_header.bmp", good[:10] + struct.pack("<I", 20) + good[14:])
    write("truncated_pixel_data.bmp", good[:-5])
    write("truncated_info_header.bmp", good[:30])
    write("truncated_file_header.bmp", good[:9])
    write("no_signature.bmp", b"XX" + good[2:])
    write("embedded_png_unsupported.bmp", bmp(info_header(W, H, 0, comp=5), b"", b"\x89PNG"))
    write("bit_count_unsupported.bmp", bmp(info_header(W, H, 7), b"", px8))


indexed_variants()
direct_variants()
rle_variants()
faulty()
