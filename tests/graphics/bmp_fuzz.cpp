// libFuzzer target over the BMP reader: any input either decodes or throws
// EInvalidGraphic, and never reads past the data.
#include <cstddef>
#include <cstdint>

#include "graphics/bmp_graphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    // 64 MiB keeps huge declared RLE pictures from dominating the run.
    const graphics::TBitmap b = graphics::ReadBMP({data, size}, uint64_t(64) << 20);
    if (!b.Empty()) (void)b.To24();
  } catch (const graphics::EInvalidGraphic&) {
  }
  return 0;
}
