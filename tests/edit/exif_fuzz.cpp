// Fuzz target of the EXIF reader: the orientation and the IFD1 thumbnail of a JPEG's head,
// then the thumbnail decoded as the thumbnail loader would.
#include <cstddef>
#include <cstdint>

#include "edit/exif_orientation.h"
#include "graphics/jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const edit::TJpegExif exif = edit::ReadJpegExif(data, size);
  if (exif.Orientation < 1 || exif.Orientation > 8) __builtin_trap();
  if (exif.Thumbnail.empty()) return 0;
  const auto info = graphics::ReadJpegInfo(exif.Thumbnail.data(), exif.Thumbnail.size());
  // Huge frames are valid but only slow the search down.
  if (!info || int64_t(info->Width) * info->Height > 2000 * 2000) return 0;
  graphics::TJPEGImage jpeg;
  jpeg.SetPerformance(graphics::jpBestSpeed);
  try {
    jpeg.LoadFromMemory(exif.Thumbnail.data(), exif.Thumbnail.size());
    graphics::TBitmap b = jpeg.Bitmap();
    edit::ApplyOrientation(b, exif.Orientation);
  } catch (const graphics::EInvalidGraphic&) {
  }
  return 0;
}
