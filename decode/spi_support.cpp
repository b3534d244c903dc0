#include "decode/spi_support.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <malloc.h>
#include <vector>

#include "graphics/image_size.h"
#include "platform/byte_reader.h"
#include "platform/regular_file.h"

namespace decode {

static_assert(sizeof(SpiPictureInfo) == 22 + sizeof(void*));
static_assert(sizeof(SpiBitmapInfoHeader) == 40);
static_assert(sizeof(SpiRGBQuad) == 4);

std::unique_ptr<TSpiLibrary> TSpiLibrary::Open(const QString& path) {
  const QString abs = QFileInfo(path).absoluteFilePath();
  // dlopen of a FIFO blocks for ever: only a checked regular file gets there. The library
  // is loaded by its own name (a descriptor name would be reused once closed, and dlopen
  // matches names before files).
  if (!platform::RegularFile::Open(abs)) return nullptr;
  void* h = dlopen(QFile::encodeName(abs).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!h) return nullptr;
  return std::unique_ptr<TSpiLibrary>(new TSpiLibrary(h, abs));
}

TSpiLibrary::TSpiLibrary(void* handle, QString path) : handle_(handle), path_(std::move(path)) {}

TSpiLibrary::~TSpiLibrary() { dlclose(handle_); }

void* TSpiLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }

QString TSpiLibrary::ModuleFileName() const {
  link_map* map = nullptr;
  if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0])
    return QFile::decodeName(map->l_name);
  return path_;
}

void FreeHandle(void* handle) { std::free(handle); }

size_t HandleSize(const void* handle) { return handle ? malloc_usable_size(const_cast<void*>(handle)) : 0; }

int ReadPluginInfo(SPI_GetPluginInfo fn, int infono, QString& text) {
  // Slack past the 256 bytes absorbs a plug-in that writes one byte too many.
  char buf[512] = {};
  const int r = fn(infono, buf, 255);
  text = r > 0 ? QString::fromUtf8(buf, int(strnlen(buf, 255))) : QString();
  return r;
}

bool ReadHeaderBuffer(const QString& fileName, uint8_t (&buf)[kHeaderBufferSize]) {
  std::memset(buf, 0, sizeof buf);
  platform::RegularFile f = platform::RegularFile::Open(fileName);
  const auto head = f.Read(int64_t(sizeof buf));
  if (!head) return false;
  std::memcpy(buf, head->constData(), size_t(head->size()));
  return true;
}

QString ExtractFileExt(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf('.');
  const qsizetype slash = fileName.lastIndexOf('/');
  if (dot < 0 || dot < slash) return QString();
  return fileName.mid(dot);
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t prod = int64_t(number) * numerator;
  int64_t q = prod / denominator;
  const int64_t rem = prod % denominator;
  // Round half away from zero.
  if (rem != 0 && 2 * (rem < 0 ? -rem : rem) >= (denominator < 0 ? -int64_t(denominator) : denominator))
    q += ((prod < 0) != (denominator < 0)) ? -1 : 1;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return int(q);
}

namespace {

struct TMasks {
  uint32_t r = 0, g = 0, b = 0;
};

// Scales the masked field of v to 0..255.
uint8_t Channel(uint32_t v, uint32_t mask) {
  if (!mask) return 0;
  const int shift = __builtin_ctz(mask);
  const uint32_t m = mask >> shift;
  const uint32_t x = (v >> shift) & m;
  return uint8_t((uint64_t(x) * 255 + m / 2) / m);
}

using TRowConverter = void (*)(const uint8_t* src, uint8_t* dst, int width, const TMasks& masks);

void CopyRow(const uint8_t*, uint8_t*, int, const TMasks&) {}  // rows are copied whole

void Row16(const uint8_t* src, uint8_t* dst, int width, const TMasks& m) {
  for (int x = 0; x < width; ++x, src += 2, dst += 3) {
    const uint32_t v = uint32_t(src[0]) | uint32_t(src[1]) << 8;
    dst[0] = Channel(v, m.b);
    dst[1] = Channel(v, m.g);
    dst[2] = Channel(v, m.r);
  }
}

void Row32(const uint8_t* src, uint8_t* dst, int width, const TMasks& m) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    uint32_t v;
    std::memcpy(&v, src, 4);
    dst[0] = Channel(v, m.b);
    dst[1] = Channel(v, m.g);
    dst[2] = Channel(v, m.r);
  }
}

struct TLayout {
  int bitCount;
  graphics::TPixelFormat format;
  TRowConverter convert;  // CopyRow: identical row layout
  TMasks defaultMasks;
  bool bitfields;  // BI_BITFIELDS allowed
};

constexpr TLayout kLayouts[] = {
    {1, graphics::TPixelFormat::pf1bit, CopyRow, {}, false},
    {4, graphics::TPixelFormat::pf4bit, CopyRow, {}, false},
    {8, graphics::TPixelFormat::pf8bit, CopyRow, {}, false},
    {24, graphics::TPixelFormat::pf24bit, CopyRow, {}, false},
    {16, graphics::TPixelFormat::pf24bit, Row16, {0x7C00, 0x03E0, 0x001F}, true},
    {32, graphics::TPixelFormat::pf24bit, Row32, {0xFF0000, 0x00FF00, 0x0000FF}, true},
};

const TLayout* FindLayout(int bitCount) {
  for (const auto& l : kLayouts)
    if (l.bitCount == bitCount) return &l;
  return nullptr;
}

}  // namespace

bool DibToBitmap(std::span<const uint8_t> info, std::span<const uint8_t> bits, graphics::TBitmap& out,
                 TDibHeader* header) {
  platform::ByteReader r(info);
  TDibHeader h;
  uint16_t planes, bitCount;
  uint32_t sizeImage, clrImportant;
  int32_t xppm, yppm;
  if (!r.u32le(h.headerSize) || !r.i32le(h.width) || !r.i32le(h.height) || !r.u16le(planes) ||
      !r.u16le(bitCount) || !r.u32le(h.compression) || !r.u32le(sizeImage) || !r.i32le(xppm) ||
      !r.i32le(yppm) || !r.u32le(h.colorsUsed) || !r.u32le(clrImportant))
    return false;
  h.bitCount = bitCount;
  const TLayout* layout = FindLayout(h.bitCount);
  if (!layout || h.headerSize < 40 || h.headerSize > info.size() || h.height == 0 ||
      h.height == INT32_MIN)
    return false;
  const bool bitfields = h.compression == SPI_BI_BITFIELDS;
  if (h.compression != SPI_BI_RGB && !(bitfields && layout->bitfields)) return false;
  const int64_t rows = h.height < 0 ? -int64_t(h.height) : h.height;
  const auto bitsSize = graphics::checkedImageBytes(h.width, rows, h.bitCount);
  if (!bitsSize || *bitsSize > bits.size()) return false;
  h.bitsSize = *bitsSize;

  // A 40-byte header is followed by the three masks; larger headers hold them at 40.
  TMasks masks = layout->defaultMasks;
  size_t tableStart = h.headerSize;
  if (bitfields) {
    platform::ByteReader m(info);
    if (!m.seek(40) || !m.u32le(masks.r) || !m.u32le(masks.g) || !m.u32le(masks.b)) return false;
    // What a plug-in leaves unwritten past its header reads as zero masks: no colour at all.
    if ((masks.r | masks.g | masks.b) == 0) return false;
    if (h.headerSize == 40) tableStart += 12;
  }
  if (!r.seek(tableStart)) return false;

  h.colorCount = int(h.colorsUsed);
  if (h.bitCount <= 8) {
    const uint32_t full = 1u << h.bitCount;
    if (h.colorsUsed == 0 || h.colorsUsed > full) h.colorCount = int(full);
  } else if (h.colorsUsed > 256 || r.left() < size_t(h.colorsUsed) * 4) {
    h.colorCount = 0;  // a table of true-colour pictures is never read
  }
  std::vector<graphics::TRGBQuad> palette;
  if (h.bitCount <= 8) {
    const uint8_t* table = r.take(size_t(h.colorCount) * 4);
    if (!table) return false;
    palette.resize(size_t(1) << h.bitCount);
    for (int i = 0; i < h.colorCount; ++i)
      palette[i] = {table[4 * i], table[4 * i + 1], table[4 * i + 2], 0};
  }
  h.infoSize = r.position() + (h.bitCount > 8 ? size_t(h.colorCount) * 4 : 0);

  graphics::TBitmap bm;
  try {
    bm.SetSize(h.width, int(rows), layout->format);
  } catch (const std::exception&) {
    return false;
  }
  const size_t srcStride = *graphics::checkedStride(h.width, h.bitCount);
  const size_t copy = std::min(srcStride, bm.Stride());
  for (int64_t y = 0; y < rows; ++y) {
    const int64_t srcRow = h.height > 0 ? rows - 1 - y : y;
    const uint8_t* src = bits.data() + size_t(srcRow) * srcStride;
    uint8_t* dst = bm.ScanLine(int(y));
    if (layout->convert == CopyRow)
      std::memcpy(dst, src, copy);
    else
      layout->convert(src, dst, h.width, masks);
  }
  if (h.bitCount <= 8) bm.Palette() = std::move(palette);
  out = std::move(bm);
  if (header) *header = h;
  return true;
}

bool DibHandlesToBitmap(const void* info, const void* bits, graphics::TBitmap& out, TDibHeader* header) {
  if (!info || !bits) return false;
  return DibToBitmap({static_cast<const uint8_t*>(info), HandleSize(info)},
                     {static_cast<const uint8_t*>(bits), HandleSize(bits)}, out, header);
}

}  // namespace decode
