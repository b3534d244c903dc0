// Fuzz target: ifwebp.spi's reader.
#include <cstdint>
#include <cstdlib>

#include "webp_decode.h"

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
  ifwebp::ReadInfo(data, size, pi);
  void* info = nullptr;
  void* bits = nullptr;
  if (ifwebp::Decode(data, size, &info, &bits, uint64_t(16) << 20) == SPI_ALL_RIGHT) Touch(info, bits);
  std::free(info);
  std::free(bits);
  return 0;
}
