#pragma once
// Turns unfiltered PNG rows into our bitmap: the output format and palette for each
// source kind, and the placement of each pass's pixels (plain or Adam7).
#include <cstdint>
#include <vector>

#include "decode/png_adam7.h"
#include "decode/png_chunks.h"
#include "graphics/bitmap.h"

namespace decode {

// Bitmap format the reader produces for a header (2-bit widened to 4, 16-bit reduced).
graphics::TPixelFormat PngOutputFormat(const TPNGHeader& h);

// Palette of the output bitmap: the PLTE entries for palette images, grey ramps for
// greyscale; empty for 24-bit output.
std::vector<graphics::TRGBQuad> PngOutputPalette(const TPNGHeader& h, const std::vector<graphics::TRGBQuad>& plte);

class TPNGRowSink {
 public:
  // mask: nullptr, or an 8-bit bitmap of the same size receiving alpha. paletteAlpha:
  // per-index alpha (256 entries) when the mask comes from a palette's tRNS.
  TPNGRowSink(const TPNGHeader& h, graphics::TBitmap& bitmap, graphics::TBitmap* mask, const uint8_t* paletteAlpha);

  // raw: one unfiltered row (without filter byte) of row `row` of `pass`.
  void Put(const TPNGPass& pass, int row, const uint8_t* raw);

 private:
  const TPNGHeader& h_;
  graphics::TBitmap& bitmap_;
  graphics::TBitmap* mask_;
  const uint8_t* paletteAlpha_;
  bool bgr_;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> alpha_;
};

}  // namespace decode
