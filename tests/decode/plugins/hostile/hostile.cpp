// Test plug-ins that misbehave, one way each (HOSTILE_<WAY> picks it): "BAD!" pictures
// (*.bad) that crash IsSupported, GetPictureInfo or GetPicture, loop for ever, allocate
// without end, write far past their buffer, or open /etc/passwd and a socket before
// decoding honestly (a 1 x 1 picture whose blue is the file's fifth byte).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include "spi.h"
#include "spi_plugin_util.h"

namespace {
const char* const kInfo[] = {"00IN", "Hostile test plug-in", "*.bad", "Bad pictures"};

bool Magic(const void* p) { return std::memcmp(p, "BAD!", 4) == 0; }

[[maybe_unused]] void Crash() {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
}

[[maybe_unused]] void* volatile gSink;
}  // namespace

extern "C" {
SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
  return spi_util::PluginInfo(kInfo, infono, buf, buflen);
}

SPI_EXPORT int IsSupported(const char*, void* dw) {
#ifdef HOSTILE_CRASH_SUPPORTED
  Crash();
#endif
  return Magic(dw) ? 1 : 0;
}

SPI_EXPORT int GetPictureInfo(const char*, long, unsigned int, SpiPictureInfo* info) {
#ifdef HOSTILE_CRASH_INFO
  Crash();
#endif
  *info = {};
  info->width = 1;
  info->height = 1;
  info->colorDepth = 24;
  return SPI_ALL_RIGHT;
}

SPI_EXPORT int GetPicture(const char* buf, long len, unsigned int flag, void** hinfo, void** hbits, SPI_PROGRESS,
                          long) {
#if defined(HOSTILE_CRASH_PICTURE)
  Crash();
#elif defined(HOSTILE_SPIN)
  for (;;) asm volatile("" ::: "memory");
#elif defined(HOSTILE_BOMB)
  for (;;) {
    char* p = new char[64 << 20];
    p[0] = 1;
    gSink = p;
  }
#elif defined(HOSTILE_OVERRUN)
  char* p = static_cast<char*>(std::malloc(16));
  size_t far = size_t(1) << 32;
  asm volatile("" : "+r"(far));  // the compiler must not see the size
  std::memset(p, 0x55, far);
  gSink = p;
#elif defined(HOSTILE_SNOOP)
  if (FILE* f = std::fopen("/etc/passwd", "rb")) std::fclose(f);
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s >= 0) close(s);
#endif
  std::vector<uint8_t> bytes;
  const int rc = spi_util::ReadSource(buf, len, flag, bytes);
  if (rc != SPI_ALL_RIGHT) return rc;
  if (bytes.size() < 5 || !Magic(bytes.data())) return SPI_NOT_SUPPORT;
  if (!spi_util::AllocDib24(1, 1, 4, hinfo, hbits)) return SPI_NO_MEMORY;
  static_cast<uint8_t*>(*hbits)[0] = bytes[4];
  return SPI_ALL_RIGHT;
}
}
