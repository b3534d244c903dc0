// Feeds arbitrary bytes to the cache reader as a cache file: lookups, an append and a
// deletion must never crash, hang or allocate beyond the file's size.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "catalog/thumb_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  static const QString picA = [] {
    QDir().mkpath(dir.filePath("pics"));
    QFile f(dir.filePath("pics/a.jpg"));
    f.open(QIODevice::WriteOnly);
    f.write("picture");
    return f.fileName();
  }();
  const QString cache = dir.filePath("pics.dat");
  {
    QFile f(cache);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  catalog::TThumb thumb;
  thumb.Path = dir.path();
  thumb.FileName = "pics";
  try {
    QByteArray jpeg;
    thumb.Read(picA, jpeg);
    thumb.Read("/nowhere/b.jpg", jpeg);
    thumb.Read(picA, jpeg);
    thumb.Header().Width = 1;
    thumb.Add("/nowhere/c.jpg", "C");
    thumb.Read("/nowhere/c.jpg", jpeg);
    thumb.DeleteEntry("/nowhere/b.jpg");
    thumb.DeleteEntries({picA, "/nowhere/c.jpg"});
  } catch (const catalog::EThumbError&) {
  }
  return 0;
}
