#pragma once
// WebP reader of ifwebp.spi (libwebp): lossy, lossless and alpha; an animation gives its
// first frame on the canvas. Alpha goes onto white in a 24-bit bottom-up DIB.
#include <cstddef>
#include <cstdint>

#include "spi.h"

namespace ifwebp {

bool LooksLikeWebp(const uint8_t* head, size_t size);
// Canvas size of the picture; false when libwebp rejects the header.
bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info);
// SPI_ALL_RIGHT and the picture in two malloc'd handles, or an SPI error code: a picture
// past the plug-ins' size limit or maxBytes is SPI_NO_MEMORY, broken data SPI_OUT_OF_ORDER.
int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes,
           SPI_PROGRESS progress = nullptr, long lData = 0);

}  // namespace ifwebp
