#include "decode/png_adam7.h"

namespace decode {

std::vector<TPNGPass> PngPasses(int width, int height, bool interlaced) {
  if (!interlaced) return {TPNGPass{0, 0, 1, 1, width, height}};
  static constexpr int kStart[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::vector<TPNGPass> out;
  out.reserve(7);
  for (const auto& s : kStart) {
    const int w = width > s[0] ? (width - s[0] + s[2] - 1) / s[2] : 0;
    const int h = height > s[1] ? (height - s[1] + s[3] - 1) / s[3] : 0;
    out.push_back(TPNGPass{s[0], s[1], s[2], s[3], w, h});
  }
  return out;
}

size_t PngRowBytes(int width, int bitsPerPixel) {
  return size_t((uint64_t(width) * uint64_t(bitsPerPixel) + 7) / 8);
}

uint64_t PngRawSize(const std::vector<TPNGPass>& passes, int bitsPerPixel) {
  uint64_t total = 0;
  for (const auto& p : passes)
    if (p.width > 0 && p.height > 0) total += uint64_t(p.height) * (1 + PngRowBytes(p.width, bitsPerPixel));
  return total;
}

}  // namespace decode
