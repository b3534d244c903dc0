#pragma once
// The one resampling implementation: ResizeBitmap of the editor and the catalogue's
// Resample of thumbnails. Separable, width before height; a shrink is an area average
// in 2^-18 coverage units scaled by a 2^22 factor, an enlargement is four-point
// Lagrange interpolation with 2^-20 weights. An unchanged dimension is not touched.
#include <functional>

#include "graphics/bitmap.h"

namespace edit {

// Receives a percentage (1..50 for the width pass, 50..100 for the height pass; never
// 0), at most every 50 ms.
using TProgressProc = std::function<void(int percent)>;

// Resamples to newWidth × newHeight and leaves a 24-bit bitmap (even at the same size).
// Returns false, leaving the bitmap alone, when a target side is below 1; an empty bitmap
// is left alone and counts as done. Throws graphics::EImageTooLarge for a target too
// large to hold.
bool ResizeBitmap(graphics::TBitmap& bitmap, int newWidth, int newHeight, const TProgressProc& progress = {});

// The catalogue's name for the same thing (no progress).
inline bool Resample(graphics::TBitmap& bitmap, int newWidth, int newHeight) {
  return ResizeBitmap(bitmap, newWidth, newHeight);
}

}  // namespace edit
