#include <algorithm>
#include <cstring>
#include <vector>

#include "edit/image_ops.h"

namespace edit {

void MirrorHorizontal(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x <= (w - 1) / 2; ++x) std::swap_ranges(row + x * 3, row + x * 3 + 3, row + (w - 1 - x) * 3);
  }
}

void MirrorVertical(TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  const int h = bitmap.Height();
  const size_t stride = bitmap.Stride();
  std::vector<uint8_t> buffer(stride);
  for (int y = 0; y <= (h - 1) / 2; ++y) {
    uint8_t* top = bitmap.ScanLine(y);
    uint8_t* bottom = bitmap.ScanLine(h - 1 - y);
    std::memcpy(buffer.data(), top, stride);
    std::memcpy(top, bottom, stride);
    std::memcpy(bottom, buffer.data(), stride);
  }
}

namespace {

// A new H × W bitmap; pixel (x, y) of the old one goes to place(x, y).
template <class Place>
void Turn(TBitmap& bitmap, Place place) {
  if (bitmap.Empty()) return;
  bitmap.ConvertTo24();
  TBitmap turned(bitmap.Height(), bitmap.Width());
  turned.Transparent = bitmap.Transparent;
  turned.TransparentColor = bitmap.TransparentColor;
  // Tiles keep both the rows read and the columns written in the cache.
  constexpr int kTile = 64;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  for (int ty = 0; ty < h; ty += kTile)
    for (int tx = 0; tx < w; tx += kTile)
      for (int y = ty; y < std::min(ty + kTile, h); ++y) {
        const uint8_t* p = bitmap.ScanLine(y) + size_t(tx) * 3;
        for (int x = tx; x < std::min(tx + kTile, w); ++x, p += 3) {
          const auto [nx, ny] = place(x, y);
          uint8_t* q = turned.ScanLine(ny) + size_t(nx) * 3;
          q[0] = p[0];
          q[1] = p[1];
          q[2] = p[2];
        }
      }
  bitmap = std::move(turned);
}

}  // namespace

void TurnRight(TBitmap& bitmap) {
  const int h = bitmap.Height();
  Turn(bitmap, [h](int x, int y) { return std::pair{h - 1 - y, x}; });
}

void TurnLeft(TBitmap& bitmap) {
  const int w = bitmap.Width();
  Turn(bitmap, [w](int x, int y) { return std::pair{y, w - 1 - x}; });
}

void TurnHalf(TBitmap& bitmap) {
  MirrorHorizontal(bitmap);
  MirrorVertical(bitmap);
}

}  // namespace edit
