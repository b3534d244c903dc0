#!/usr/bin/env python3
"""Puts an EXIF segment holding a thumbnail (IFD1 JPEGInterchangeFormat) and, if asked, an
orientation into a JPEG file, right after its SOI marker.
Usage: add_exif_thumbnail.py PICTURE.jpg THUMBNAIL.jpg OUT.jpg [ORIENTATION]"""
import struct
import sys


def exif_app1(thumb: bytes, orientation: int) -> bytes:
    ifd0 = []
    if orientation:
        ifd0.append(struct.pack('<HHIHH', 0x0112, 3, 1, orientation, 0))
    ifd1_at = 8 + 2 + 12 * len(ifd0) + 4
    data_at = ifd1_at + 2 + 2 * 12 + 4
    tiff = b'II' + struct.pack('<HI', 42, 8)
    tiff += struct.pack('<H', len(ifd0)) + b''.join(ifd0) + struct.pack('<I', ifd1_at)
    tiff += struct.pack('<H', 2)
    tiff += struct.pack('<HHII', 0x0201, 4, 1, data_at)
    tiff += struct.pack('<HHII', 0x0202, 4, 1, len(thumb))
    tiff += struct.pack('<I', 0) + thumb
    payload = b'Exif\0\0' + tiff
    if len(payload) + 2 > 0xFFFF:
        sys.exit('thumbnail too large for one EXIF segment')
    return b'\xff\xe1' + struct.pack('>H', len(payload) + 2) + payload


def main() -> None:
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    picture = open(sys.argv[1], 'rb').read()
    thumb = open(sys.argv[2], 'rb').read()
    orientation = int(sys.argv[4]) if len(sys.argv) == 5 else 0
    if picture[:2] != b'\xff\xd8' or thumb[:2] != b'\xff\xd8':
        sys.exit('not JPEG files')
    with open(sys.argv[3], 'wb') as out:
        out.write(picture[:2] + exif_app1(thumb, orientation) + picture[2:])


if __name__ == '__main__':
    main()
