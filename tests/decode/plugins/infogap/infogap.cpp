// Test plug-in: GetPluginInfo answers nothing for the number named by the environment
// variable QIVO2_TEST_INFOGAP (0 type, 1 name, 2 first pattern).
#include <cstdlib>

#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "Info gap", "*.gap", "Gap"};
}

extern "C" {
int GetPluginInfo(int infono, char* buf, int buflen) {
  const char* gap = std::getenv("QIVO2_TEST_INFOGAP");
  if (gap && std::atoi(gap) == infono) return 0;
  return spi_util::PluginInfo(kInfo, infono, buf, buflen);
}
int IsSupported(const char*, void*) { return 1; }
int GetPictureInfo(const char*, long, unsigned int, SpiPictureInfo*) { return SPI_ALL_RIGHT; }
int GetPicture(const char*, long, unsigned int, void**, void**, SPI_PROGRESS, long) { return SPI_NOT_SUPPORT; }
}
