// Fuzz target: ifheif.spi's reader.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "heif_decode.h"

namespace {
// Reads the result's last byte so a short allocation shows up under ASan.
void Touch(const void* info, const void* bits) {
  const auto* h = static_cast<const SpiBitmapInfoHeader*>(info);
  volatile uint8_t sink = static_cast<const uint8_t*>(bits)[h->biSizeImage - 1];
  (void)sink;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SpiPictureInfo pi;
  ifheif::ReadInfo(data, size, pi);
  for (const bool preview : {false, true}) {
    void* info = nullptr;
    void* bits = nullptr;
    if (ifheif::Decode(data, size, &info, &bits, uint64_t(16) << 20, preview) == SPI_ALL_RIGHT) Touch(info, bits);
    std::free(info);
    std::free(bits);
  }
  return 0;
}
