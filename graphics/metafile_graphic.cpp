#include "graphics/metafile_graphic.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include "graphics/image_size.h"

namespace graphics {

namespace {

constexpr uint32_t kEmfHeaderType = 1;
constexpr uint32_t kEmfEofType = 14;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr int kEmfMinHeader = 88;
constexpr uint32_t kWmfPlaceableKey = 0x9AC6CDD7;
constexpr int kWmfPlaceableSize = 22;
constexpr int kWmfHeaderSize = 18;

// Neither library is documented as safe to run on two threads at once.
std::mutex& libraryMutex() {
  static std::mutex m;
  return m;
}

uint16_t u16(const QByteArray& d, qsizetype at) {
  return uint16_t(uint8_t(d[at]) | uint8_t(d[at + 1]) << 8);
}
uint32_t u32(const QByteArray& d, qsizetype at) { return uint32_t(u16(d, at)) | uint32_t(u16(d, at + 2)) << 16; }
int32_t i32(const QByteArray& d, qsizetype at) { return int32_t(u32(d, at)); }

// Every record must lie inside the data and the list must end with an EOF record; the
// libraries would otherwise read past a truncated file or spin on a zero-sized record.
bool emfRecordsWellFormed(const QByteArray& d) {
  if (u32(d, 48) > uint64_t(d.size())) return false;  // the header's total length
  qsizetype at = 0;
  while (at + 8 <= d.size()) {
    const uint32_t type = u32(d, at), size = u32(d, at + 4);
    if (size < 8 || size % 4 != 0 || size > uint64_t(d.size() - at)) return false;
    if (type == kEmfEofType) return true;
    at += size;
  }
  return false;
}

bool wmfRecordsWellFormed(const QByteArray& d, qsizetype at) {
  while (at + 6 <= d.size()) {
    const uint64_t bytes = uint64_t(u32(d, at)) * 2;
    const uint16_t function = u16(d, at + 4);
    if (bytes < 6 || bytes > uint64_t(d.size() - at)) return false;
    if (function == 0) return true;
    at += qsizetype(bytes);
  }
  return false;
}

qsizetype wmfHeaderOffset(const QByteArray& d) {
  return d.size() >= 4 && u32(d, 0) == kWmfPlaceableKey ? kWmfPlaceableSize : 0;
}

bool wmfHeaderValid(const QByteArray& d, qsizetype at) {
  if (d.size() < at + kWmfHeaderSize) return false;
  const uint16_t type = u16(d, at), words = u16(d, at + 2), version = u16(d, at + 4);
  return (type == 1 || type == 2) && words == 9 && (version == 0x0100 || version == 0x0300);
}

// The longer side capped, the aspect kept, never below one pixel.
QSize capped(double w, double h) {
  if (!(w >= 1) || !(h >= 1) || !std::isfinite(w) || !std::isfinite(h)) throw EInvalidGraphic("Invalid metafile: no size");
  const double scale = std::min(1.0, kMaxMetafileSide / std::max(w, h));
  return QSize(std::max(1, int(w * scale)), std::max(1, int(h * scale)));
}

QByteArray emfToSvg(QByteArray data) {
  generatorOptions options{};
  options.nameSpace = const_cast<char*>("");
  options.verbose = false;
  // EMF+ files carry plain EMF records too; the EMF+ path is the less proven one.
  options.emfplus = false;
  options.svgDelimiter = true;
  char* out = nullptr;
  size_t outLength = 0;
  int ok;
  {
    std::lock_guard lock(libraryMutex());
    ok = emf2svg(data.data(), size_t(data.size()), &out, &outLength, &options);
  }
  QByteArray svg = out ? QByteArray(out, qsizetype(outLength)) : QByteArray();
  std::free(out);
  if (!ok || svg.isEmpty()) throw EInvalidGraphic("Invalid enhanced metafile");
  return svg;
}

// The SVG and the picture's size in pixels at 96 dots per inch.
QByteArray wmfToSvg(QByteArray data, QSizeF& natural) {
  std::lock_guard lock(libraryMutex());
  wmfAPI_Options options{};
  options.function = wmf_svg_function;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  wmfAPI* api = nullptr;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    throw EInvalidGraphic("Metafile library unavailable");
  }
  QByteArray svg;
  wmfD_Rect bbox{};
  unsigned int width = 0, height = 0;
  if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(data.data()), long(data.size())) == wmf_E_None &&
      wmf_scan(api, 0, &bbox) == wmf_E_None &&
      wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None && width > 0 && height > 0) {
    // The scan gives the extent of what is drawn; a placeable header names the picture's
    // own frame (in units per inch, where libwmf's device units are points).
    if (wmfHeaderOffset(data) > 0) {
      const double inch = u16(data, 14);
      const auto s16 = [&](qsizetype at) { return double(int16_t(u16(data, at))) * 72.0 / inch; };
      if (inch > 0 && s16(10) > s16(6) && s16(12) > s16(8))
        bbox = wmfD_Rect{{float(s16(6)), float(s16(8))}, {float(s16(10)), float(s16(12))}};
    }
    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);
    device->Description = const_cast<char*>("");
    device->bbox = bbox;
    device->width = width;
    device->height = height;
    if (device->out) {
      const wmf_error_t err = wmf_play(api, 0, &bbox);
      char* buffer = nullptr;
      unsigned long length = 0;
      wmf_stream_destroy(api, device->out, &buffer, &length);
      device->out = nullptr;
      if (err == wmf_E_None && buffer) svg = QByteArray(buffer, qsizetype(length));
      if (buffer) wmf_free(api, buffer);
    }
    natural = QSizeF(width, height);
  }
  wmf_mem_close(api);
  wmf_api_destroy(api);
  if (svg.isEmpty()) throw EInvalidGraphic("Invalid metafile");
  return svg;
}

}  // namespace

TMetafileKind DetectMetafile(const QByteArray& d) {
  if (d.size() >= kEmfMinHeader && u32(d, 0) == kEmfHeaderType && u32(d, 40) == kEmfSignature) {
    const uint32_t headerSize = u32(d, 4);
    if (headerSize >= uint32_t(kEmfMinHeader) && headerSize <= uint64_t(d.size())) return TMetafileKind::Emf;
    return TMetafileKind::None;
  }
  return wmfHeaderValid(d, wmfHeaderOffset(d)) ? TMetafileKind::Wmf : TMetafileKind::None;
}

TBitmap RenderMetafile(const QByteArray& data, QSize size, const QColor& background) {
  if (data.size() > kMaxMetafileBytes) throw EInvalidGraphic("Metafile too large");
  QByteArray svg;
  QSizeF natural;
  switch (DetectMetafile(data)) {
    case TMetafileKind::Emf: {
      if (!emfRecordsWellFormed(data)) throw EInvalidGraphic("Damaged enhanced metafile");
      // The bounds are inclusive device pixels.
      natural = QSizeF(double(i32(data, 16)) - i32(data, 8) + 1, double(i32(data, 20)) - i32(data, 12) + 1);
      svg = emfToSvg(data);
      break;
    }
    case TMetafileKind::Wmf: {
      const qsizetype at = wmfHeaderOffset(data);
      if (!wmfRecordsWellFormed(data, at + kWmfHeaderSize)) throw EInvalidGraphic("Damaged metafile");
      svg = wmfToSvg(data, natural);
      break;
    }
    case TMetafileKind::None: throw EInvalidGraphic("Not a metafile");
  }
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) throw EInvalidGraphic("Metafile could not be drawn");
  if (size.isEmpty()) size = capped(natural.width(), natural.height());
  if (!checkedImageBytes(size.width(), size.height(), 32)) throw EInvalidGraphic("Metafile picture too large");
  QImage image(size, QImage::Format_RGB32);
  image.fill(background);
  {
    QPainter p(&image);
    renderer.render(&p, QRectF(0, 0, size.width(), size.height()));
  }
  return TBitmap::FromQImage(image);
}

void TMetafileGraphic::LoadFromStream(QIODevice& stream) {
  const QByteArray data = stream.read(kMaxMetafileBytes + 1);
  bitmap_ = RenderMetafile(data, QSize(), Qt::white);
}

const TGraphicClass& MetafileGraphicClass() {
  static const TGraphicClass cls{QStringLiteral("TMetafile"), [] { return std::make_unique<TMetafileGraphic>(); }};
  return cls;
}

}  // namespace graphics
