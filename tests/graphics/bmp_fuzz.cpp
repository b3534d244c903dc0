// libFuzzer target over the BMP reader: any input either decodes or throws
// EInvalidGraphic, and never reads past the data.
#include <cstddef>
#include <cstdint>

#include "graphics/bmp_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    // Small caps keep huge declared (mostly empty) RLE pictures from dominating the run.
    const graphics::TBitmap b = graphics::ReadBMP({data, size}, uint64_t(16) << 20);
    if (!b.Empty() && int64_t(b.Width()) * b.Height() <= (1 << 20)) (void)b.To24();
  } catch (const graphics::EInvalidGraphic&) {
  }
  return 0;
}
