// ifheif.spi: HEIC and AVIF pictures through libheif; GetPreview gives the stored thumbnail.
#include <vector>

#include "heif_decode.h"
#include "spi.h"
#include "spi_image_size.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN",   "HEIF plug-in for QIVO2", "*.heic;*.heif;*.hif", "HEIF picture (HEIC)",
                             "*.avif", "AV1 picture (AVIF)"};

int Get(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm, bool preview,
        SPI_PROGRESS progress, long lData) {
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return ifheif::Decode(data.data(), data.size(), pHBInfo, pHBm, spi_util::kMaxImageBytes, preview, progress, lData);
}
}  // namespace

extern "C" {

int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }

int IsSupported(const char*, void* dw) {
  return dw && ifheif::LooksLikeHeif(static_cast<const uint8_t*>(dw), 2048) ? 1 : 0;
}

int GetPictureInfo(const char* buf, long len, unsigned int flag, SpiPictureInfo* lpInfo) {
  if (!lpInfo) return SPI_OTHER_ERROR;
  std::vector<uint8_t> data;
  if (const int rc = spi_util::ReadSource(buf, len, flag, data)) return rc;
  return ifheif::ReadInfo(data.data(), data.size(), *lpInfo) ? SPI_ALL_RIGHT : SPI_NOT_SUPPORT;
}

int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
               SPI_PROGRESS lpProgressCallback, long lData) {
  return Get(buf, len, flag, pHBInfo, pHBm, false, lpProgressCallback, lData);
}

int GetPreview(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm,
               SPI_PROGRESS lpProgressCallback, long lData) {
  return Get(buf, len, flag, pHBInfo, pHBm, true, lpProgressCallback, lData);
}

}  // extern "C"
