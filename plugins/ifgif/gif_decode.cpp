#include "gif_decode.h"

#include <gif_lib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "spi_image_size.h"
#include "spi_byte_reader.h"
#include "spi_plugin_util.h"

namespace ifgif {

namespace {

struct Source {
  spi_util::ByteReader reader;
};

int ReadBytes(GifFileType* gif, GifByteType* buf, int n) {
  auto* src = static_cast<Source*>(gif->UserData);
  const size_t count = std::min<size_t>(n > 0 ? size_t(n) : 0, src->reader.left());
  src->reader.bytes(buf, count);
  return int(count);
}

struct GifCloser {
  void operator()(GifFileType* g) const {
    int err;
    DGifCloseFile(g, &err);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

GifPtr Open(Source& src) {
  int err = 0;
  return GifPtr(DGifOpen(&src, ReadBytes, &err));
}

// Skips extensions up to the first image descriptor, noting the transparent index.
bool SeekFirstImage(GifFileType* gif, int& transparent) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_OK;
    if (type == TERMINATE_RECORD_TYPE) return false;
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* ext = nullptr;
    if (DGifGetExtension(gif, &code, &ext) != GIF_OK) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
      GraphicsControlBlock gcb;
      if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
    }
    while (ext)
      if (DGifGetExtensionNext(gif, &ext) != GIF_OK) return false;
  }
}

void PutRow(const GifByteType* line, int y, const GifImageDesc& d, const ColorMapObject* map, int transparent,
            int canvasW, int canvasH, uint8_t* bits, size_t stride) {
  const int cy = d.Top + y;
  if (cy < 0 || cy >= canvasH) return;
  uint8_t* row = bits + size_t(canvasH - 1 - cy) * stride;
  for (int x = 0; x < d.Width; ++x) {
    const int cx = d.Left + x;
    if (cx >= canvasW || line[x] == transparent) continue;
    uint8_t* p = row + size_t(cx) * 3;
    if (line[x] < map->ColorCount) {
      const GifColorType& c = map->Colors[line[x]];
      p[0] = c.Blue;
      p[1] = c.Green;
      p[2] = c.Red;
    } else {
      p[0] = p[1] = p[2] = 0;
    }
  }
}

}  // namespace

bool LooksLikeGif(const uint8_t* head, size_t size) {
  return size >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0);
}

bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info) {
  if (!LooksLikeGif(data, size)) return false;
  Source src{spi_util::ByteReader(data, size)};
  GifPtr gif = Open(src);
  if (!gif) return false;
  info = {};
  info.width = gif->SWidth;
  info.height = gif->SHeight;
  info.colorDepth = 8;
  return true;
}

int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, SPI_PROGRESS progress,
           long lData) {
  if (!info || !bits) return SPI_OTHER_ERROR;
  *info = *bits = nullptr;
  if (!LooksLikeGif(data, size)) return SPI_NOT_SUPPORT;
  Source src{spi_util::ByteReader(data, size)};
  GifPtr gif = Open(src);
  if (!gif) return SPI_OUT_OF_ORDER;
  int transparent = NO_TRANSPARENT_COLOR;
  if (!SeekFirstImage(gif.get(), transparent)) return SPI_OUT_OF_ORDER;
  const GifImageDesc d = gif->Image;
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  if (!map || d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) return SPI_OUT_OF_ORDER;
  // A screen smaller than the frame grows to hold it.
  const int canvasW = std::max<int>(gif->SWidth, d.Left + d.Width);
  const int canvasH = std::max<int>(gif->SHeight, d.Top + d.Height);
  const auto bitsSize = spi_util::checkedImageBytes(canvasW, canvasH, 24);
  const auto lineSize = spi_util::checkedPackedBytes(d.Width, 1, 1);
  if (!bitsSize || !lineSize || *bitsSize > maxBytes) return SPI_NO_MEMORY;
  if (progress && progress(0, d.Height, lData)) return SPI_ABORT;
  const size_t stride = spi_util::AllocDib24(canvasW, canvasH, *bitsSize, info, bits);
  if (!stride) return SPI_NO_MEMORY;

  // Background, which transparent pixels keep.
  GifColorType bg{0, 0, 0};
  if (gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount)
    bg = gif->SColorMap->Colors[gif->SBackGroundColor];
  auto* out = static_cast<uint8_t*>(*bits);
  for (int y = 0; y < canvasH; ++y)
    for (int x = 0; x < canvasW; ++x) {
      uint8_t* p = out + size_t(y) * stride + size_t(x) * 3;
      p[0] = bg.Blue;
      p[1] = bg.Green;
      p[2] = bg.Red;
    }

  std::vector<GifByteType> line(*lineSize);
  static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  const int passes = d.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
    for (int y = start; y < d.Height; y += step) {
      // A frame cut short is broken data, not a picture with background where the rest was.
      if (DGifGetLine(gif.get(), line.data(), d.Width) != GIF_OK) {
        spi_util::FreeDib(info, bits);
        return SPI_OUT_OF_ORDER;
      }
      PutRow(line.data(), y, d, map, transparent, canvasW, canvasH, out, stride);
    }
  }
  if (progress && progress(d.Height, d.Height, lData)) {
    spi_util::FreeDib(info, bits);
    return SPI_ABORT;
  }
  return SPI_ALL_RIGHT;
}

}  // namespace ifgif
