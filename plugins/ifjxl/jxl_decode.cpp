#include "jxl_decode.h"

#include <jxl/decode.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "spi_image_size.h"
#include "spi_plugin_util.h"

namespace ifjxl {

namespace {

// libjxl's allocations go through a budget, so a hostile file cannot make it take more
// than a bounded multiple of the picture we agreed to.
struct Budget {
  uint64_t left;
};
struct alignas(std::max_align_t) BlockHead {
  size_t size;
};

void* Alloc(void* opaque, size_t size) {
  auto* b = static_cast<Budget*>(opaque);
  if (size > b->left || size > SIZE_MAX - sizeof(BlockHead)) return nullptr;
  auto* head = static_cast<BlockHead*>(std::malloc(sizeof(BlockHead) + size));
  if (!head) return nullptr;
  head->size = size;
  b->left -= size;
  return head + 1;
}
void Free(void* opaque, void* address) {
  if (!address) return;
  auto* head = static_cast<BlockHead*>(address) - 1;
  static_cast<Budget*>(opaque)->left += head->size;
  std::free(head);
}

struct DecoderFree {
  void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
using DecoderPtr = std::unique_ptr<JxlDecoder, DecoderFree>;

DecoderPtr Create(Budget& budget, const uint8_t* data, size_t size, int events) {
  const JxlMemoryManager mm{&budget, Alloc, Free};
  DecoderPtr dec(JxlDecoderCreate(&mm));
  if (!dec || JxlDecoderSubscribeEvents(dec.get(), events) != JXL_DEC_SUCCESS ||
      JxlDecoderSetUnpremultiplyAlpha(dec.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(dec.get(), data, size) != JXL_DEC_SUCCESS)
    return nullptr;
  JxlDecoderCloseInput(dec.get());
  return dec;
}

// The picture's size as shown: orientations 5 to 8 swap the sides.
void ShownSize(const JxlBasicInfo& bi, uint32_t& w, uint32_t& h) {
  const bool swap = bi.orientation >= JXL_ORIENT_TRANSPOSE;
  w = swap ? bi.ysize : bi.xsize;
  h = swap ? bi.xsize : bi.ysize;
}

uint64_t BudgetFor(uint64_t maxBytes) { return 4 * maxBytes + (uint64_t(64) << 20); }

}  // namespace

bool LooksLikeJxl(const uint8_t* head, size_t size) {
  const JxlSignature s = JxlSignatureCheck(head, size);
  return s == JXL_SIG_CODESTREAM || s == JXL_SIG_CONTAINER;
}

bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info) {
  if (!LooksLikeJxl(data, size)) return false;
  Budget budget{BudgetFor(spi_util::kMaxImageBytes)};
  DecoderPtr dec = Create(budget, data, size, JXL_DEC_BASIC_INFO);
  JxlBasicInfo bi;
  if (!dec || JxlDecoderProcessInput(dec.get()) != JXL_DEC_BASIC_INFO ||
      JxlDecoderGetBasicInfo(dec.get(), &bi) != JXL_DEC_SUCCESS)
    return false;
  uint32_t w, h;
  ShownSize(bi, w, h);
  info = {};
  info.width = int32_t(std::min<uint32_t>(w, INT32_MAX));
  info.height = int32_t(std::min<uint32_t>(h, INT32_MAX));
  info.colorDepth = int16_t(std::min<uint32_t>(bi.bits_per_sample * (bi.num_color_channels + (bi.alpha_bits ? 1 : 0)), 64));
  return true;
}

int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, SPI_PROGRESS progress,
           long lData) {
  if (!info || !bits) return SPI_OTHER_ERROR;
  *info = *bits = nullptr;
  if (!LooksLikeJxl(data, size)) return SPI_NOT_SUPPORT;
  Budget budget{BudgetFor(maxBytes)};
  DecoderPtr dec = Create(budget, data, size, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
  if (!dec) return SPI_NO_MEMORY;
  JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  uint32_t w = 0, h = 0;
  std::optional<size_t> dibBytes;
  std::vector<uint8_t> rows;
  for (;;) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
    if (status == JXL_DEC_BASIC_INFO) {
      JxlBasicInfo bi;
      if (JxlDecoderGetBasicInfo(dec.get(), &bi) != JXL_DEC_SUCCESS) return SPI_OUT_OF_ORDER;
      ShownSize(bi, w, h);
      format.num_channels = bi.alpha_bits ? 4 : 3;
      dibBytes = spi_util::checkedPictureBytes(w, h, 24, maxBytes);
      if (!dibBytes || !spi_util::checkedPictureBytes(w, h, 32, maxBytes)) return SPI_NO_MEMORY;
      if (progress && progress(0, 2, lData)) return SPI_ABORT;
    } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
      size_t need = 0;
      if (!dibBytes || JxlDecoderImageOutBufferSize(dec.get(), &format, &need) != JXL_DEC_SUCCESS ||
          need != size_t(w) * h * format.num_channels)
        return SPI_OUT_OF_ORDER;
      rows.resize(need);
      if (JxlDecoderSetImageOutBuffer(dec.get(), &format, rows.data(), rows.size()) != JXL_DEC_SUCCESS)
        return SPI_OUT_OF_ORDER;
    } else if (status == JXL_DEC_FULL_IMAGE) {
      break;  // the first frame is the picture
    } else {
      // An error, input that ends early, or a file that ends without a frame.
      return SPI_OUT_OF_ORDER;
    }
  }
  if (rows.empty()) return SPI_OUT_OF_ORDER;
  if (progress && progress(1, 2, lData)) return SPI_ABORT;
  if (!spi_util::DibFromRows(rows.data(), size_t(w) * format.num_channels, int32_t(w), int32_t(h),
                             int(format.num_channels), false, *dibBytes, info, bits))
    return SPI_NO_MEMORY;
  if (progress && progress(2, 2, lData)) {
    spi_util::FreeDib(info, bits);
    return SPI_ABORT;
  }
  return SPI_ALL_RIGHT;
}

}  // namespace ifjxl
