#include "tga_decode.h"

#include <cstdlib>
#include <vector>

#include "spi_image_size.h"
#include "spi_byte_reader.h"
#include "spi_plugin_util.h"

namespace iftga {

namespace {

struct Bgr {
  uint8_t b = 0, g = 0, r = 0;
};

struct Context {
  const std::vector<Bgr>* map;
  uint16_t first;
};

using PixelFn = Bgr (*)(const uint8_t* p, const Context& c);

uint8_t Scale5(unsigned v) { return uint8_t((v * 255 + 15) / 31); }

Bgr Lookup(unsigned index, const Context& c) {
  // An index outside the map is black rather than a read past it.
  if (index < c.first || index - c.first >= c.map->size()) return {};
  return (*c.map)[index - c.first];
}
Bgr Mapped8(const uint8_t* p, const Context& c) { return Lookup(p[0], c); }
Bgr Mapped16(const uint8_t* p, const Context& c) { return Lookup(unsigned(p[0]) | unsigned(p[1]) << 8, c); }
Bgr Gray(const uint8_t* p, const Context&) { return {p[0], p[0], p[0]}; }
Bgr Rgb15(const uint8_t* p, const Context&) {
  const unsigned v = unsigned(p[0]) | unsigned(p[1]) << 8;
  return {Scale5(v & 31), Scale5((v >> 5) & 31), Scale5((v >> 10) & 31)};
}
Bgr Rgb24(const uint8_t* p, const Context&) { return {p[0], p[1], p[2]}; }

enum Kind { kMapped = 1, kTrue = 2, kGray = 3 };

struct PixelKind {
  int kind;
  int depth;
  PixelFn fn;
};

constexpr PixelKind kPixelKinds[] = {
    {kMapped, 8, Mapped8}, {kMapped, 16, Mapped16}, {kTrue, 15, Rgb15}, {kTrue, 16, Rgb15},
    {kTrue, 24, Rgb24},    {kTrue, 32, Rgb24},      {kGray, 8, Gray},   {kGray, 16, Gray},
};

// Colour-map entries use the true-colour layouts.
PixelFn FindPixelFn(int kind, int depth) {
  for (const auto& k : kPixelKinds)
    if (k.kind == kind && k.depth == depth) return k.fn;
  return nullptr;
}

// Writes pixels in file order into a bottom-up DIB.
class Canvas {
 public:
  Canvas(const TgaHeader& h, uint8_t* bits, size_t stride)
      : w_(h.width), h_(h.height), top_(h.descriptor & 0x20), right_(h.descriptor & 0x10), bits_(bits),
        stride_(stride) {}
  size_t Left() const { return total() - next_; }
  void Put(Bgr c) {
    const size_t row = next_ / w_, col = next_ % w_;
    const size_t y = top_ ? h_ - 1 - row : row;
    const size_t x = right_ ? w_ - 1 - col : col;
    uint8_t* p = bits_ + y * stride_ + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    ++next_;
  }

 private:
  size_t total() const { return size_t(w_) * h_; }
  size_t w_, h_;
  bool top_, right_;
  uint8_t* bits_;
  size_t stride_;
  size_t next_ = 0;
};

// Both return false when the data ends before the picture is complete.
bool DecodeRaw(spi_util::ByteReader& r, size_t bpp, PixelFn fn, const Context& c, Canvas& out) {
  while (out.Left()) {
    const uint8_t* p = r.take(bpp);
    if (!p) return false;
    out.Put(fn(p, c));
  }
  return true;
}

bool DecodeRle(spi_util::ByteReader& r, size_t bpp, PixelFn fn, const Context& c, Canvas& out) {
  uint8_t packet;
  while (out.Left()) {
    if (!r.u8(packet)) return false;
    // A packet never runs past the picture.
    const size_t n = std::min<size_t>((packet & 0x7F) + 1, out.Left());
    if (packet & 0x80) {
      const uint8_t* p = r.take(bpp);
      if (!p) return false;
      const Bgr v = fn(p, c);
      for (size_t i = 0; i < n; ++i) out.Put(v);
    } else {
      for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = r.take(bpp);
        if (!p) return false;
        out.Put(fn(p, c));
      }
    }
  }
  return true;
}

}  // namespace

bool ReadHeader(const uint8_t* data, size_t size, TgaHeader& h) {
  spi_util::ByteReader r(data, size);
  if (!r.u8(h.idLength) || !r.u8(h.colorMapType) || !r.u8(h.imageType) || !r.u16le(h.colorMapFirst) ||
      !r.u16le(h.colorMapLength) || !r.u8(h.colorMapDepth) || !r.u16le(h.xOrigin) || !r.u16le(h.yOrigin) ||
      !r.u16le(h.width) || !r.u16le(h.height) || !r.u8(h.pixelDepth) || !r.u8(h.descriptor))
    return false;
  const int kind = h.imageType & 7;
  if (h.colorMapType > 1 || (h.imageType & ~8) < 1 || (h.imageType & ~8) > 3) return false;
  if (h.width == 0 || h.height == 0 || !FindPixelFn(kind, h.pixelDepth)) return false;
  if (h.colorMapType == 1 && h.colorMapLength > 0 && !FindPixelFn(kTrue, h.colorMapDepth)) return false;
  if (kind == kMapped && h.colorMapType != 1) return false;
  return true;
}

int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, SPI_PROGRESS progress,
           long lData) {
  if (!info || !bits) return SPI_OTHER_ERROR;
  *info = *bits = nullptr;
  TgaHeader h;
  if (!ReadHeader(data, size, h)) return SPI_NOT_SUPPORT;
  spi_util::ByteReader r(data, size);
  if (!r.skip(18) || !r.skip(h.idLength)) return SPI_OUT_OF_ORDER;

  std::vector<Bgr> map;
  if (h.colorMapType == 1 && h.colorMapLength > 0) {
    const PixelFn entry = FindPixelFn(kTrue, h.colorMapDepth);
    const size_t entryBytes = (h.colorMapDepth + 7) / 8;
    map.reserve(h.colorMapLength);
    for (unsigned i = 0; i < h.colorMapLength; ++i) {
      const uint8_t* p = r.take(entryBytes);
      if (!p) return SPI_OUT_OF_ORDER;
      map.push_back(entry(p, Context{nullptr, 0}));
    }
  }

  const bool rle = h.imageType & 8;
  const size_t bpp = (h.pixelDepth + 7) / 8;
  const size_t pixels = size_t(h.width) * h.height;
  // Each packet of at least 1 + bpp bytes gives at most 128 pixels.
  if (rle && pixels / 128 > r.left() / (1 + bpp) + 1) return SPI_OUT_OF_ORDER;
  const auto bitsSize = spi_util::checkedImageBytes(h.width, h.height, 24);
  if (!bitsSize || *bitsSize > maxBytes) return SPI_NO_MEMORY;
  if (progress && progress(0, h.height, lData)) return SPI_ABORT;

  const size_t stride = spi_util::AllocDib24(h.width, h.height, *bitsSize, info, bits);
  if (!stride) return SPI_NO_MEMORY;
  Canvas canvas(h, static_cast<uint8_t*>(*bits), stride);
  const Context ctx{&map, h.colorMapFirst};
  const PixelFn fn = FindPixelFn(h.imageType & 7, h.pixelDepth);
  const bool complete = rle ? DecodeRle(r, bpp, fn, ctx, canvas) : DecodeRaw(r, bpp, fn, ctx, canvas);
  // A file cut short is broken data, not a picture with black where the rest was.
  if (!complete) {
    spi_util::FreeDib(info, bits);
    return SPI_OUT_OF_ORDER;
  }
  if (progress && progress(h.height, h.height, lData)) {
    spi_util::FreeDib(info, bits);
    return SPI_ABORT;
  }
  return SPI_ALL_RIGHT;
}

}  // namespace iftga
