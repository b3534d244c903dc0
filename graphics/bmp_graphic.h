#pragma once
// BMP files, read and written by our own code.
//
// Read: 1, 2, 4, 8, 16, 24 and 32 bits per pixel; RLE4 and RLE8; bottom-up and top-down
// rows; BITMAPCOREHEADER, OS/2 2.x, BITMAPINFOHEADER, V2/V3, V4 and V5 headers; bit-field
// masks for 16 and 32 bits. 1, 4 and 8-bit pictures stay indexed (2-bit ones become 8-bit);
// the palette is always padded to 2^bits entries with black, so an index at or past the
// file's colour count reads as black. Everything else becomes 24-bit. Alpha is dropped.
// Embedded JPEG/PNG (compression 4/5) and OS/2 Huffman/RLE24 are rejected.
//
// Any damaged, truncated or lying file throws EInvalidGraphic; no read ever passes the data.
//
// Written: BITMAPINFOHEADER, uncompressed, bottom-up; 24-bit pictures as 24 bits, indexed
// ones (1/4/8 bits) with their palette.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <span>

#include "graphics/graphic.h"
#include "graphics/image_size.h"
#include "graphics/picture_formats.h"

namespace graphics {

// Decodes a whole BMP file image. maxBytes caps the decoded pixel buffer (callers that
// must stay small, such as fuzzing, pass less than the default).
TBitmap ReadBMP(std::span<const uint8_t> file, uint64_t maxBytes = kMaxImageBytes);
// Encodes a bitmap as a BMP file image (24-bit, or indexed with its palette).
QByteArray WriteBMP(const TBitmap& bitmap);

class TBMPGraphic : public TBitmapGraphic {
 public:
  TBMPGraphic() = default;
  explicit TBMPGraphic(TBitmap bitmap) { bitmap_ = std::move(bitmap); }

  // Reads from the stream's position to its end; offsets are relative to that position.
  void LoadFromStream(QIODevice& stream) override;
  void LoadFromBytes(std::span<const uint8_t> file) { bitmap_ = ReadBMP(file); }
  void SaveToStream(QIODevice& stream) const override;
};

// The class the picture loader registers for "bmp".
const TGraphicClass& BMPGraphicClass();

}  // namespace graphics
