#pragma once
// HEIF reader of ifheif.spi (libheif): HEIC and AVIF, the primary picture with the file's
// own crop, rotation and mirror applied; alpha goes onto white in a 24-bit bottom-up DIB.
#include <cstddef>
#include <cstdint>

#include "spi.h"

namespace ifheif {

bool LooksLikeHeif(const uint8_t* head, size_t size);
// Size of the primary picture (turned as it is shown); false when libheif rejects the file.
bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info);
// SPI_ALL_RIGHT and the primary picture (preview: its stored thumbnail) in two malloc'd
// handles, or an SPI error code: a picture past the plug-ins' size limit or maxBytes is
// SPI_NO_MEMORY, broken data SPI_OUT_OF_ORDER, a preview of a file without a thumbnail
// SPI_NOT_SUPPORT.
int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, bool preview = false,
           SPI_PROGRESS progress = nullptr, long lData = 0);

}  // namespace ifheif
