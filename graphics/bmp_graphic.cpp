#include "graphics/bmp_graphic.h"

#include <QIODevice>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/source_bytes.h"

namespace graphics {

namespace {

constexpr size_t kFileHeaderSize = 14;

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5, kBiAlphaBitfields = 6 };

[[noreturn]] void fail(const QString& why) { throw EInvalidGraphic(QStringLiteral("Invalid BMP file: ") + why); }

struct TBmpInfo {
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // always positive; topDown tells the row order
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  size_t paletteEntrySize = 4;  // 3 for BITMAPCOREHEADER
  bool os2 = false;
  std::array<uint32_t, 3> masks{};  // red, green, blue
  bool masksInHeader = false;
};

// ---- header records, chosen by the header size -------------------------------------

void setHeight(TBmpInfo& info, int32_t h) {
  info.topDown = h < 0;
  info.height = h < 0 ? -int64_t(h) : int64_t(h);
}

bool readCoreHeader(platform::ByteReader& r, TBmpInfo& info) {
  uint16_t w, h, planes, bpp;
  if (!r.u16le(w) || !r.u16le(h) || !r.u16le(planes) || !r.u16le(bpp)) return false;
  info.width = w;
  info.height = h;
  info.bpp = bpp;
  info.paletteEntrySize = 3;
  return true;
}

// BITMAPINFOHEADER and its longer descendants (V2, V3, V4, V5) share the first 40 bytes.
bool readInfoHeader(platform::ByteReader& r, TBmpInfo& info) {
  int32_t w, h;
  uint16_t planes, bpp;
  uint32_t sizeImage, clrImportant;
  int32_t xppm, yppm;
  if (!r.i32le(w) || !r.i32le(h) || !r.u16le(planes) || !r.u16le(bpp) || !r.u32le(info.compression) ||
      !r.u32le(sizeImage) || !r.i32le(xppm) || !r.i32le(yppm) || !r.u32le(info.colorsUsed) || !r.u32le(clrImportant))
    return false;
  info.width = w;
  setHeight(info, h);
  info.bpp = bpp;
  if (info.headerSize >= 52) {
    info.masksInHeader = true;
    for (auto& m : info.masks)
      if (!r.u32le(m)) return false;
  }
  return true;
}

// OS/2 2.x: the INFOHEADER layout cut short (16 bytes) or extended (64 bytes).
bool readOs2Header(platform::ByteReader& r, TBmpInfo& info) {
  int32_t w, h;
  uint16_t planes, bpp;
  if (!r.i32le(w) || !r.i32le(h) || !r.u16le(planes) || !r.u16le(bpp)) return false;
  info.width = w;
  setHeight(info, h);
  info.bpp = bpp;
  info.os2 = true;
  if (info.headerSize >= 24 && !r.u32le(info.compression)) return false;
  if (info.headerSize >= 36 && (!r.skip(12) || !r.u32le(info.colorsUsed))) return false;
  return true;
}

struct THeaderKind {
  uint32_t size;
  bool (*read)(platform::ByteReader&, TBmpInfo&);
};

constexpr THeaderKind kHeaderKinds[] = {
    {12, readCoreHeader},  {16, readOs2Header},  {40, readInfoHeader},  {52, readInfoHeader},
    {56, readInfoHeader},  {64, readOs2Header},  {108, readInfoHeader}, {124, readInfoHeader},
};

// ---- pixel data, one decoder per (compression, bits) -------------------------------

struct TDecodeJob {
  const TBmpInfo& info;
  platform::ByteReader data;  // from the data offset to the end of the file
  std::vector<TRGBQuad> palette;
  uint64_t maxBytes;

  int width() const { return int(info.width); }
  int height() const { return int(info.height); }
  // Bitmap row of the n-th stored row.
  int rowOf(int64_t stored) const { return info.topDown ? int(stored) : int(info.height - 1 - stored); }

  TBitmap allocate(TPixelFormat format) const {
    const auto bytes = checkedImageBytes(info.width, info.height, int(format));
    if (!bytes || *bytes > maxBytes) fail(QStringLiteral("picture of %1 x %2 is too large").arg(info.width).arg(info.height));
    TBitmap out(width(), height(), format);
    if (format != TPixelFormat::pf24bit) {
      auto& pal = out.Palette();
      std::fill(pal.begin(), pal.end(), TRGBQuad{});
      std::copy_n(palette.begin(), std::min(palette.size(), pal.size()), pal.begin());
    }
    return out;
  }

  // The stored rows of an uncompressed picture, all of them present.
  platform::ByteReader rows(size_t& stride) {
    const auto s = checkedStride(info.width, info.bpp);
    if (!s || !checkedImageBytes(info.width, info.height, info.bpp))
      fail(QStringLiteral("picture of %1 x %2 at %3 bits is too large").arg(info.width).arg(info.height).arg(info.bpp));
    stride = *s;
    const uint64_t need = uint64_t(stride) * uint64_t(info.height);
    platform::ByteReader out;
    if (!data.sub(size_t(need), out))
      fail(QStringLiteral("pixel data truncated (%1 of %2 bytes)").arg(data.left()).arg(need));
    return out;
  }
};

TBitmap decodeIndexed(TDecodeJob& job) {
  size_t stride = 0;
  platform::ByteReader src = job.rows(stride);
  TBitmap out = job.allocate(TPixelFormat(job.info.bpp));
  for (int r = 0; r < job.height(); ++r) std::memcpy(out.ScanLine(job.rowOf(r)), src.take(stride), stride);
  return out;
}

TBitmap decode2Bit(TDecodeJob& job) {
  size_t stride = 0;
  platform::ByteReader src = job.rows(stride);
  TBitmap out = job.allocate(TPixelFormat::pf8bit);
  for (int r = 0; r < job.height(); ++r) {
    const uint8_t* s = src.take(stride);
    uint8_t* d = out.ScanLine(job.rowOf(r));
    for (int x = 0; x < job.width(); ++x) d[x] = (s[x >> 2] >> (6 - 2 * (x & 3))) & 3;
  }
  return out;
}

TBitmap decodeRgb24(TDecodeJob& job) {
  size_t stride = 0;
  platform::ByteReader src = job.rows(stride);
  TBitmap out = job.allocate(TPixelFormat::pf24bit);
  for (int r = 0; r < job.height(); ++r) std::memcpy(out.ScanLine(job.rowOf(r)), src.take(stride), stride);
  return out;
}

// One colour channel of a bit-field pixel, scaled to 0..255.
class TChannel {
 public:
  explicit TChannel(uint32_t mask) : mask_(mask), shift_(std::countr_zero(mask)), max_(mask >> shift_) {
    if (max_ < 65536) {
      lut_.resize(max_ + 1);
      for (uint32_t v = 0; v <= max_; ++v) lut_[v] = scale(v);
    }
  }
  uint8_t operator()(uint32_t pixel) const {
    const uint32_t v = (pixel & mask_) >> shift_;
    return lut_.empty() ? scale(v) : lut_[v];
  }

 private:
  uint8_t scale(uint32_t v) const { return uint8_t((uint64_t(v) * 255 + max_ / 2) / max_); }
  uint32_t mask_;
  int shift_;
  uint32_t max_;
  std::vector<uint8_t> lut_;
};

TBitmap decodeBitfields(TDecodeJob& job) {
  size_t stride = 0;
  platform::ByteReader src = job.rows(stride);
  TBitmap out = job.allocate(TPixelFormat::pf24bit);
  const TChannel red(job.info.masks[0]), green(job.info.masks[1]), blue(job.info.masks[2]);
  const int bytesPerPixel = job.info.bpp / 8;
  for (int r = 0; r < job.height(); ++r) {
    const uint8_t* s = src.take(stride);
    uint8_t* d = out.ScanLine(job.rowOf(r));
    for (int x = 0; x < job.width(); ++x, s += bytesPerPixel, d += 3) {
      const uint32_t p = bytesPerPixel == 2 ? uint32_t(s[0] | s[1] << 8)
                                            : uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
      d[0] = blue(p);
      d[1] = green(p);
      d[2] = red(p);
    }
  }
  return out;
}

// Run-length data, shared by RLE8 and RLE4; put(bitmap, x, y, index) writes one pixel.
// A run or delta that leaves the row or the picture is an error, never clipped silently.
template <int Bits>
TBitmap decodeRle(TDecodeJob& job) {
  TBitmap out = job.allocate(TPixelFormat(Bits));
  const int64_t w = job.info.width, h = job.info.height;
  auto put = [&](int64_t x, int64_t r, int index) {
    if constexpr (Bits == 8)
      out.ScanLine(job.rowOf(r))[x] = uint8_t(index);
    else
      out.SetPixelIndex(int(x), job.rowOf(r), index);
  };
  auto room = [&](int64_t x, int64_t r, int64_t count) {
    if (r >= h) fail(QStringLiteral("RLE data continues past the end of the picture"));
    if (x + count > w) fail(QStringLiteral("RLE run of %1 pixels passes the end of row %2").arg(count).arg(r));
  };
  platform::ByteReader& d = job.data;
  int64_t x = 0, r = 0;
  for (;;) {
    uint8_t count, value;
    if (!d.u8(count) || !d.u8(value)) {
      if (r >= h) break;  // all rows written; a missing end marker is harmless
      fail(QStringLiteral("RLE data truncated"));
    }
    if (count > 0) {
      room(x, r, count);
      for (int i = 0; i < count; ++i, ++x)
        put(x, r, Bits == 8 ? value : (i & 1 ? value & 0x0F : value >> 4));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++r;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      uint8_t dx, dy;
      if (!d.u8(dx) || !d.u8(dy)) fail(QStringLiteral("RLE data truncated"));
      x += dx;
      r += dy;
      if (x > w || r > h) fail(QStringLiteral("RLE delta moves past the picture"));
    } else {  // absolute run of `value` pixels, padded to 16 bits
      room(x, r, value);
      const size_t bytes = Bits == 8 ? value : (size_t(value) + 1) / 2;
      const uint8_t* s = d.take(bytes);
      if (!s || !d.skip(bytes & 1)) fail(QStringLiteral("RLE data truncated"));
      for (int i = 0; i < value; ++i, ++x)
        put(x, r, Bits == 8 ? s[i] : (i & 1 ? s[i / 2] & 0x0F : s[i / 2] >> 4));
    }
  }
  return out;
}

struct TDecoderKind {
  uint32_t compression;
  int bpp;
  TBitmap (*decode)(TDecodeJob&);
};

constexpr TDecoderKind kDecoders[] = {
    {kBiRgb, 1, decodeIndexed},          {kBiRgb, 2, decode2Bit},        {kBiRgb, 4, decodeIndexed},
    {kBiRgb, 8, decodeIndexed},          {kBiRgb, 16, decodeBitfields},  {kBiRgb, 24, decodeRgb24},
    {kBiRgb, 32, decodeBitfields},       {kBiBitfields, 16, decodeBitfields}, {kBiBitfields, 32, decodeBitfields},
    {kBiAlphaBitfields, 16, decodeBitfields}, {kBiAlphaBitfields, 32, decodeBitfields},
    {kBiRle8, 8, decodeRle<8>},          {kBiRle4, 4, decodeRle<4>},
};

// ---- header checks -----------------------------------------------------------------

void checkMasks(const TBmpInfo& info) {
  const char* names[] = {"red", "green", "blue"};
  const uint64_t limit = info.bpp >= 32 ? 0xFFFFFFFFull : (1ull << info.bpp) - 1;
  for (int i = 0; i < 3; ++i) {
    if (info.masks[i] == 0) fail(QStringLiteral("the %1 bit-field mask is zero").arg(names[i]));
    if (info.masks[i] > limit) fail(QStringLiteral("the %1 bit-field mask is wider than the pixel").arg(names[i]));
  }
  if ((info.masks[0] & info.masks[1]) || (info.masks[0] & info.masks[2]) || (info.masks[1] & info.masks[2]))
    fail(QStringLiteral("bit-field masks overlap"));
}

void setDefaultMasks(TBmpInfo& info) {
  if (info.bpp == 16)
    info.masks = {0x7C00, 0x03E0, 0x001F};
  else
    info.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
}

const TDecoderKind& chooseDecoder(const TBmpInfo& info) {
  if (info.compression == kBiJpeg || info.compression == kBiPng)
    fail(QStringLiteral("embedded JPEG or PNG data is not supported"));
  if (info.os2 && info.compression != kBiRgb && info.compression != kBiRle8 && info.compression != kBiRle4)
    fail(QStringLiteral("OS/2 compression %1 is not supported").arg(info.compression));
  for (const auto& k : kDecoders)
    if (k.compression == info.compression && k.bpp == info.bpp) return k;
  fail(QStringLiteral("compression %1 with %2 bits per pixel is not supported").arg(info.compression).arg(info.bpp));
}

}  // namespace

TBitmap ReadBMP(std::span<const uint8_t> file, uint64_t maxBytes) {
  platform::ByteReader r(file);
  uint8_t b, m;
  uint32_t fileSize, reserved, offBits;
  if (!r.u8(b) || !r.u8(m) || b != 'B' || m != 'M') fail(QStringLiteral("no \"BM\" signature"));
  if (!r.u32le(fileSize) || !r.u32le(reserved) || !r.u32le(offBits)) fail(QStringLiteral("file header truncated"));

  TBmpInfo info;
  if (!r.u32le(info.headerSize)) fail(QStringLiteral("information header truncated"));
  const THeaderKind* kind = nullptr;
  for (const auto& k : kHeaderKinds)
    if (k.size == info.headerSize) kind = &k;
  if (!kind) fail(QStringLiteral("unknown header size %1").arg(info.headerSize));
  platform::ByteReader header;
  if (!r.seek(kFileHeaderSize) || !r.sub(info.headerSize, header))
    fail(QStringLiteral("header size %1 runs past the end of the file").arg(info.headerSize));
  header.skip(4);
  if (!kind->read(header, info)) fail(QStringLiteral("information header truncated"));

  if (info.width <= 0) fail(QStringLiteral("width %1 is not positive").arg(info.width));
  if (info.height == 0) fail(QStringLiteral("height is zero"));
  if (info.width > kMaxImageSide || info.height > kMaxImageSide)
    fail(QStringLiteral("picture of %1 x %2 is too large").arg(info.width).arg(info.height));
  const TDecoderKind& decoder = chooseDecoder(info);

  // Bit-field masks of a 40-byte header follow it; longer headers hold them.
  if (info.compression == kBiBitfields || info.compression == kBiAlphaBitfields) {
    if (!info.masksInHeader) {
      for (auto& mask : info.masks)
        if (!r.u32le(mask)) fail(QStringLiteral("bit-field masks truncated"));
      if (info.compression == kBiAlphaBitfields && !r.skip(4)) fail(QStringLiteral("bit-field masks truncated"));
    }
  } else if (info.bpp == 16 || info.bpp == 32) {
    setDefaultMasks(info);
  }
  if (info.bpp == 16 || info.bpp == 32) checkMasks(info);

  const size_t paletteStart = r.position();
  const uint64_t paletteMax = info.bpp <= 8 ? (uint64_t(1) << info.bpp) : 0;
  const uint64_t colours = std::min<uint64_t>(info.colorsUsed && info.bpp <= 8 ? info.colorsUsed : paletteMax, paletteMax);
  uint64_t dataStart = offBits;
  if (offBits == 0) dataStart = paletteStart + colours * info.paletteEntrySize;
  if (dataStart < paletteStart) fail(QStringLiteral("data offset %1 lies inside the header").arg(offBits));
  if (dataStart > file.size()) fail(QStringLiteral("data offset %1 is past the end of the file").arg(offBits));

  TDecodeJob job{info, platform::ByteReader(file.data() + dataStart, file.size() - dataStart), {}, maxBytes};
  // The colour table ends where the pixel data starts, whatever the header claims.
  const uint64_t entries = std::min<uint64_t>(colours, (dataStart - paletteStart) / info.paletteEntrySize);
  for (uint64_t i = 0; i < entries; ++i) {
    TRGBQuad q;
    if (!r.u8(q.blue) || !r.u8(q.green) || !r.u8(q.red) || (info.paletteEntrySize == 4 && !r.skip(1)))
      fail(QStringLiteral("colour table truncated"));
    job.palette.push_back(q);
  }
  try {
    return decoder.decode(job);
  } catch (const EImageTooLarge&) {
    fail(QStringLiteral("picture of %1 x %2 is too large").arg(info.width).arg(info.height));
  }
}

namespace {

void put16(QByteArray& a, uint16_t v) {
  a.append(char(v & 0xFF));
  a.append(char(v >> 8));
}
void put32(QByteArray& a, uint32_t v) {
  for (int i = 0; i < 4; ++i) a.append(char((v >> (8 * i)) & 0xFF));
}

}  // namespace

QByteArray WriteBMP(const TBitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic(QStringLiteral("An empty picture cannot be saved as BMP"));
  const int bpp = bitmap.BitsPerPixel();
  const size_t maxColours = bpp <= 8 ? size_t(1) << bpp : 0;
  size_t colours = std::min(bitmap.Palette().size(), maxColours);
  if (bpp <= 8 && colours == 0) colours = maxColours;
  const uint32_t offBits = uint32_t(kFileHeaderSize + 40 + 4 * colours);
  const uint64_t imageBytes = uint64_t(bitmap.Stride()) * uint64_t(bitmap.Height());
  if (offBits + imageBytes > 0xFFFFFFFFull) throw EInvalidGraphic(QStringLiteral("Picture too large for a BMP file"));

  QByteArray out;
  out.reserve(qsizetype(offBits + imageBytes));
  out.append("BM", 2);
  put32(out, uint32_t(offBits + imageBytes));
  put32(out, 0);
  put32(out, offBits);
  put32(out, 40);
  put32(out, uint32_t(bitmap.Width()));
  put32(out, uint32_t(bitmap.Height()));
  put16(out, 1);
  put16(out, uint16_t(bpp));
  put32(out, kBiRgb);
  put32(out, uint32_t(imageBytes));
  put32(out, 0);
  put32(out, 0);
  put32(out, uint32_t(bpp <= 8 ? colours : 0));
  put32(out, 0);
  for (size_t i = 0; i < colours; ++i) {
    const TRGBQuad q = i < bitmap.Palette().size() ? bitmap.Palette()[i] : TRGBQuad{};
    out.append(char(q.blue));
    out.append(char(q.green));
    out.append(char(q.red));
    out.append(char(0));
  }
  for (int y = bitmap.Height() - 1; y >= 0; --y)
    out.append(reinterpret_cast<const char*>(bitmap.ScanLine(y)), qsizetype(bitmap.Stride()));
  return out;
}

void TBMPGraphic::LoadFromStream(QIODevice& stream) {
  const auto bytes = platform::SourceBytes::FromDevice(stream, "BM");
  if (!bytes) fail(bytes.Why());
  bitmap_ = ReadBMP(bytes.Span());
}

void TBMPGraphic::SaveToStream(QIODevice& stream) const {
  const QByteArray bytes = WriteBMP(bitmap_);
  if (stream.write(bytes) != bytes.size()) throw EInvalidGraphic(QStringLiteral("Cannot write BMP data"));
}

const TGraphicClass& BMPGraphicClass() {
  static const TGraphicClass cls{QStringLiteral("TBMPGraphic"), [] { return std::make_unique<TBMPGraphic>(); }};
  return cls;
}

}  // namespace graphics
