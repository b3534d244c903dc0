// Test plug-in: an "00AM" archive plug-in with every function its type requires.
#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00AM", "Archive test plug-in", "*.tar", "Test archive"};
}

extern "C" {
int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }
int IsSupported(const char*, void*) { return 1; }
int GetArchiveInfo(const char*, long, unsigned int, void**) { return SPI_NOT_SUPPORT; }
int GetFileInfo(const char*, long, const char*, unsigned int, SpiFileInfo*) { return SPI_NOT_SUPPORT; }
int GetFile(const char*, long, char*, unsigned int, SPI_PROGRESS, long) { return SPI_NOT_SUPPORT; }
}
