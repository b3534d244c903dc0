// Test plug-in: "HANG" pictures (*.hang) whose decode never returns: GetPicture sleeps in a
// loop until the process ends, as a plug-in caught in an endless loop would (without the
// spinning). Recognising and measuring them is quick.
#include <cstring>
#include <time.h>

#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "Endless test plug-in", "*.hang", "Never decoded"};

bool Magic(const void* p) { return std::memcmp(p, "HANG", 4) == 0; }
}  // namespace

extern "C" {
int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }
int IsSupported(const char*, void* dw) { return Magic(dw) ? 1 : 0; }
int GetPictureInfo(const char*, long, unsigned int, SpiPictureInfo* info) {
  *info = {};
  info->width = 1;
  info->height = 1;
  info->colorDepth = 24;
  return SPI_ALL_RIGHT;
}
int GetPicture(const char*, long, unsigned int, void**, void**, SPI_PROGRESS, long) {
  for (;;) {
    const timespec pause{0, 50 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}
}
