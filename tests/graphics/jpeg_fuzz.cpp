// Fuzz target of the JPEG graphic: the first byte picks the decoding options, the rest is
// the file.
#include <cstddef>
#include <cstdint>

#include "graphics/image_size.h"
#include "graphics/jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  ++data;
  --size;
  const auto info = graphics::ReadJpegInfo(data, size);
  // Huge frames are valid but only slow the search down.
  if (info && int64_t(info->Width) * info->Height > 4000 * 4000) return 0;
  graphics::TJPEGImage jpeg;
  jpeg.SetScale(graphics::TJPEGScale(options & 3));
  jpeg.SetPerformance(options & 4 ? graphics::jpBestSpeed : graphics::jpBestQuality);
  jpeg.SetPixelFormat(options & 8 ? graphics::jf8Bit : graphics::jf24Bit);
  jpeg.SetGrayscale(options & 16);
  try {
    jpeg.LoadFromMemory(data, size);
    const graphics::TBitmap& b = jpeg.Bitmap();
    if (b.PixelFormat() == graphics::TPixelFormat::pf8bit)
      for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
          if (size_t(b.PixelIndex(x, y)) >= b.Palette().size()) __builtin_trap();
    if (options & 32) {
      jpeg.SetProgressiveEncoding(options & 64);
      (void)jpeg.SaveToMemory();
    }
  } catch (const graphics::EInvalidGraphic&) {
  }
  return 0;
}
