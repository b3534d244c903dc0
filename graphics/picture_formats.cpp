#include "graphics/picture_formats.h"

#include <QFileInfo>

#include "graphics/bmp_graphic.h"
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

void RegisterBuiltinFormats() {
  auto& formats = TPictureFormats::Instance();
  // Registering "bmp" again would move it to the end of the mask.
  if (formats.ClassForExtension(QStringLiteral("bmp")) != &BMPGraphicClass())
    formats.Register(QStringLiteral("bmp"), QStringLiteral("Bitmaps"), &BMPGraphicClass());
  RegisterJpegFormat();
  RegisterIconFormat();
  RegisterMetafileFormats();
}

}  // namespace graphics
