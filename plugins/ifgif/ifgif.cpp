// ifgif.spi: GIF pictures through giflib (first frame).
#include <vector>

#include "gif_decode.h"
#include "spi_image_size.h"
#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "GIF plug-in for QIVO2", "*.gif", "CompuServe GIF"};
}

extern "C" {

int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }

int IsSupported(const char*, void* dw) {
  return dw && ifgif::LooksLikeGif(static_cast<const uint8_t*>(dw), 2048) ? 1 : 0;
}

int GetPictureInfo(const char* buf, long len, unsigned int flag, SpiPictureInfo* lpInfo) {
  if (!lpInfo) return SPI_OTHER_ERROR;
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return ifgif::ReadInfo(data.data(), data.size(), *lpInfo) ? SPI_ALL_RIGHT : SPI_NOT_SUPPORT;
}

int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
               SPI_PROGRESS lpProgressCallback, long lData) {
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return ifgif::Decode(data.data(), data.size(), pHBInfo, pHBm, spi_util::kMaxImageBytes, lpProgressCallback,
                       lData);
}

}  // extern "C"
