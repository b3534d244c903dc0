#pragma once
// The EXIF of a JPEG file (libexif): its orientation and its embedded thumbnail, and turning
// a decoded picture upright.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/bitmap.h"

namespace edit {

// 1 to 8 as the EXIF tag says; 1 (as stored) when the file has no usable tag. Reads only the
// markers before the picture data, and of those only the first EXIF segment (at most 64 KiB).
int JpegOrientation(const uint8_t* data, size_t size);

// What the first EXIF segment says (read as JpegOrientation reads it).
struct TJpegExif {
  int Orientation = 1;
  // IFD1's JPEGInterchangeFormat picture, stored as the main picture is (the orientation
  // applies to it too); empty when there is none or its offsets leave the segment.
  std::vector<uint8_t> Thumbnail;
};
TJpegExif ReadJpegExif(const uint8_t* data, size_t size);

// Orientations 5 to 8 turn the picture a quarter: width and height swap.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Turns and mirrors a picture decoded as stored so that it shows as the tag says (24-bit first).
void ApplyOrientation(graphics::TBitmap& bitmap, int orientation);

}  // namespace edit
