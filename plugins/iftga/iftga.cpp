// iftga.spi: Truevision TGA pictures.
#include <vector>

#include "spi.h"
#include "spi_plugin_util.h"
#include "tga_decode.h"
#include "spi_image_size.h"

namespace {
const char* const kInfo[] = {"00IN", "TGA plug-in for QIVO2", "*.tga;*.targa", "Truevision TGA"};
}

extern "C" {

int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }

int IsSupported(const char*, void* dw) {
  if (!dw) return 0;
  iftga::TgaHeader h;
  return iftga::ReadHeader(static_cast<const uint8_t*>(dw), 2048, h) ? 1 : 0;
}

int GetPictureInfo(const char* buf, long len, unsigned int flag, SpiPictureInfo* lpInfo) {
  if (!lpInfo) return SPI_OTHER_ERROR;
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  iftga::TgaHeader h;
  if (!iftga::ReadHeader(data.data(), data.size(), h)) return SPI_NOT_SUPPORT;
  *lpInfo = {};
  lpInfo->left = h.xOrigin;
  lpInfo->top = h.yOrigin;
  lpInfo->width = h.width;
  lpInfo->height = h.height;
  lpInfo->colorDepth = h.pixelDepth;
  return SPI_ALL_RIGHT;
}

int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
               SPI_PROGRESS lpProgressCallback, long lData) {
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return iftga::Decode(data.data(), data.size(), pHBInfo, pHBm, spi_util::kMaxImageBytes, lpProgressCallback,
                       lData);
}

}  // extern "C"
