// Fuzz target: ifgif.spi's GIF reader (giflib underneath).
#include <cstdint>
#include <cstdlib>

#include "gif_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  void* info = nullptr;
  void* bits = nullptr;
  SpiPictureInfo pi;
  ifgif::ReadInfo(data, size, pi);
  if (ifgif::Decode(data, size, &info, &bits, uint64_t(16) << 20) == SPI_ALL_RIGHT) {
    const auto* h = static_cast<const SpiBitmapInfoHeader*>(info);
    volatile uint8_t sink = static_cast<const uint8_t*>(bits)[h->biSizeImage - 1];
    (void)sink;
  }
  std::free(info);
  std::free(bits);
  return 0;
}
