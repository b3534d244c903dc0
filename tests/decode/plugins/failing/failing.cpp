// Test plug-in: accepts every file, lists "*.jpg", and fails every decode. On failure it
// leaves junk in the handle slots, which the host must not touch.
#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "Failing test plug-in", "*.jpg;*.fail", "Always fails"};
}

extern "C" {
int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }
int IsSupported(const char*, void*) { return 1; }
int GetPictureInfo(const char*, long, unsigned int, SpiPictureInfo* info) {
  info->hInfo = reinterpret_cast<void*>(16);
  return SPI_OUT_OF_ORDER;
}
int GetPicture(const char*, long, unsigned int, void** pHBInfo, void** pHBm, SPI_PROGRESS, long) {
  *pHBInfo = reinterpret_cast<void*>(16);
  *pHBm = reinterpret_cast<void*>(32);
  return SPI_OTHER_ERROR;
}
}
