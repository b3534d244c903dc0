// Test plug-in: "QRAW" pictures (magic, width and height as 16-bit little-endian, then
// blue-green-red pixels, rows top-down, unpadded). Reads files from the given offset and
// memory sources, so a MacBinary-prefixed file is taken at offset 128 only.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "Raw test plug-in", "*.pi;*.pic", "QRAW picture", "*.qraw", "QRAW too"};

bool Magic(const uint8_t* p, size_t n) { return n >= 8 && std::memcmp(p, "QRAW", 4) == 0; }
}  // namespace

extern "C" {

int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }

int IsSupported(const char*, void* dw) { return Magic(static_cast<const uint8_t*>(dw), 2048) ? 1 : 0; }

int GetPictureInfo(const char* buf, long len, unsigned int flag, SpiPictureInfo* info) {
  std::vector<uint8_t> d;
  if (int rc = spi_util::ReadSource(buf, len, flag, d)) return rc;
  if (!Magic(d.data(), d.size())) return SPI_NOT_SUPPORT;
  *info = {};
  info->width = d[4] | d[5] << 8;
  info->height = d[6] | d[7] << 8;
  info->colorDepth = 24;
  info->hInfo = std::malloc(8);  // text handle the host must free
  std::memcpy(info->hInfo, "comment", 8);
  return SPI_ALL_RIGHT;
}

int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm, SPI_PROGRESS progress,
               long lData) {
  std::vector<uint8_t> d;
  if (int rc = spi_util::ReadSource(buf, len, flag, d)) return rc;
  if (!Magic(d.data(), d.size())) return SPI_NOT_SUPPORT;
  const int w = d[4] | d[5] << 8, h = d[6] | d[7] << 8;
  if (w == 0 || h == 0 || d.size() < 8 + size_t(w) * h * 3) return SPI_OUT_OF_ORDER;
  if (progress && progress(0, h, lData)) return SPI_ABORT;
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  if (!spi_util::AllocDib24(w, h, stride * h, pHBInfo, pHBm)) return SPI_NO_MEMORY;
  auto* bits = static_cast<uint8_t*>(*pHBm);
  for (int y = 0; y < h; ++y) std::memcpy(bits + (h - 1 - y) * stride, d.data() + 8 + size_t(y) * w * 3, size_t(w) * 3);
  if (progress) progress(h, h, lData);
  return SPI_ALL_RIGHT;
}

}  // extern "C"
