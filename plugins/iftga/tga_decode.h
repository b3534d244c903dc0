#pragma once
// Truevision TGA reader of iftga.spi: colour-mapped, true-colour and grey pictures,
// uncompressed or run-length encoded, into a 24-bit bottom-up DIB.
#include <cstddef>
#include <cstdint>

#include "spi.h"

namespace iftga {

struct TgaHeader {
  uint8_t idLength, colorMapType, imageType;
  uint16_t colorMapFirst, colorMapLength;
  uint8_t colorMapDepth;
  uint16_t xOrigin, yOrigin, width, height;
  uint8_t pixelDepth, descriptor;
};

// Reads and checks the 18-byte header (a plausible TGA: known type and depths, size > 0).
bool ReadHeader(const uint8_t* data, size_t size, TgaHeader& h);

// SPI_ALL_RIGHT and the picture in two malloc'd handles, or an SPI error code. maxBytes
// caps the decoded pixel buffer. A run or a raw packet is clamped to what is left of the
// picture; a colour-map index outside the map gives black; a file that ends before the
// picture does is SPI_OUT_OF_ORDER, with no handles.
int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes,
           SPI_PROGRESS progress = nullptr, long lData = 0);

}  // namespace iftga
