#pragma once
// What the reader gathers from a PNG file's chunks before the pixels are decoded, and
// the table of chunk readers (one small function per chunk kind).
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "decode/png_info.h"
#include "graphics/bitmap.h"
#include "platform/byte_reader.h"

namespace decode {

struct TPNGHeader {
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 0;
  uint8_t colorType = 0;  // low 3 bits of the stored byte
  uint8_t compression = 0, filter = 0, interlace = 0;
  bool alpha = false;    // colour types 4 and 6
  bool grey = false;     // colour types 0 and 4
  bool palette = false;  // colour type 3
  int channels = 1;      // samples per pixel in the file

  int BitsPerPixel() const { return channels * bitDepth; }
};

struct TPNGReadState {
  explicit TPNGReadState(TQVPNGInfo& i) : info(i) { paletteAlpha.fill(255); }

  TQVPNGInfo& info;
  bool haveHeader = false;
  TPNGHeader header;

  bool havePalette = false;
  std::vector<graphics::TRGBQuad> palette;

  bool haveTrns = false;
  std::array<uint8_t, 256> paletteAlpha;  // 255 past the entries tRNS lists
  uint16_t trnsGrey = 0;
  std::array<uint16_t, 3> trnsRGB{};  // red, green, blue

  bool seenIDAT = false;
  std::vector<std::span<const uint8_t>> idat;
  uint64_t idatBytes = 0;

  bool ended = false;
};

inline constexpr uint32_t PngChunkType(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 |
         uint32_t(uint8_t(s[3]));
}

// Longest text a tEXt or zTXt chunk may carry once inflated; longer texts are dropped.
inline constexpr size_t kPNGMaxTextBytes = size_t(1) << 20;

// Reads one chunk's data into state; unknown types are skipped. Throws EQVPNG for the
// header errors.
void PngReadChunk(uint32_t type, platform::ByteReader data, TPNGReadState& state);

// Validates a header as the IHDR reader does (throws EQVPNG).
void PngValidateHeader(TPNGHeader& header);

}  // namespace decode
