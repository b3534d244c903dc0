#include "webp_decode.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <vector>

#include "spi_image_size.h"
#include "spi_plugin_util.h"

namespace ifwebp {

namespace {

struct AnimDecoderFree {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

// The first frame composited on the canvas, as libwebp's animation decoder does it.
bool FirstFrame(const uint8_t* data, size_t size, std::vector<uint8_t>& rgba) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return false;
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  const WebPData source{data, size};
  std::unique_ptr<WebPAnimDecoder, AnimDecoderFree> dec(WebPAnimDecoderNew(&source, &options));
  if (!dec) return false;
  WebPAnimInfo anim;
  if (!WebPAnimDecoderGetInfo(dec.get(), &anim) || anim.frame_count < 1) return false;
  uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(dec.get(), &frame, &timestamp) || !frame) return false;
  std::memcpy(rgba.data(), frame, rgba.size());
  return true;
}

bool StillPicture(const uint8_t* data, size_t size, int width, std::vector<uint8_t>& rgba) {
  return WebPDecodeRGBAInto(data, size, rgba.data(), rgba.size(), width * 4) != nullptr;
}

}  // namespace

bool LooksLikeWebp(const uint8_t* head, size_t size) {
  return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info) {
  WebPBitstreamFeatures f;
  if (!LooksLikeWebp(data, size) || WebPGetFeatures(data, size, &f) != VP8_STATUS_OK) return false;
  info = {};
  info.width = f.width;
  info.height = f.height;
  info.colorDepth = f.has_alpha ? 32 : 24;
  return true;
}

int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, SPI_PROGRESS progress,
           long lData) {
  if (!info || !bits) return SPI_OTHER_ERROR;
  *info = *bits = nullptr;
  if (!LooksLikeWebp(data, size)) return SPI_NOT_SUPPORT;
  WebPBitstreamFeatures f;
  if (WebPGetFeatures(data, size, &f) != VP8_STATUS_OK) return SPI_OUT_OF_ORDER;
  // The canvas size, checked before libwebp or we allocate anything for it.
  const auto dibBytes = spi_util::checkedPictureBytes(f.width, f.height, 24, maxBytes);
  const auto rgbaBytes = spi_util::checkedPictureBytes(f.width, f.height, 32, maxBytes);
  if (!dibBytes || !rgbaBytes) return SPI_NO_MEMORY;
  if (progress && progress(0, 2, lData)) return SPI_ABORT;
  std::vector<uint8_t> rgba(*rgbaBytes);
  const bool ok = f.has_animation ? FirstFrame(data, size, rgba) : StillPicture(data, size, f.width, rgba);
  if (!ok) return SPI_OUT_OF_ORDER;
  if (progress && progress(1, 2, lData)) return SPI_ABORT;
  if (!spi_util::DibFromRows(rgba.data(), size_t(f.width) * 4, f.width, f.height, 4, false, *dibBytes, info, bits))
    return SPI_NO_MEMORY;
  if (progress && progress(2, 2, lData)) {
    spi_util::FreeDib(info, bits);
    return SPI_ABORT;
  }
  return SPI_ALL_RIGHT;
}

}  // namespace ifwebp
