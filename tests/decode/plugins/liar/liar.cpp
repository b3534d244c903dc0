// Test plug-in: reports success with results that do not add up. The first byte of the
// file picks the lie:
//   'A' 1000 x 1000 at 24 bits over 16 bytes of bits
//   'B' null bits handle          'C' null info handle
//   'D' header size past the block 'E' 8 bits, 256 colours, no colour table
//   'F' negative width            'G' height -2^31
//   'H' 32 bits with bit-field masks missing
#include <climits>
#include <cstdlib>
#include <malloc.h>
#include <vector>

#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "Lying test plug-in", "*.lie", "Lies"};

// A block of exactly `size` usable bytes: a larger chunk handed back by malloc would give
// the host room to read what a lie leaves out (the masks of 'H').
void* ExactBlock(size_t size) {
  std::vector<void*> spares;
  void* p = std::calloc(1, size);
  while (p && malloc_usable_size(p) != size && spares.size() < 64) {
    spares.push_back(p);
    p = std::calloc(1, size);
  }
  for (void* s : spares) std::free(s);
  return p;
}

SpiBitmapInfoHeader* Header(int w, int h, int bits, size_t extra = 0) {
  auto* hd = static_cast<SpiBitmapInfoHeader*>(ExactBlock(sizeof(SpiBitmapInfoHeader) + extra));
  hd->biSize = 40;
  hd->biWidth = w;
  hd->biHeight = h;
  hd->biPlanes = 1;
  hd->biBitCount = uint16_t(bits);
  return hd;
}
}  // namespace

extern "C" {
int GetPluginInfo(int infono, char* buf, int buflen) { return spi_util::PluginInfo(kInfo, infono, buf, buflen); }
int IsSupported(const char*, void*) { return 1; }
int GetPictureInfo(const char*, long, unsigned int, SpiPictureInfo*) { return SPI_ALL_RIGHT; }
int GetPicture(const char* buf, long len, unsigned int flag, void** pHBInfo, void** pHBm, SPI_PROGRESS, long) {
  std::vector<uint8_t> d;
  if (int rc = spi_util::ReadSource(buf, len, flag, d)) return rc;
  const char kind = d.empty() ? 'A' : char(d[0]);
  SpiBitmapInfoHeader* h = nullptr;
  void* bits = std::calloc(1, 16);
  switch (kind) {
    case 'B': h = Header(2, 2, 24); std::free(bits); bits = nullptr; break;
    case 'C': break;
    case 'D': h = Header(1, 1, 24); h->biSize = 4096; break;
    case 'E': h = Header(2, 2, 8); h->biClrUsed = 256; break;
    case 'F': h = Header(-4, 1, 24); break;
    case 'G': h = Header(1, INT_MIN, 24); break;
    case 'H': h = Header(1, 1, 32); h->biCompression = SPI_BI_BITFIELDS; break;
    default: h = Header(1000, 1000, 24); break;
  }
  *pHBInfo = h;
  *pHBm = bits;
  return SPI_ALL_RIGHT;
}
}
