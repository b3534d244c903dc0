#include "tiff_decode.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include "spi_byte_reader.h"
#include "spi_image_size.h"
#include "spi_plugin_util.h"

namespace iftiff {

namespace {

struct Source {
  const uint8_t* data;
  toff_t size;
  toff_t pos = 0;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n) {
  auto* s = static_cast<Source*>(h);
  if (n <= 0 || s->pos >= s->size) return 0;
  const toff_t count = std::min<toff_t>(toff_t(n), s->size - s->pos);
  std::memcpy(buf, s->data + s->pos, size_t(count));
  s->pos += count;
  return tmsize_t(count);
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* s = static_cast<Source*>(h);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = s->pos;
  else if (whence == SEEK_END) base = s->size;
  else if (whence != SEEK_SET) return toff_t(-1);
  // Offsets come from the file; past the end is allowed (reads then give nothing) but no wrap.
  if (off > ~toff_t(0) - base) return toff_t(-1);
  s->pos = base + off;
  return s->pos;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<Source*>(h)->size; }
// Mapping lets libtiff take uncompressed strips straight from our bytes.
int MapProc(thandle_t h, void** base, toff_t* size) {
  auto* s = static_cast<Source*>(h);
  *base = const_cast<uint8_t*>(s->data);
  *size = s->size;
  return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffClose {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffClose>;

TiffPtr Open(Source& src, uint64_t maxBytes) {
  TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
  if (!opts) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(maxBytes));
  TIFFOpenOptionsSetErrorHandlerExtR(opts, Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(opts, Quiet, nullptr);
  TIFF* t = TIFFClientOpenExt("memory", "rm", &src, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                              UnmapProc, opts);
  TIFFOpenOptionsFree(opts);
  return TiffPtr(t);
}

bool PageSize(TIFF* t, uint32_t& w, uint32_t& h) {
  return TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) == 1 && TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h) == 1;
}

}  // namespace

bool LooksLikeTiff(const uint8_t* head, size_t size) {
  if (size < 4) return false;
  // Classic TIFF (42) and BigTIFF (43), either byte order.
  return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

bool ReadInfo(const uint8_t* data, size_t size, SpiPictureInfo& info) {
  if (!LooksLikeTiff(data, size)) return false;
  Source src{data, size};
  TiffPtr t = Open(src, spi_util::kMaxImageBytes);
  uint32_t w = 0, h = 0;
  if (!t || !PageSize(t.get(), w, h)) return false;
  uint16_t bps = 1, spp = 1;
  TIFFGetFieldDefaulted(t.get(), TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(t.get(), TIFFTAG_SAMPLESPERPIXEL, &spp);
  info = {};
  info.width = int32_t(std::min<uint32_t>(w, INT32_MAX));
  info.height = int32_t(std::min<uint32_t>(h, INT32_MAX));
  info.colorDepth = int16_t(std::min(int(bps) * int(spp), 64));
  return true;
}

int Decode(const uint8_t* data, size_t size, void** info, void** bits, uint64_t maxBytes, SPI_PROGRESS progress,
           long lData) {
  if (!info || !bits) return SPI_OTHER_ERROR;
  *info = *bits = nullptr;
  if (!LooksLikeTiff(data, size)) return SPI_NOT_SUPPORT;
  Source src{data, size};
  TiffPtr t = Open(src, maxBytes);
  uint32_t w = 0, h = 0;
  if (!t || !PageSize(t.get(), w, h)) return SPI_OUT_OF_ORDER;
  const auto dibBytes = spi_util::checkedPictureBytes(w, h, 24, maxBytes);
  const auto rgbaBytes = spi_util::checkedPictureBytes(w, h, 32, maxBytes);
  if (!dibBytes || !rgbaBytes) return SPI_NO_MEMORY;
  char why[1024];
  if (!TIFFRGBAImageOK(t.get(), why)) return SPI_NOT_SUPPORT;
  if (progress && progress(0, 2, lData)) return SPI_ABORT;
  std::vector<uint32_t> raster(*rgbaBytes / 4);
  // Stop at the first broken strip or tile: a page cut short is broken data.
  if (!TIFFReadRGBAImageOriented(t.get(), w, h, raster.data(), ORIENTATION_TOPLEFT, 1)) return SPI_OUT_OF_ORDER;
  if (progress && progress(1, 2, lData)) return SPI_ABORT;
  // libtiff packs R, G, B, A from the low byte up; made bytes in place, whatever the host's order.
  auto* rgba = reinterpret_cast<uint8_t*>(raster.data());
  for (size_t i = 0; i < raster.size(); ++i) {
    const uint32_t p = raster[i];
    const uint8_t px[4] = {uint8_t(TIFFGetR(p)), uint8_t(TIFFGetG(p)), uint8_t(TIFFGetB(p)), uint8_t(TIFFGetA(p))};
    std::memcpy(rgba + i * 4, px, 4);
  }
  if (!spi_util::DibFromRows(rgba, size_t(w) * 4, int32_t(w), int32_t(h), 4, true, *dibBytes, info, bits))
    return SPI_NO_MEMORY;
  if (progress && progress(2, 2, lData)) {
    spi_util::FreeDib(info, bits);
    return SPI_ABORT;
  }
  return SPI_ALL_RIGHT;
}

}  // namespace iftiff
