#include "catalog/disp_types.h"

#include "platform/path_bytes.h"

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
  maskUtf8_ = mask_.toStdString();
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

bool TDispTypes::MatchName(std::string_view nameBytes) const {
  if (!FilterActive()) return true;
  // ASCII names (nearly all) are lowered and looked up in the UTF-8 mask: an ASCII needle
  // framed by ";" cannot match inside a longer character, so this is Match's answer.
  std::string probe;
  probe.reserve(nameBytes.size() + 3);
  probe += ';';
  for (const char c : nameBytes) {
    if ((unsigned char)c >= 0x80) return Match(platform::PathFromBytes(nameBytes));
    probe += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  }
  probe += ';';
  if (maskUtf8_.find(probe) != std::string::npos) return true;
  const size_t dot = probe.rfind('.');
  std::string ext = ";*";
  if (dot != std::string::npos) ext.append(probe, dot, std::string::npos);
  else ext += ';';
  return maskUtf8_.find(ext) != std::string::npos;
}

}  // namespace catalog
