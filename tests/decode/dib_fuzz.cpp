// Fuzz target: the host's check and conversion of a plug-in's BITMAPINFO and bits.
// Input: one byte giving the BITMAPINFO's length (× 2), the BITMAPINFO, then the bits.
#include <cstdint>
#include <span>

#include "decode/spi_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t infoSize = std::min<size_t>(size_t(data[0]) * 2, size - 1);
  const std::span<const uint8_t> info(data + 1, infoSize);
  const std::span<const uint8_t> bits(data + 1 + infoSize, size - 1 - infoSize);
  graphics::TBitmap bm;
  decode::TDibHeader h;
  if (decode::DibToBitmap(info, bits, bm, &h)) {
    volatile uint8_t sink = bm.PixelColor(bm.Width() - 1, bm.Height() - 1).red;
    (void)sink;
    if (h.infoSize > info.size() || h.bitsSize > bits.size()) __builtin_trap();
  }
  return 0;
}
