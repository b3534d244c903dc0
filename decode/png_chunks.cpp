#include "decode/png_chunks.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <cstring>

#include "decode/png_error.h"
#include "decode/png_zlib.h"

namespace decode {

void PngValidateHeader(TPNGHeader& h) {
  const uint8_t ct = h.colorType;
  if (ct == 1 || ct == 5 || ct == 7) throw EQVPNG(png_msg::kColorType);
  if (h.compression >= 2) throw EQVPNG(png_msg::kCompression);
  if (h.filter >= 2) throw EQVPNG(png_msg::kFilter);
  if (h.interlace >= 2) throw EQVPNG(png_msg::kInterlace);
  h.alpha = ct == 4 || ct == 6;
  h.grey = ct == 0 || ct == 4;
  h.palette = ct == 3;
  const int d = h.bitDepth;
  if (h.grey) {
    if (d != 1 && d != 2 && d != 4 && d != 8 && d != 16) throw EQVPNG(png_msg::kGreyDepth);
    if (h.alpha && d < 8) throw EQVPNG(png_msg::kGreyAlpha);
  } else if (h.palette) {
    if (d != 1 && d != 2 && d != 4 && d != 8) throw EQVPNG(png_msg::kColorDepth);
  } else if (d != 8 && d != 16) {
    throw EQVPNG(png_msg::kColorDepth);
  }
  h.channels = h.palette ? 1 : (h.grey ? 1 : 3) + (h.alpha ? 1 : 0);
}

namespace {

using ChunkFn = void (*)(platform::ByteReader&, TPNGReadState&);

void readIHDR(platform::ByteReader& r, TPNGReadState& s) {
  if (s.haveHeader) throw EQVPNG(png_msg::kTwoIHDR);
  TPNGHeader h;
  uint8_t colorType = 0;
  if (!r.u32be(h.width) || !r.u32be(h.height) || !r.u8(h.bitDepth) || !r.u8(colorType) ||
      !r.u8(h.compression) || !r.u8(h.filter) || !r.u8(h.interlace))
    throw EQVPNG(png_msg::kReadError);
  h.colorType = colorType & 7;
  PngValidateHeader(h);
  s.header = h;
  s.haveHeader = true;
}

void readPLTE(platform::ByteReader& r, TPNGReadState& s) {
  if (s.seenIDAT) return;
  const size_t count = std::min<size_t>(r.size() / 3, 256);
  s.palette.resize(count);
  for (auto& e : s.palette) {
    const uint8_t* p = r.take(3);
    e = graphics::TRGBQuad{p[2], p[1], p[0], 0};
  }
  s.havePalette = true;
}

void readIDAT(platform::ByteReader& r, TPNGReadState& s) {
  if (!s.haveHeader) return;
  s.seenIDAT = true;
  if (r.size() == 0) return;
  s.idat.emplace_back(r.data(), r.size());
  s.idatBytes += r.size();
}

void readIEND(platform::ByteReader&, TPNGReadState& s) { s.ended = true; }

void readTRNS(platform::ByteReader& r, TPNGReadState& s) {
  if (!s.haveHeader || s.seenIDAT || s.header.alpha) return;
  if (s.header.palette) {
    s.paletteAlpha.fill(255);
    const size_t n = std::min<size_t>(r.size(), 256);
    r.bytes(s.paletteAlpha.data(), n);
    s.haveTrns = n > 0;
  } else if (s.header.grey) {
    s.haveTrns = r.u16be(s.trnsGrey);
  } else {
    s.haveTrns = r.u16be(s.trnsRGB[0]) && r.u16be(s.trnsRGB[1]) && r.u16be(s.trnsRGB[2]);
  }
}

uint8_t sampleTo8(uint16_t v, int depth) { return depth == 16 ? uint8_t(v >> 8) : uint8_t(v); }

void readBKGD(platform::ByteReader& r, TPNGReadState& s) {
  if (!s.haveHeader) return;
  const TPNGHeader& h = s.header;
  graphics::TRGBQuad c;
  if (h.palette) {
    uint8_t index = 0;
    if (!r.u8(index)) return;
    if (index >= s.palette.size()) return;
    c = s.palette[index];
  } else if (h.grey) {
    uint16_t g = 0;
    if (!r.u16be(g)) return;
    uint8_t v = sampleTo8(g, h.bitDepth);
    if (h.bitDepth < 8) v = uint8_t((g & ((1u << h.bitDepth) - 1)) * 255 / ((1u << h.bitDepth) - 1));
    c = graphics::TRGBQuad{v, v, v, 0};
  } else {
    uint16_t red = 0, green = 0, blue = 0;
    if (!r.u16be(red) || !r.u16be(green) || !r.u16be(blue)) return;
    c = graphics::TRGBQuad{sampleTo8(blue, h.bitDepth), sampleTo8(green, h.bitDepth), sampleTo8(red, h.bitDepth), 0};
  }
  s.info.Background = c;
  s.info.HasBackground = true;
}

void readCHRM(platform::ByteReader& r, TPNGReadState& s) {
  uint32_t v[8];
  for (auto& x : v)
    if (!r.u32be(x)) return;
  auto& c = s.info.Chromaticities;
  double* out[8] = {&c.whiteX, &c.whiteY, &c.redX, &c.redY, &c.greenX, &c.greenY, &c.blueX, &c.blueY};
  for (int i = 0; i < 8; ++i) *out[i] = v[i] / 100000.0;
  s.info.HasChromaticities = true;
}

void readGAMA(platform::ByteReader& r, TPNGReadState& s) {
  uint32_t g = 0;
  if (!r.u32be(g) || g == 0) return;
  s.info.Gamma = g / 100000.0;
  s.info.HasGamma = true;
}

void readSBIT(platform::ByteReader& r, TPNGReadState& s) {
  const size_t n = std::min<size_t>(r.size(), 4);
  if (n == 0) return;
  r.bytes(s.info.SignificantBits.data(), n);
  s.info.SignificantBitsCount = int(n);
}

void readPHYS(platform::ByteReader& r, TPNGReadState& s) {
  TQVPNGPhysical p;
  if (!r.u32be(p.x) || !r.u32be(p.y) || !r.u8(p.unit)) return;
  s.info.Physical = p;
  s.info.HasPhysical = true;
}

void readTIME(platform::ByteReader& r, TPNGReadState& s) {
  uint16_t year = 0;
  uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!r.u16be(year) || !r.u8(month) || !r.u8(day) || !r.u8(hour) || !r.u8(minute) || !r.u8(second)) return;
  // A leap second (60) is allowed by the format but not by QTime.
  const QDate date(year, month, day);
  const QTime time(hour, minute, std::min<int>(second, 59));
  if (!date.isValid() || !time.isValid()) return;
  s.info.Time = QDateTime(date, time, Qt::UTC);
}

// Keyword and text of a tEXt-like payload; false when there is no separator.
bool splitText(platform::ByteReader& r, std::span<const uint8_t>& keyword, std::span<const uint8_t>& rest) {
  const uint8_t* p = r.current();
  const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(p, 0, r.left()));
  if (!zero) return false;
  keyword = std::span<const uint8_t>(p, size_t(zero - p));
  r.skip(keyword.size() + 1);
  rest = std::span<const uint8_t>(r.current(), r.left());
  return true;
}

bool isComment(std::span<const uint8_t> keyword) {
  static constexpr char kComment[] = "Comment";
  return keyword.size() == sizeof kComment - 1 && std::memcmp(keyword.data(), kComment, keyword.size()) == 0;
}

void addComment(TPNGReadState& s, std::span<const uint8_t> text) {
  QString& c = s.info.Comment;
  if (!c.isEmpty()) c += QStringLiteral("\r\n");
  c += PngTextFromBytes(text);
  c += QStringLiteral("\r\n");
}

void readTEXT(platform::ByteReader& r, TPNGReadState& s) {
  std::span<const uint8_t> keyword, text;
  if (!splitText(r, keyword, text) || !isComment(keyword)) return;
  if (text.size() > kPNGMaxTextBytes) return;
  addComment(s, text);
}

void readZTXT(platform::ByteReader& r, TPNGReadState& s) {
  std::span<const uint8_t> keyword, rest;
  if (!splitText(r, keyword, rest) || !isComment(keyword) || rest.empty() || rest[0] != 0) return;
  const auto text = PngInflateLimited(rest.subspan(1), kPNGMaxTextBytes);
  if (!text) return;
  addComment(s, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text->constData()), size_t(text->size())));
}

void readGIFG(platform::ByteReader& r, TPNGReadState& s) {
  TQVPNGGifControl g;
  if (!r.u8(g.disposal) || !r.u8(g.userInput) || !r.u16be(g.delay)) return;
  s.info.GifControl = g;
  s.info.HasGifControl = true;
}

struct ChunkEntry {
  uint32_t type;
  ChunkFn read;
};

constexpr ChunkEntry kChunks[] = {
    {PngChunkType("IHDR"), readIHDR}, {PngChunkType("PLTE"), readPLTE}, {PngChunkType("IDAT"), readIDAT},
    {PngChunkType("IEND"), readIEND}, {PngChunkType("tRNS"), readTRNS}, {PngChunkType("bKGD"), readBKGD},
    {PngChunkType("cHRM"), readCHRM}, {PngChunkType("gAMA"), readGAMA}, {PngChunkType("sBIT"), readSBIT},
    {PngChunkType("pHYs"), readPHYS}, {PngChunkType("tIME"), readTIME}, {PngChunkType("tEXt"), readTEXT},
    {PngChunkType("zTXt"), readZTXT}, {PngChunkType("gIFg"), readGIFG},
};

}  // namespace

void PngReadChunk(uint32_t type, platform::ByteReader data, TPNGReadState& state) {
  for (const auto& e : kChunks)
    if (e.type == type) {
      e.read(data, state);
      return;
    }
}

}  // namespace decode
