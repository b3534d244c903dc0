#pragma once
// The picture loader's registry of formats: file extension -> graphic class and
// description. A later registration of an extension takes precedence over an earlier
// one. Registration happens at start-up on the UI thread; lookups may come from the
// thumbnail worker, so the registry guards itself with a mutex.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/graphic.h"

namespace graphics {

// A graphic class: a name (for messages and tests) and a factory.
struct TGraphicClass {
  QString name;
  std::function<std::unique_ptr<TGraphic>()> create;
};

class TPictureFormats {
 public:
  static TPictureFormats& Instance();

  // ext without the dot, any case ("JPG", "jpeg").
  void Register(const QString& ext, const QString& description, const TGraphicClass* cls);
  // Drops every extension registered for cls.
  void UnregisterClass(const TGraphicClass* cls);
  // nullptr when the extension is unknown.
  const TGraphicClass* ClassForExtension(const QString& ext) const;
  QString Description(const QString& ext) const;
  // "*.bmp;*.jpg;..." in registration order, one pattern per extension.
  QString Mask() const;
  QStringList Extensions() const;

  // Picks the class by the file name's extension and loads the file. Throws
  // EInvalidGraphic for an unknown extension or a picture the class rejects.
  std::unique_ptr<TGraphic> LoadFromFile(const QString& fileName) const;

  // For tests: forget every registration.
  void ResetForTesting();

 private:
  struct Entry {
    QString ext;  // lower case
    QString description;
    const TGraphicClass* cls;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// Registers the formats this library owns (BMP, JPEG, icons, metafiles). Safe to call more than once.
void RegisterBuiltinFormats();

}  // namespace graphics
