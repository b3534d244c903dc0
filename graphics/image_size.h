#pragma once
// The program's names for the plug-in SDK's checked size helpers (width × height × bits).
#include "plugins/spi_image_size.h"

namespace graphics {
using spi_util::checkedImageBytes;
using spi_util::checkedPackedBytes;
using spi_util::checkedStride;
using spi_util::kMaxImageBytes;
using spi_util::kMaxImageSide;
}  // namespace graphics
