#include "app/nav.h"

namespace app {

namespace {
void AppendUnlessLast(QStringList& list, const QString& path) {
  if (path.isEmpty()) return;
  if (list.isEmpty() || list.last() != path) list.append(path);
}

bool IsAtOrBelow(const QString& entry, const QString& folder) {
  if (entry == folder) return true;
  const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
  return entry.startsWith(prefix);
}
}  // namespace

void TFolderNav::NewChoice(const QString& previous) {
  AppendUnlessLast(back_, previous);
  while (back_.size() > MaxBack) back_.removeFirst();
  forward_.clear();
}

std::optional<QString> TFolderNav::Step(QStringList& from, QStringList& to, int n, const QString& current) {
  if (from.isEmpty() || (n >= 0 && n >= from.size())) return std::nullopt;
  AppendUnlessLast(to, current);
  if (n >= 0)
    while (from.size() > n + 1) to.append(from.takeLast());
  return from.takeLast();
}

std::optional<QString> TFolderNav::Back(int n, const QString& current) { return Step(back_, forward_, n, current); }

std::optional<QString> TFolderNav::Forward(int n, const QString& current) {
  return Step(forward_, back_, n, current);
}

void TFolderNav::RemoveFolder(const QString& path) {
  Prune([&](const QString& e) { return !IsAtOrBelow(e, path); });
}

void TFolderNav::Prune(const std::function<bool(const QString&)>& exists) {
  auto keep = [&](QStringList& list) {
    QStringList kept;
    for (const QString& e : list)
      if (exists(e)) AppendUnlessLast(kept, e);
    list = kept;
  };
  keep(back_);
  keep(forward_);
}

}  // namespace app
