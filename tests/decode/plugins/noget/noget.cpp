// Test plug-in: claims "00IN" but exports no GetPicture.
#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "No GetPicture", "*.nog", "Missing function"};
}

extern "C" {
int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }
int IsSupported(const char*, void*) { return 1; }
int GetPictureInfo(const char*, long, unsigned int, SpiPictureInfo*) { return SPI_ALL_RIGHT; }
}
