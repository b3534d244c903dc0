#pragma once
// The program's name for the plug-in SDK's bounded reader: one reader for outside bytes,
// shared with the plug-ins we ship.
#include "plugins/spi_byte_reader.h"

namespace platform {
using ByteReader = spi_util::ByteReader;
}  // namespace platform
