// ifjxl.spi: JPEG XL pictures through libjxl (the first frame).
#include <vector>

#include "spi.h"
#include "spi_image_size.h"
#include "spi_plugin_util.h"
#include "jxl_decode.h"

namespace {
const char* const kInfo[] = {"00IN", "JPEG XL plug-in for QIVO2", "*.jxl", "JPEG XL"};
}

extern "C" {

int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }

int IsSupported(const char*, void* dw) {
  return dw && ifjxl::LooksLikeJxl(static_cast<const uint8_t*>(dw), 2048) ? 1 : 0;
}

int GetPictureInfo(const char* buf, long len, unsigned int flag, SpiPictureInfo* lpInfo) {
  if (!lpInfo) return SPI_OTHER_ERROR;
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return ifjxl::ReadInfo(data.data(), data.size(), *lpInfo) ? SPI_ALL_RIGHT : SPI_NOT_SUPPORT;
}

int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
               SPI_PROGRESS lpProgressCallback, long lData) {
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return ifjxl::Decode(data.data(), data.size(), pHBInfo, pHBm, spi_util::kMaxImageBytes, lpProgressCallback,
                        lData);
}

}  // extern "C"
