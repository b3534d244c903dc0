// Fuzz target over the PNG reader; small pictures that load are also written and read
// back, and must come back with the same colours.
#include <QBuffer>
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "decode/png_graphic.h"

namespace {

bool load(decode::TQVPNG& png, QByteArray bytes) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  try {
    png.LoadFromStream(buffer);
  } catch (const graphics::EInvalidGraphic&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  decode::TQVPNG png;
  if (!load(png, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) return 0;
  const auto& b = png.Bitmap();
  if (int64_t(b.Width()) * b.Height() > 4096) return 0;
  QByteArray written;
  QBuffer out(&written);
  out.open(QIODevice::WriteOnly);
  png.SaveToStream(out);
  decode::TQVPNG back;
  if (!load(back, written)) std::abort();
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (!(back.Bitmap().PixelColor(x, y) == b.PixelColor(x, y))) std::abort();
  if (back.HasMask() != png.HasMask()) std::abort();
  return 0;
}
