#include <algorithm>
#include <cmath>

#include "edit/image_ops.h"
#include "edit/image_ops_detail.h"

namespace edit {

uint8_t ClampNearest(long double v) {
  if (std::isnan(v)) return 0;
  // nearbyint rounds half to even in the default rounding mode.
  return uint8_t(std::clamp(std::nearbyint(std::clamp(v, -1.0L, 256.0L)), 0.0L, 255.0L));
}

TChannelTable PowerTable(long double exponent) {
  TChannelTable t{};
  for (int i = 1; i < 256; ++i) t[size_t(i)] = ClampNearest(255.0L * std::pow((long double)i / 255.0L, exponent));
  return t;  // 0^e = 0 even for e <= 0
}

TChannelTable GammaTable(double g) { return PowerTable((long double)g / 2.2L); }

TChannelTable BrightnessTable(int b) {
  TChannelTable t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = uint8_t(std::clamp(i + b, 0, 255));
  return t;
}

TChannelTable ContrastTable(int c) {
  const double k = double(c) / 100.0;
  TChannelTable t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = ClampNearest(((long double)i - 127.5L) * k + i);
  return t;
}

TChannelTable SolarizeTable() {
  TChannelTable t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = uint8_t(i < 128 ? i : 255 - i);
  return t;
}

void ApplyChannelTable(TBitmap& bitmap, const TChannelTable& table) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  const size_t n = size_t(bitmap.Width()) * 3;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (size_t k = 0; k < n; ++k) p[k] = table[p[k]];
  }
}

void GammaCorrect(TBitmap& bitmap, double g) { ApplyChannelTable(bitmap, GammaTable(g)); }

void AdjustBrightness(TBitmap& bitmap, int b) {
  if (b == 0 || b < -255 || b > 255) return;
  ApplyChannelTable(bitmap, BrightnessTable(b));
}

void AdjustContrast(TBitmap& bitmap, int c) {
  if (c == 0 || c < -100 || c > 100) return;
  ApplyChannelTable(bitmap, ContrastTable(c));
}

void Solarize(TBitmap& bitmap) { ApplyChannelTable(bitmap, SolarizeTable()); }

}  // namespace edit
