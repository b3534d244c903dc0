#include "graphics/graphic.h"

#include <QFile>

#include "platform/fileop.h"
#include "platform/regular_file.h"
#include "platform/save_file.h"

namespace graphics {

void TGraphic::LoadFromFile(const QString& fileName) {
  platform::RegularFile file = platform::RegularFile::Open(fileName);
  QFile f;
  if (!file.LendTo(f)) throw EFileOpen(file);
  LoadFromStream(f);
}

void TGraphic::SaveToStream(QIODevice&) const { throw EInvalidGraphic("This graphic cannot be saved"); }

void TGraphic::SaveToFile(const QString& fileName) const {
  platform::TSaveFile f(fileName);
  if (!f.Open())
    throw EInvalidGraphic(QStringLiteral("Cannot create file %1: %2").arg(fileName, platform::ErrorText(f.Error())));
  SaveToStream(f.Device());
  if (!f.Commit())
    throw EInvalidGraphic(QStringLiteral("Cannot write file %1: %2").arg(fileName, platform::ErrorText(f.Error())));
}

}  // namespace graphics
