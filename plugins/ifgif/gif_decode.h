#pragma once
// GIF reader of ifgif.spi (giflib): the first frame on the logical screen, with
// transparent pixels showing the background colour, as a 24-bit bottom-up DIB.
#include <cstddef>
#include <cstdint>

#include "spi.h"

namespace ifgif {

bool LooksLikeGif(const uint8_t* head, size_t size);
// Screen size and depth of the picture; false when giflib rejects the file.
bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info);
// SPI_ALL_RIGHT and the picture in two malloc'd handles, or an SPI error code. A frame
// cut short is SPI_OUT_OF_ORDER, with no handles.
int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes,
           SPI_PROGRESS progress = nullptr, long lData = 0);

}  // namespace ifgif
