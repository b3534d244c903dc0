#pragma once
// TIFF reader of iftiff.spi (libtiff's RGBA reader): every compression, bit depth and
// photometric that libtiff turns into RGBA (none, LZW, Deflate, PackBits, JPEG; 1 to 16
// bits; grey, palette, RGB, CMYK, YCbCr; strips and tiles). A multi-page file gives its first
// page. Alpha goes onto white in a 24-bit bottom-up DIB.
#include <cstddef>
#include <cstdint>

#include "spi.h"

namespace iftiff {

bool LooksLikeTiff(const uint8_t* head, size_t size);
// Size and depth of the first page; false when libtiff rejects the file.
bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info);
// SPI_ALL_RIGHT and the first page in two malloc'd handles, or an SPI error code: a page
// past the plug-ins' size limit or maxBytes is SPI_NO_MEMORY (maxBytes also caps each of
// libtiff's own allocations), a kind libtiff cannot turn into RGBA SPI_NOT_SUPPORT, broken
// or cut short data SPI_OUT_OF_ORDER.
int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes,
           SPI_PROGRESS progress = nullptr, long lData = 0);

}  // namespace iftiff
