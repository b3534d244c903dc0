#include "heif_decode.h"

#include <libheif/heif.h>

#include <memory>

#include "spi_image_size.h"
#include "spi_plugin_util.h"

namespace ifheif {

namespace {

struct ContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using ContextPtr = std::unique_ptr<heif_context, ContextFree>;
using HandlePtr = std::unique_ptr<heif_image_handle, HandleFree>;

int Code(const heif_error& e) {
  if (e.code == heif_error_Ok) return SPI_ALL_RIGHT;
  // Pictures past our side limit come back as libheif's security limit.
  if (e.code == heif_error_Memory_allocation_error) return SPI_NO_MEMORY;
  return SPI_OUT_OF_ORDER;
}

// The file's context (data must outlive it) and its primary picture.
int Open(const uint8_t* data, size_t size, ContextPtr& ctx, HandlePtr& primary) {
  if (!LooksLikeHeif(data, size)) return SPI_NOT_SUPPORT;
  ctx.reset(heif_context_alloc());
  if (!ctx) return SPI_NO_MEMORY;
  // libheif refuses larger pictures while it reads the boxes, before decoding anything.
  heif_context_set_maximum_image_size_limit(ctx.get(), int(spi_util::kMaxPictureSide));
  if (const int rc = Code(heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr))) return rc;
  heif_image_handle* h = nullptr;
  const int rc = Code(heif_context_get_primary_image_handle(ctx.get(), &h));
  primary.reset(h);
  return rc ? rc : h ? SPI_ALL_RIGHT : SPI_OUT_OF_ORDER;
}

}  // namespace

bool LooksLikeHeif(const uint8_t* head, size_t size) {
  if (size < 12) return false;
  return heif_check_filetype(head, int(std::min<size_t>(size, 1 << 20))) == heif_filetype_yes_supported;
}

bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info) {
  ContextPtr ctx;
  HandlePtr primary;
  if (Open(data, size, ctx, primary)) return false;
  info = {};
  info.width = heif_image_handle_get_width(primary.get());
  info.height = heif_image_handle_get_height(primary.get());
  info.colorDepth = heif_image_handle_has_alpha_channel(primary.get()) ? 32 : 24;
  return true;
}

int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, bool preview,
           SPI_PROGRESS progress, long lData) {
  if (!info || !bits) return SPI_OTHER_ERROR;
  *info = *bits = nullptr;
  ContextPtr ctx;
  HandlePtr handle;
  if (const int rc = Open(data, size, ctx, handle)) return rc;
  if (preview) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_thumbnail_IDs(handle.get(), &id, 1) < 1) return SPI_NOT_SUPPORT;
    heif_image_handle* thumb = nullptr;
    const int rc = Code(heif_image_handle_get_thumbnail(handle.get(), id, &thumb));
    if (rc || !thumb) return rc ? rc : SPI_OUT_OF_ORDER;
    handle.reset(thumb);
  }
  const int declaredW = heif_image_handle_get_width(handle.get());
  const int declaredH = heif_image_handle_get_height(handle.get());
  if (!spi_util::checkedPictureBytes(declaredW, declaredH, 32, maxBytes)) return SPI_NO_MEMORY;
  if (progress && progress(0, 2, lData)) return SPI_ABORT;

  const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
  std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  if (!options) return SPI_NO_MEMORY;
  options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  const heif_error err = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                                           alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                           options.get());
  std::unique_ptr<heif_image, ImageFree> image(decoded);
  if (err.code != heif_error_Ok || !image) return err.code != heif_error_Ok ? Code(err) : SPI_OUT_OF_ORDER;
  // The decoded size is what the rows hold; crop and rotation may have changed it.
  const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
  int stride = 0;
  const uint8_t* rows = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int channels = alpha ? 4 : 3;
  const auto dibBytes = spi_util::checkedPictureBytes(w, h, 24, maxBytes);
  if (!rows || !dibBytes) return rows ? SPI_NO_MEMORY : SPI_OUT_OF_ORDER;
  if (stride < w * channels || heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved) != 8 * channels)
    return SPI_OUT_OF_ORDER;
  if (progress && progress(1, 2, lData)) return SPI_ABORT;
  if (!spi_util::DibFromRows(rows, size_t(stride), w, h, channels, false, *dibBytes, info, bits)) return SPI_NO_MEMORY;
  if (progress && progress(2, 2, lData)) {
    spi_util::FreeDib(info, bits);
    return SPI_ABORT;
  }
  return SPI_ALL_RIGHT;
}

}  // namespace ifheif
