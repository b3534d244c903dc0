#include "graphics/graphic.h"

#include <QFile>
#include <QSaveFile>

namespace graphics {

void TGraphic::LoadFromFile(const QString& fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) throw EInvalidGraphic(QStringLiteral("Cannot open file %1").arg(fileName));
  LoadFromStream(f);
}

void TGraphic::SaveToStream(QIODevice&) const { throw EInvalidGraphic("This graphic cannot be saved"); }

void TGraphic::SaveToFile(const QString& fileName) const {
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly)) throw EInvalidGraphic(QStringLiteral("Cannot create file %1").arg(fileName));
  SaveToStream(f);
  if (!f.commit()) throw EInvalidGraphic(QStringLiteral("Cannot write file %1").arg(fileName));
}

}  // namespace graphics
