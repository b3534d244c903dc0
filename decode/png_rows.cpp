#include "decode/png_rows.h"

#include <algorithm>
#include <cstring>

namespace decode {

using graphics::TPixelFormat;
using graphics::TRGBQuad;

TPixelFormat PngOutputFormat(const TPNGHeader& h) {
  if (!h.grey && !h.palette) return TPixelFormat::pf24bit;
  switch (h.bitDepth) {
    case 1: return TPixelFormat::pf1bit;
    case 2:
    case 4: return TPixelFormat::pf4bit;
    default: return TPixelFormat::pf8bit;
  }
}

std::vector<TRGBQuad> PngOutputPalette(const TPNGHeader& h, const std::vector<TRGBQuad>& plte) {
  const TPixelFormat f = PngOutputFormat(h);
  if (f == TPixelFormat::pf24bit) return {};
  std::vector<TRGBQuad> out(size_t(1) << int(f));
  if (h.palette) {
    std::copy_n(plte.begin(), std::min(plte.size(), out.size()), out.begin());
  } else {
    const int levels = h.bitDepth >= 8 ? 256 : 1 << h.bitDepth;
    for (int i = 0; i < levels; ++i) {
      const auto v = uint8_t(i * 255 / (levels - 1));
      out[size_t(i)] = TRGBQuad{v, v, v, 0};
    }
  }
  return out;
}

namespace {

// Expanders: one unfiltered row of n pixels -> one byte per pixel (index or grey) or
// blue-green-red triples, plus alpha bytes where the source has them.
using ExpandFn = void (*)(const uint8_t* raw, int n, int depth, uint8_t* out, uint8_t* alpha);

void expandPacked(const uint8_t* raw, int n, int depth, uint8_t* out, uint8_t*) {
  const unsigned mask = (1u << depth) - 1;
  for (int i = 0; i < n; ++i) {
    const size_t bit = size_t(i) * size_t(depth);
    out[i] = uint8_t((raw[bit >> 3] >> (8 - depth - (bit & 7))) & mask);
  }
}

void expandGrey(const uint8_t* raw, int n, int depth, uint8_t* out, uint8_t*) {
  if (depth == 8) {
    std::memcpy(out, raw, size_t(n));
    return;
  }
  for (int i = 0; i < n; ++i) out[i] = raw[2 * i];
}

void expandGreyAlpha(const uint8_t* raw, int n, int depth, uint8_t* out, uint8_t* alpha) {
  const int step = depth / 4;  // two samples
  const int half = step / 2;
  for (int i = 0; i < n; ++i) {
    out[i] = raw[i * step];
    alpha[i] = raw[i * step + half];
  }
}

void expandRGB(const uint8_t* raw, int n, int depth, uint8_t* out, uint8_t*) {
  const int s = depth / 8;
  for (int i = 0; i < n; ++i, raw += 3 * s, out += 3) {
    out[0] = raw[2 * s];
    out[1] = raw[s];
    out[2] = raw[0];
  }
}

void expandRGBA(const uint8_t* raw, int n, int depth, uint8_t* out, uint8_t* alpha) {
  const int s = depth / 8;
  for (int i = 0; i < n; ++i, raw += 4 * s, out += 3) {
    out[0] = raw[2 * s];
    out[1] = raw[s];
    out[2] = raw[0];
    alpha[i] = raw[3 * s];
  }
}

ExpandFn expanderFor(const TPNGHeader& h) {
  if (h.palette || (h.grey && !h.alpha)) return h.bitDepth < 8 ? expandPacked : expandGrey;
  if (h.grey) return expandGreyAlpha;
  return h.alpha ? expandRGBA : expandRGB;
}

}  // namespace

TPNGRowSink::TPNGRowSink(const TPNGHeader& h, graphics::TBitmap& bitmap, graphics::TBitmap* mask,
                         const uint8_t* paletteAlpha)
    : h_(h), bitmap_(bitmap), mask_(mask), paletteAlpha_(paletteAlpha),
      bgr_(bitmap.PixelFormat() == TPixelFormat::pf24bit) {
  pixels_.resize(size_t(bitmap.Width()) * (bgr_ ? 3 : 1));
  alpha_.resize(size_t(bitmap.Width()));
}

void TPNGRowSink::Put(const TPNGPass& pass, int row, const uint8_t* raw) {
  const int n = pass.width;
  const int y = pass.y0 + row * pass.dy;
  uint8_t* line = bitmap_.ScanLine(y);
  const bool plain = pass.dx == 1 && pass.x0 == 0;
  const bool bytewise = bgr_ || bitmap_.PixelFormat() == TPixelFormat::pf8bit;
  // A plain row of whole bytes per pixel is expanded straight into the bitmap.
  uint8_t* pixels = plain && bytewise ? line : pixels_.data();
  expanderFor(h_)(raw, n, h_.bitDepth, pixels, alpha_.data());
  if (paletteAlpha_)
    for (int i = 0; i < n; ++i) alpha_[size_t(i)] = paletteAlpha_[pixels[i]];

  if (pixels != line) {
    if (bgr_) {
      for (int i = 0; i < n; ++i) std::memcpy(line + size_t(pass.x0 + i * pass.dx) * 3, &pixels[size_t(i) * 3], 3);
    } else if (bytewise) {
      for (int i = 0; i < n; ++i) line[pass.x0 + i * pass.dx] = pixels[i];
    } else {
      for (int i = 0; i < n; ++i) bitmap_.SetPixelIndex(pass.x0 + i * pass.dx, y, pixels[i]);
    }
  }

  if (mask_) {
    uint8_t* m = mask_->ScanLine(y);
    for (int i = 0; i < n; ++i) m[pass.x0 + i * pass.dx] = alpha_[size_t(i)];
  }
}

}  // namespace decode
