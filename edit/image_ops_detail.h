#pragma once
// Helpers shared by the image operation files.
#include <cstdint>

#include "edit/image_ops.h"

namespace edit {

// nearest(v) with ties to even, clamped to 0..255 (NaN gives 0).
uint8_t ClampNearest(long double v);
// table[i] = nearest(255 × (i / 255)^exponent), table[0] = 0.
TChannelTable PowerTable(long double exponent);

// Calls f(pixel) for every pixel of a 24-bit bitmap; pixel points at blue, green, red.
template <class F>
void ForEachPixel(TBitmap& bitmap, F f) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) f(p);
  }
}

}  // namespace edit
