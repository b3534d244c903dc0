// Helpers for plug-ins built with QIVO2 (header only, C++): the picture bytes a host call
// names, information texts, and allocation of the malloc'd result handles.
#ifndef QIVO2_SPI_PLUGIN_UTIL_H
#define QIVO2_SPI_PLUGIN_UTIL_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "spi.h"

namespace spi_util {

// Largest file a plug-in reads whole.
inline constexpr long kMaxSourceBytes = 1L << 30;

// The bytes of a file source (from offset len) or a memory source (len bytes at buf).
inline int ReadSource(const char* buf, long len, unsigned flag, std::vector<uint8_t>& out) {
  out.clear();
  if (!buf || len < 0) return SPI_OTHER_ERROR;
  if ((flag & SPI_SOURCE_MASK) == SPI_SOURCE_MEMORY) {
    if (len > kMaxSourceBytes) return SPI_NO_MEMORY;
    out.assign(reinterpret_cast<const uint8_t*>(buf), reinterpret_cast<const uint8_t*>(buf) + len);
    return SPI_ALL_RIGHT;
  }
  if ((flag & SPI_SOURCE_MASK) != SPI_SOURCE_FILE) return SPI_NOT_SUPPORT;
  FILE* f = std::fopen(buf, "rb");
  if (!f) return SPI_FILE_READ_ERROR;
  int rc = SPI_ALL_RIGHT;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, len, SEEK_SET) != 0) rc = SPI_FILE_READ_ERROR;
  else if (size - len > kMaxSourceBytes) rc = SPI_NO_MEMORY;
  else if (size > len) {
    out.resize(size_t(size - len));
    if (std::fread(out.data(), 1, out.size(), f) != out.size()) rc = SPI_FILE_READ_ERROR;
  }
  std::fclose(f);
  return rc;
}

// Copies text into buf (at most buflen - 1 characters and a NUL); returns the characters written.
inline int CopyText(const char* text, char* buf, int buflen) {
  if (!buf || buflen <= 0) return 0;
  const size_t n = std::min(std::strlen(text), size_t(buflen - 1));
  std::memcpy(buf, text, n);
  buf[n] = 0;
  return int(n);
}

// GetPluginInfo over a table: {type, name, pattern, description, ...}.
template <size_t N>
int PluginInfo(const char* const (&table)[N], int infono, char* buf, int buflen) {
  if (infono < 0 || size_t(infono) >= N) return 0;
  return CopyText(table[infono], buf, buflen);
}

// A 24-bit bottom-up DIB: *info gets the header, *bits the rows (zeroed). Returns the
// row stride, 0 when the memory cannot be had. stride * height must be checked before.
inline size_t AllocDib24(int32_t width, int32_t height, size_t bitsSize, void** info, void** bits) {
  auto* h = static_cast<SpiBitmapInfoHeader*>(std::calloc(1, sizeof(SpiBitmapInfoHeader)));
  void* b = std::calloc(1, bitsSize ? bitsSize : 1);
  if (!h || !b) {
    std::free(h);
    std::free(b);
    return 0;
  }
  h->biSize = sizeof(SpiBitmapInfoHeader);
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = 24;
  h->biCompression = SPI_BI_RGB;
  h->biSizeImage = uint32_t(bitsSize);
  *info = h;
  *bits = b;
  return height > 0 ? bitsSize / size_t(height) : 0;
}

// One row of 8-bit RGB (channels 3) or RGBA (channels 4) pixels into a 24-bit DIB row,
// alpha composited on white since the DIB has none. premultiplied: the colours already carry
// the alpha (as libtiff's RGBA reader gives them).
inline void PutRowOnWhite(const uint8_t* src, int width, int channels, bool premultiplied, uint8_t* dst) {
  for (int x = 0; x < width; ++x, src += channels, dst += 3) {
    if (channels < 4 || src[3] == 255) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      continue;
    }
    const unsigned a = src[3], white = 255 * (255 - a);
    for (int c = 0; c < 3; ++c) {
      const unsigned v = premultiplied ? src[c] * 255u : src[c] * a;
      dst[2 - c] = uint8_t(std::min(255u, (v + white + 127) / 255));
    }
  }
}

// A 24-bit DIB of top-down RGB or RGBA rows (see PutRowOnWhite). bitsSize comes from the
// checked size helper. false, and no handles, when the memory cannot be had.
inline bool DibFromRows(const uint8_t* rows, size_t rowStride, int32_t width, int32_t height, int channels,
                        bool premultiplied, size_t bitsSize, void** info, void** bits) {
  const size_t stride = AllocDib24(width, height, bitsSize, info, bits);
  if (!stride) return false;
  auto* out = static_cast<uint8_t*>(*bits);
  for (int32_t y = 0; y < height; ++y)
    PutRowOnWhite(rows + size_t(y) * rowStride, width, channels, premultiplied, out + size_t(height - 1 - y) * stride);
  return true;
}

// Frees the two result handles of a call that ends in an error: the host gets none.
inline void FreeDib(void** info, void** bits) {
  std::free(*info);
  std::free(*bits);
  *info = *bits = nullptr;
}

}  // namespace spi_util

#endif
