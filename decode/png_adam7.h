#pragma once
// Geometry of the image passes: one pass for a plain picture, seven for Adam7.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace decode {

struct TPNGPass {
  int x0, y0, dx, dy;  // first pixel and step in the full picture
  int width, height;   // pixels of this pass (either may be 0: the pass is empty)
};

// Passes in file order; empty passes are kept so indices match the standard.
std::vector<TPNGPass> PngPasses(int width, int height, bool interlaced);

// Bytes of one unfiltered row of `width` pixels, without the filter type byte.
size_t PngRowBytes(int width, int bitsPerPixel);

// Bytes of the whole filtered stream (filter bytes included) for these passes; nothing
// meaningful beyond 2^63, callers bound width and height first.
uint64_t PngRawSize(const std::vector<TPNGPass>& passes, int bitsPerPixel);

}  // namespace decode
