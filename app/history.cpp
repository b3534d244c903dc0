#include "app/history.h"

#include "platform/settings.h"

namespace app {

namespace {
// A damaged Count must not make loading read (or wait on) millions of keys; entries past
// the first HistoryNum distinct ones would be cut anyway.
constexpr int kMaxStoredCount = 256;
}  // namespace

void THistoryList::Add(const QString& path) {
  if (path.isEmpty()) return;
  items_.removeAll(path);
  items_.prepend(path);
  while (items_.size() > HistoryNum) items_.removeLast();
}

void THistoryList::Remove(const QString& path) { items_.removeAll(path); }

QString THistoryList::Caption(int index) const {
  if (index < 0 || index >= items_.size()) return {};
  return QStringLiteral("&%1 %2").arg(index).arg(items_[index]);
}

QString THistoryList::PathFromCaption(const QString& caption) {
  qsizetype i = 0;
  if (i < caption.size() && caption[i] == u'&') ++i;
  while (i < caption.size() && caption[i].isDigit()) ++i;
  if (i < caption.size() && caption[i] == u' ') ++i;
  return caption.mid(i);
}

void THistoryList::Save(const settings::TIniFile& ini) const {
  ini.WriteInteger(SectionName, QStringLiteral("Count"), Count());
  for (int i = 0; i < Count(); ++i) ini.WriteString(SectionName, QStringLiteral("H%1").arg(i), items_[i]);
}

void THistoryList::Load(const settings::TIniFile& ini) {
  items_.clear();
  const int count = qBound(0, ini.ReadInteger(SectionName, QStringLiteral("Count"), 0), kMaxStoredCount);
  for (int i = count - 1; i >= 0; --i) {
    // A missing or empty key is skipped rather than listed as a bogus folder.
    const QString path = ini.ReadString(SectionName, QStringLiteral("H%1").arg(i), QString());
    if (!path.isEmpty()) Add(path);
  }
}

void THistoryList::SetActive(bool active, const settings::TIniFile& ini) {
  if (active == active_) return;
  active_ = active;
  if (active)
    Load(ini);
  else
    Save(ini);
}

}  // namespace app
