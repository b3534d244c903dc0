#include "catalog/disp_types.h"

namespace catalog {

void TDispTypes::SetFolders(bool v) {
  if (v == folders_) return;
  folders_ = v;
  changed();
}

void TDispTypes::SetNonFolders(bool v) {
  if (v == nonFolders_) return;
  nonFolders_ = v;
  changed();
}

void TDispTypes::SetHidden(bool v) {
  if (v == hidden_) return;
  hidden_ = v;
  changed();
}

void TDispTypes::SetExt(const QString& v) {
  if (v == ext_) return;
  ext_ = v;
  if (v.isEmpty()) {
    mask_ = QStringLiteral(";*.*;");
  } else {
    mask_ = v.toLower();
    if (!mask_.startsWith(';')) mask_.prepend(';');
    if (!mask_.endsWith(';')) mask_.append(';');
  }
  changed();
}

bool TDispTypes::Match(const QString& path) const {
  if (!FilterActive()) return true;
  // Only "/" separates here: "\\" and ":" are ordinary characters of Linux names.
  const qsizetype cut = path.lastIndexOf('/');
  const QString name = path.mid(cut + 1).toLower();
  if (mask_.contains(';' + name + ';')) return true;
  const qsizetype dot = name.lastIndexOf('.');
  const QString ext = dot < 0 ? QString() : name.mid(dot);
  return mask_.contains(";*" + ext + ';');
}

}  // namespace catalog
