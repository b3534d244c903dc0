#include "graphics/picture_formats.h"

#include <QFileInfo>
#include <optional>

#include "graphics/bmp_graphic.h"
#include "graphics/builtin_formats.h"
#include "graphics/icon_graphic.h"
#include "graphics/jpeg_image.h"
#include "graphics/metafile_graphic.h"

namespace graphics {

TPictureFormats& TPictureFormats::Instance() {
  static TPictureFormats registry;
  return registry;
}

void TPictureFormats::Register(const QString& ext, const QString& description, const TGraphicClass* cls) {
  if (!cls) return;
  const QString key = ext.toLower();
  std::lock_guard lock(mutex_);
  // The same class registering again keeps its place in the mask.
  for (auto& e : entries_)
    if (e.ext == key && e.cls == cls) {
      e.description = description;
      return;
    }
  std::erase_if(entries_, [&](const Entry& e) { return e.ext == key; });
  entries_.push_back({key, description, cls});
}

void TPictureFormats::UnregisterClass(const TGraphicClass* cls) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.cls == cls; });
}

const TGraphicClass* TPictureFormats::ClassForExtension(const QString& ext) const {
  const QString key = ext.startsWith('.') ? ext.mid(1).toLower() : ext.toLower();
  std::lock_guard lock(mutex_);
  for (const auto& e : entries_)
    if (e.ext == key) return e.cls;
  return nullptr;
}

QString TPictureFormats::Description(const QString& ext) const {
  const QString key = ext.startsWith('.') ? ext.mid(1).toLower() : ext.toLower();
  std::lock_guard lock(mutex_);
  for (const auto& e : entries_)
    if (e.ext == key) return e.description;
  return QString();
}

QStringList TPictureFormats::Extensions() const {
  std::lock_guard lock(mutex_);
  QStringList out;
  for (const auto& e : entries_) out << e.ext;
  return out;
}

QString TPictureFormats::Mask() const {
  QStringList parts;
  for (const QString& e : Extensions()) parts << "*." + e;
  return parts.join(';');
}

std::unique_ptr<TGraphic> TPictureFormats::LoadFromFile(const QString& fileName) const {
  const QString ext = QFileInfo(fileName).suffix();
  const TGraphicClass* cls = ClassForExtension(ext);
  if (!cls) throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
  auto g = cls->create();
  g->LoadFromFile(fileName);
  return g;
}

void TPictureFormats::ResetForTesting() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

namespace {
struct TRegistryEntry {
  const TGraphicClass* cls;
  const char* description;
};

// The class and description a built-in format is registered under; none for formats this
// library does not register (PNG is the decoder library's, the catalogue adds the cursors).
std::optional<TRegistryEntry> RegistryEntryOf(TBuiltinFormat format) {
  using enum TBuiltinFormat;
  switch (format) {
    case bfBmp: return TRegistryEntry{&BMPGraphicClass(), "Bitmaps"};
    case bfJpeg: return TRegistryEntry{&JpegGraphicClass(), "JPEG Image File"};
    case bfIcon: return TRegistryEntry{&IconGraphicClass(), "Icons"};
    case bfEmf: return TRegistryEntry{&MetafileGraphicClass(), "Enhanced Metafiles"};
    case bfWmf: return TRegistryEntry{&MetafileGraphicClass(), "Metafiles"};
    case bfPng:
    case bfCursor:
    case bfAnimatedCursor: break;
  }
  return std::nullopt;
}
}  // namespace

void RegisterBuiltinFormats() {
  auto& formats = TPictureFormats::Instance();
  // The same class registering again keeps its place in the mask.
  for (const TBuiltinExtension& e : BuiltinExtensions())
    if (const auto entry = RegistryEntryOf(e.Format))
      formats.Register(QLatin1String(e.Ext), QString::fromLatin1(entry->description), entry->cls);
}

}  // namespace graphics
