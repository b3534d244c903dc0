#include "edit/image_ops.h"

#include <algorithm>

#include "edit/image_ops_detail.h"
#include "graphics/jpeg_image.h"

namespace edit {

// Palette bitmaps are made 24-bit before every pixel operation: the formulas read three
// bytes per pixel and would run past an 8-bit row.

void MakeGrayScale(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  ForEachPixel(bitmap, [](uint8_t* p) {
    // nearest((30 R + 59 G + 11 B) / 100), ties to even, in integers.
    const int n = 30 * p[2] + 59 * p[1] + 11 * p[0];
    int y = n / 100;
    const int rest = n % 100;
    if (rest > 50 || (rest == 50 && (y & 1))) ++y;
    p[0] = p[1] = p[2] = uint8_t(y);
  });
}

void MakeNegative(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  ForEachPixel(bitmap, [](uint8_t* p) {
    p[0] = uint8_t(255 - p[0]);
    p[1] = uint8_t(255 - p[1]);
    p[2] = uint8_t(255 - p[2]);
  });
}

void MakeSepia(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  const TChannelTable red = PowerTable(0.75L);
  const TChannelTable blue = PowerTable(1.33L);
  ForEachPixel(bitmap, [&](uint8_t* p) {
    const unsigned y = (77u * p[2] + 150u * p[1] + 29u * p[0] + 128u) >> 8;
    p[0] = blue[y];
    p[1] = uint8_t(y);
    p[2] = red[y];
  });
}

void ApplyColorFilter(TBitmap& bitmap, uint8_t cb, uint8_t cr) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  constexpr int64_t kOne = 2097152;  // 2^21
  auto channel = [](int64_t numerator) { return uint8_t(std::clamp<int64_t>(numerator / kOne, 0, 255)); };
  struct Rgb {
    uint8_t r, g, b;
  };
  Rgb table[256];
  for (int64_t y = 0; y < 256; ++y) {
    table[y].r = channel(y * kOne + cr * 2940207LL - 373827830LL);
    table[y].g = channel(y * kOne - cb * 721706LL - cr * 1497652LL + 284016801LL);
    table[y].b = channel(y * kOne + cb * 3716153LL - 472760975LL);
  }
  ForEachPixel(bitmap, [&](uint8_t* p) {
    const uint32_t y = (627049u * p[2] + 1231028u * p[1] + 239075u * p[0] + 1048576u) >> 21;
    const Rgb& c = table[y];
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  });
}

void MakeEmboss(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  const TBitmap source = bitmap.To24();
  TBitmap result(source.Width(), source.Height());
  const int w = source.Width();
  const int h = source.Height();
  auto level = [](const uint8_t* p) { return (int(p[0]) + p[1] + p[2]) / 3; };
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = source.ScanLine(y);
    const uint8_t* below = source.ScanLine(y + 1 < h ? y + 1 : y);
    uint8_t* out = result.ScanLine(y);
    for (int x = 0; x < w; ++x, out += 3) {
      const int a = level(row + x * 3);
      const int b = level(below + (x + 1 < w ? x + 1 : x) * 3);
      out[0] = out[1] = out[2] = uint8_t(std::clamp(b - a + 128, 0, 255));
    }
  }
  bitmap = std::move(result);
}

void ReduceTo256Colors(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  graphics::TJPEGImage jpeg;
  jpeg.Assign(bitmap);
  jpeg.SetCompressionQuality(90);
  const QByteArray data = jpeg.SaveToMemory();
  jpeg.SetPixelFormat(graphics::jf8Bit);
  jpeg.SetPerformance(graphics::jpBestQuality);
  jpeg.SetScale(graphics::jsFullSize);
  jpeg.LoadFromMemory(data);
  bitmap = std::move(jpeg.Bitmap());
}

}  // namespace edit
