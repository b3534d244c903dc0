#include "catalog/disp_types.h"

#include "platform/path_bytes.h"

#include <cstring>

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
  filterActive_ = !mask_.contains(QLatin1String(";*.*;"));
  entries_.clear();
  entryLengths_.reset();
  for (size_t at = 1; at < maskUtf8_.size();) {
    const size_t end = maskUtf8_.find(';', at);
    entries_.emplace(maskUtf8_, at, end - at);
    if (end - at < entryLengths_.size()) entryLengths_.set(end - at);
    at = end + 1;
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

bool TDispTypes::MatchName(std::string_view nameBytes) const {
  if (!FilterActive()) return true;
  // ASCII names (nearly all) are lowered and looked up among the UTF-8 mask's entries: an
  // ASCII name can only equal a whole ASCII entry, so this is Match's answer. A ";" in the
  // name could span two entries, so such a name is searched for as Match does.
  char lowered[kMaxName];
  const size_t n = nameBytes.size();
  if (n > sizeof lowered || nameBytes.find(';') != std::string_view::npos) return Match(platform::PathFromBytes(nameBytes));
  for (size_t i = 0; i < n; ++i) {
    const char c = nameBytes[i];
    if ((unsigned char)c >= 0x80) return Match(platform::PathFromBytes(nameBytes));
    lowered[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  }
  const std::string_view name(lowered, n);
  if (entryLengths_[n] && entries_.find(name) != entries_.end()) return true;
  // "*" and the extension with its dot; "*" alone for a name without a dot.
  char probe[sizeof lowered + 1];
  probe[0] = '*';
  const size_t dot = name.rfind('.');
  const std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot);
  if (!ext.empty()) std::memcpy(probe + 1, ext.data(), ext.size());
  return entryLengths_[ext.size() + 1] && entries_.find(std::string_view(probe, ext.size() + 1)) != entries_.end();
}

}  // namespace catalog
