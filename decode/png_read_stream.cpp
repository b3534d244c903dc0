#include "decode/png_read_stream.h"

#include <algorithm>
#include <cstring>

#include "decode/png_adam7.h"
#include "decode/png_chunks.h"
#include "decode/png_error.h"
#include "decode/png_filter.h"
#include "decode/png_rows.h"
#include "decode/png_zlib.h"
#include "graphics/image_size.h"

namespace decode {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate cannot shrink data more than about 1032:1; anything promising more pixels than
// that is refused before the bitmap is allocated.
constexpr uint64_t kMaxInflateRatio = 1100;
constexpr uint64_t kInflateSlack = 4096;

void readChunks(platform::ByteReader& r, TPNGReadState& s) {
  while (!s.ended) {
    uint32_t length = 0, type = 0;
    if (!r.u32be(length) || !r.u32be(type)) return;
    platform::ByteReader data;
    if (length > 0x7FFFFFFFu || !r.sub(length, data)) return;  // truncated: stop here
    PngReadChunk(type, data, s);
    r.skip(std::min<size_t>(4, r.left()));  // CRC, not checked
  }
}

// Single transparent colour or per-index alpha from tRNS. Returns true when a mask
// is needed (palette with partial or several transparent entries).
bool applyTransparency(const TPNGReadState& s, graphics::TBitmap& bitmap) {
  if (!s.haveTrns) return false;
  const TPNGHeader& h = s.header;
  if (h.palette) {
    const size_t count = std::min<size_t>(s.palette.size(), 256);
    int clear = -1, clearCount = 0, partial = 0;
    for (size_t i = 0; i < count; ++i) {
      const uint8_t a = s.paletteAlpha[i];
      if (a == 0) {
        clear = int(i);
        ++clearCount;
      } else if (a != 255) {
        ++partial;
      }
    }
    if (clearCount == 1 && partial == 0) {
      bitmap.Transparent = true;
      bitmap.TransparentColor = s.palette[size_t(clear)];
      return false;
    }
    return clearCount + partial > 0;
  }
  if (h.grey) {
    const unsigned v = s.trnsGrey;
    if (h.bitDepth == 16) {
      const uint8_t g = uint8_t(v >> 8);
      bitmap.TransparentColor = graphics::TRGBQuad{g, g, g, 0};
    } else {
      // Below 16 bits the value is a sample: its colour is the ramp's entry for it.
      if (v >= (1u << h.bitDepth)) return false;
      bitmap.TransparentColor = bitmap.Palette()[v];
    }
    bitmap.Transparent = true;
    return false;
  }
  const auto pick = [&](uint16_t v) { return h.bitDepth == 16 ? uint8_t(v >> 8) : uint8_t(v); };
  bitmap.TransparentColor = graphics::TRGBQuad{pick(s.trnsRGB[2]), pick(s.trnsRGB[1]), pick(s.trnsRGB[0]), 0};
  bitmap.Transparent = true;
  return false;
}

void decodeImage(const TPNGReadState& s, graphics::TBitmap& bitmap, graphics::TBitmap& mask) {
  const TPNGHeader& h = s.header;
  const graphics::TPixelFormat format = PngOutputFormat(h);
  if (h.width == 0 || h.height == 0 || !graphics::checkedImageBytes(h.width, h.height, int(format)))
    throw EQVPNG(png_msg::kImageSize);
  const auto passes = PngPasses(int(h.width), int(h.height), h.interlace == 1);
  const int bitsPerPixel = h.BitsPerPixel();
  const uint64_t rawSize = PngRawSize(passes, bitsPerPixel);
  if (s.idatBytes * kMaxInflateRatio + kInflateSlack < rawSize) throw EQVPNG(png_msg::kReadError);

  bitmap.SetSize(int(h.width), int(h.height), format);
  if (format != graphics::TPixelFormat::pf24bit) bitmap.Palette() = PngOutputPalette(h, s.palette);
  const bool paletteMask = applyTransparency(s, bitmap);
  const bool wantMask = h.alpha || paletteMask;
  if (wantMask) {
    mask.SetSize(int(h.width), int(h.height), graphics::TPixelFormat::pf8bit);
    for (int i = 0; i < 256; ++i) mask.Palette()[size_t(i)] = graphics::TRGBQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  } else {
    mask.Clear();
  }

  TPNGRowSink sink(h, bitmap, wantMask ? &mask : nullptr, paletteMask ? s.paletteAlpha.data() : nullptr);
  TPNGInflater inflater(s.idat);
  const size_t pixelBytes = size_t(std::max(1, bitsPerPixel / 8));
  const size_t maxRow = PngRowBytes(int(h.width), bitsPerPixel) + 1;
  std::vector<uint8_t> current(maxRow), prior(maxRow);
  for (const TPNGPass& pass : passes) {
    if (pass.width == 0 || pass.height == 0) continue;
    const size_t rowBytes = PngRowBytes(pass.width, bitsPerPixel);
    for (int row = 0; row < pass.height; ++row) {
      inflater.Read(current.data(), rowBytes + 1);
      if (!PngUnfilterRow(current[0], current.data() + 1, row ? prior.data() + 1 : nullptr, rowBytes, pixelBytes))
        throw EQVPNG(png_msg::kReadError);
      sink.Put(pass, row, current.data() + 1);
      std::swap(current, prior);
    }
  }
}

}  // namespace

void TQVPNGReadStream::Read(graphics::TBitmap& bitmap, graphics::TBitmap& mask) {
  platform::ByteReader& r =
      Reader(CheckSignature ? QByteArrayView(kSignature, sizeof kSignature) : QByteArrayView());
  if (CheckSignature) {
    uint8_t signature[8];
    if (!r.bytes(signature, 8) || std::memcmp(signature, kSignature, 8) != 0) throw EQVPNG(png_msg::kNotPng);
  }
  TPNGReadState state(info_);
  readChunks(r, state);
  Finish();
  if (!state.haveHeader) throw EQVPNG(png_msg::kReadError);
  decodeImage(state, bitmap, mask);
}

}  // namespace decode
