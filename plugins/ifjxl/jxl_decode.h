#pragma once
// JPEG XL reader of ifjxl.spi (libjxl): the first frame, turned as the file's orientation
// says; alpha goes onto white in a 24-bit bottom-up DIB.
#include <cstddef>
#include <cstdint>

#include "spi.h"

namespace ifjxl {

bool LooksLikeJxl(const uint8_t* head, size_t size);
// Size of the picture as it is shown; false when libjxl rejects the header.
bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info);
// SPI_ALL_RIGHT and the picture in two malloc'd handles, or an SPI error code: a picture
// past the plug-ins' size limit or maxBytes is SPI_NO_MEMORY (libjxl's own allocations are
// held to a budget that grows with maxBytes), broken or cut short data SPI_OUT_OF_ORDER.
int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes,
           SPI_PROGRESS progress = nullptr, long lData = 0);

}  // namespace ifjxl
