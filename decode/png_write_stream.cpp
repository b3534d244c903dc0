#include "decode/png_write_stream.h"

#include <zlib.h>

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "decode/png_adam7.h"
#include "decode/png_error.h"
#include "decode/png_zlib.h"

namespace decode {

using graphics::TBitmap;
using graphics::TPixelFormat;
using graphics::TRGBQuad;

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr char kSoftware[] = "QVPNG ver 3.4";

void put16(QByteArray& b, unsigned v) {
  b.append(char(v >> 8));
  b.append(char(v));
}
void put32(QByteArray& b, uint32_t v) {
  put16(b, v >> 16);
  put16(b, v & 0xFFFF);
}

// What the file will hold for a given bitmap and mask.
struct Layout {
  const TBitmap* pixels = nullptr;  // the bitmap, or its 24-bit copy for a palette picture with mask
  bool alpha = false;
  bool palette = false;
  uint8_t colorType = 2;
  uint8_t depth = 8;
  int paletteCount = 0;
  std::optional<int> transparentIndex;
  std::optional<int> backgroundIndex;

  int BitsPerPixel() const { return palette ? depth : (alpha ? 32 : 24); }
};

std::optional<int> findColor(const std::vector<TRGBQuad>& palette, TRGBQuad c, size_t count) {
  for (size_t i = 0; i < std::min(count, palette.size()); ++i)
    if (palette[i].red == c.red && palette[i].green == c.green && palette[i].blue == c.blue) return int(i);
  return std::nullopt;
}

// The palette entries the picture uses (at least one).
int usedPaletteCount(const TBitmap& b) {
  int highest = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) highest = std::max(highest, b.PixelIndex(x, y));
  return highest + 1;
}

QByteArray textChunk(const char* keyword, const QString& text) {
  QByteArray b(keyword);
  b.append('\0');
  b.append(PngTextToBytes(text));
  return b;
}

// Serialises rows (filter byte 0 and the row) into deflated IDAT chunks.
class IdatWriter {
 public:
  IdatWriter(int level, int chunkSize, std::function<void(const uint8_t*, size_t)> output)
      : buffer_(size_t(chunkSize)), emit_(std::move(output)) {
    if (level < 0 || level > 9) level = Z_DEFAULT_COMPRESSION;
    if (deflateInit(&z_, level) != Z_OK) throw EQVPNG(png_msg::kWriteError);
    z_.next_out = buffer_.data();
    z_.avail_out = uInt(buffer_.size());
  }
  ~IdatWriter() { deflateEnd(&z_); }

  void Row(const uint8_t* data, size_t n) {
    const uint8_t filter = 0;
    Feed(&filter, 1, Z_NO_FLUSH);
    Feed(data, n, Z_NO_FLUSH);
  }
  void Finish() {
    Feed(nullptr, 0, Z_FINISH);
    if (z_.avail_out < buffer_.size()) emit_(buffer_.data(), buffer_.size() - z_.avail_out);
  }

 private:
  void Feed(const uint8_t* data, size_t n, int flush) {
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = uInt(n);
    for (;;) {
      const int rc = deflate(&z_, flush);
      if (rc == Z_STREAM_ERROR) throw EQVPNG(png_msg::kWriteError);
      if (z_.avail_out == 0) {
        emit_(buffer_.data(), buffer_.size());
        z_.next_out = buffer_.data();
        z_.avail_out = uInt(buffer_.size());
        continue;
      }
      if (flush == Z_FINISH ? rc == Z_STREAM_END : z_.avail_in == 0) return;
    }
  }

  z_stream z_{};
  std::vector<uint8_t> buffer_;
  std::function<void(const uint8_t*, size_t)> emit_;
};

// One pass row in file layout.
void buildRow(const Layout& l, const TBitmap* mask, const TPNGPass& pass, int row, std::vector<uint8_t>& out) {
  const TBitmap& b = *l.pixels;
  const int y = pass.y0 + row * pass.dy;
  const uint8_t* line = b.ScanLine(y);
  const size_t bytes = PngRowBytes(pass.width, l.BitsPerPixel());
  out.assign(bytes, 0);
  if (l.palette) {
    if (pass.dx == 1) {
      std::memcpy(out.data(), line, bytes);
      return;
    }
    for (int i = 0; i < pass.width; ++i) {
      const size_t bit = size_t(i) * l.depth;
      const int index = b.PixelIndex(pass.x0 + i * pass.dx, y);
      out[bit >> 3] |= uint8_t(index << (8 - l.depth - (bit & 7)));
    }
    return;
  }
  const uint8_t* m = l.alpha ? mask->ScanLine(y) : nullptr;
  uint8_t* d = out.data();
  for (int i = 0; i < pass.width; ++i) {
    const int x = pass.x0 + i * pass.dx;
    const uint8_t* p = line + size_t(x) * 3;
    *d++ = p[2];
    *d++ = p[1];
    *d++ = p[0];
    if (m) *d++ = m[x];
  }
}

}  // namespace

void TQVPNGWriteStream::WriteChunk(const char (&type)[5], std::span<const uint8_t> data) {
  uint8_t head[8];
  qToBigEndian<uint32_t>(uint32_t(data.size()), head);
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0L, head + 4, 4);
  crc = crc32(crc, data.data(), uInt(data.size()));
  uint8_t tail[4];
  qToBigEndian<uint32_t>(uint32_t(crc), tail);
  if (!WriteBytes(head, 8) || !WriteBytes(data.data(), data.size()) || !WriteBytes(tail, 4))
    throw EQVPNG(png_msg::kWriteError);
}

void TQVPNGWriteStream::WriteChunk(const char (&type)[5], const QByteArray& data) {
  WriteChunk(type, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
}

void TQVPNGWriteStream::Write(const TBitmap& bitmap, const TBitmap& mask) {
  if (bitmap.Empty()) throw EQVPNG(png_msg::kWriteError);
  const bool hasMask = !mask.Empty() && mask.Width() == bitmap.Width() && mask.Height() == bitmap.Height() &&
                       mask.PixelFormat() == TPixelFormat::pf8bit;
  TBitmap converted;
  Layout l;
  l.pixels = &bitmap;
  l.alpha = hasMask;
  if (bitmap.PixelFormat() != TPixelFormat::pf24bit) {
    if (hasMask) {
      converted = bitmap.To24();
      l.pixels = &converted;
    } else {
      l.palette = true;
      l.colorType = 3;
      l.depth = uint8_t(bitmap.BitsPerPixel());
    }
  }
  if (!l.palette) l.colorType = hasMask ? 6 : 2;
  bool transparent = bitmap.Transparent && !hasMask;
  if (l.palette) {
    const auto& pal = bitmap.Palette();
    const size_t limit = size_t(1) << l.depth;
    l.paletteCount = usedPaletteCount(bitmap);
    if (transparent) l.transparentIndex = findColor(pal, bitmap.TransparentColor, limit);
    if (info_.HasBackground) l.backgroundIndex = findColor(pal, info_.Background, limit);
    for (const auto& i : {l.transparentIndex, l.backgroundIndex})
      if (i) l.paletteCount = std::max(l.paletteCount, *i + 1);
    l.paletteCount = int(std::min<size_t>(size_t(l.paletteCount), limit));
    transparent = transparent && l.transparentIndex.has_value();
  }

  if (params_.WriteSignature && !WriteBytes(kSignature, 8)) throw EQVPNG(png_msg::kWriteError);

  QByteArray ihdr;
  put32(ihdr, uint32_t(bitmap.Width()));
  put32(ihdr, uint32_t(bitmap.Height()));
  ihdr.append(char(l.depth)).append(char(l.colorType)).append('\0').append('\0').append(char(params_.Interlace ? 1 : 0));
  WriteChunk("IHDR", ihdr);

  const QDateTime t = info_.Time.isValid() ? info_.Time.toUTC() : QDateTime::currentDateTimeUtc();
  QByteArray time;
  put16(time, unsigned(std::clamp(t.date().year(), 0, 65535)));
  time.append(char(t.date().month())).append(char(t.date().day()));
  time.append(char(t.time().hour())).append(char(t.time().minute())).append(char(t.time().second()));
  WriteChunk("tIME", time);

  if (!info_.Comment.isEmpty()) WriteChunk("tEXt", textChunk("Comment", info_.Comment));
  WriteChunk("tEXt", textChunk("Software", QString::fromLatin1(kSoftware)));

  QByteArray private_("QVP3");
  private_.append(char(hasMask ? 1 : 0)).append(char(transparent ? 1 : 0)).append('\0').append('\0');
  WriteChunk("tpNG", private_);

  if (info_.HasGifControl) {
    QByteArray g;
    g.append(char(info_.GifControl.disposal)).append(char(info_.GifControl.userInput));
    put16(g, info_.GifControl.delay);
    WriteChunk("gIFg", g);
  }
  const auto fixed = [](double v) { return uint32_t(std::clamp(std::lround(v * 100000.0), 0L, 0x7FFFFFFFL)); };
  if (info_.HasGamma) {
    QByteArray g;
    put32(g, fixed(info_.Gamma));
    WriteChunk("gAMA", g);
  }
  if (info_.HasChromaticities) {
    const auto& c = info_.Chromaticities;
    QByteArray b;
    for (double v : {c.whiteX, c.whiteY, c.redX, c.redY, c.greenX, c.greenY, c.blueX, c.blueY}) put32(b, fixed(v));
    WriteChunk("cHRM", b);
  }
  if (info_.SignificantBitsCount > 0) {
    // A greyscale source stored one or two values: grey for every colour, then alpha.
    const auto& s = info_.SignificantBits;
    const bool greySource = info_.SignificantBitsCount <= 2;
    const auto bits = [](uint8_t v) { return char(std::clamp<int>(v, 1, 8)); };
    QByteArray b;
    for (int i = 0; i < 3; ++i) b.append(bits(greySource ? s[0] : s[size_t(i)]));
    if (l.alpha) b.append(bits(greySource ? s[1] : s[3]));
    WriteChunk("sBIT", b);
  }

  if (l.palette) {
    QByteArray plte;
    for (int i = 0; i < l.paletteCount; ++i) {
      const TRGBQuad c = size_t(i) < bitmap.Palette().size() ? bitmap.Palette()[size_t(i)] : TRGBQuad{};
      plte.append(char(c.red)).append(char(c.green)).append(char(c.blue));
    }
    WriteChunk("PLTE", plte);
  }

  if (info_.HasBackground) {
    QByteArray b;
    if (l.palette) {
      if (l.backgroundIndex) b.append(char(*l.backgroundIndex));
    } else {
      for (uint8_t v : {info_.Background.red, info_.Background.green, info_.Background.blue}) put16(b, v);
    }
    if (!b.isEmpty()) WriteChunk("bKGD", b);
  }
  if (transparent) {
    QByteArray b;
    if (l.palette) {
      for (int i = 0; i < l.paletteCount; ++i) b.append(char(i == *l.transparentIndex ? 0 : 255));
    } else {
      const TRGBQuad c = bitmap.TransparentColor;
      for (uint8_t v : {c.red, c.green, c.blue}) put16(b, v);
    }
    WriteChunk("tRNS", b);
  }
  if (info_.HasPhysical) {
    QByteArray b;
    put32(b, info_.Physical.x);
    put32(b, info_.Physical.y);
    b.append(char(info_.Physical.unit));
    WriteChunk("pHYs", b);
  }

  const int chunkSize = std::clamp(params_.IDATSize, kPNGMinIDATSize, kPNGMaxIDATSize);
  IdatWriter idat(params_.CompressionLevel, chunkSize, [this](const uint8_t* p, size_t n) {
    WriteChunk("IDAT", std::span<const uint8_t>(p, n));
  });
  std::vector<uint8_t> row;
  for (const TPNGPass& pass : PngPasses(bitmap.Width(), bitmap.Height(), params_.Interlace)) {
    if (pass.width == 0 || pass.height == 0) continue;
    for (int r = 0; r < pass.height; ++r) {
      buildRow(l, hasMask ? &mask : nullptr, pass, r, row);
      idat.Row(row.data(), row.size());
    }
  }
  idat.Finish();
  WriteChunk("IEND", QByteArray());
}

}  // namespace decode
