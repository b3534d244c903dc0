#include "files/folder_lists.h"

#include "platform/settings_keys.h"

namespace files {

namespace keys = settings::keys;

QString SaveFolderPathOf(const QString& chosen) {
  if (chosen.isEmpty() || chosen.endsWith(QLatin1Char('/'))) return chosen;
  return chosen + QLatin1Char('/');
}

QString FavouritePathOf(const QString& folder) {
  QString p = folder;
  while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
  return p;
}

QStringList StoredSaveFolders(const settings::TIniFile& ini) {
  QStringList out;
  for (int n = 1; n <= kSaveFolderRows; ++n) out << ini.Read(keys::SaveFolderList, n);
  return out;
}

QString StoreSaveFolders(const settings::TIniFile& ini, const QStringList& rows, const QString& current) {
  const auto& list = keys::SaveFolderList;
  for (int n = 1; n <= kSaveFolderRows; ++n) ini.DeleteKey(list.section, list.name(n));
  int next = 1;
  for (const QString& r : rows)
    if (!r.isEmpty() && next <= kSaveFolderRows) ini.Write(list, next++, r);
  if (current.isEmpty()) {
    ini.DeleteKey(keys::SaveFolderPath.section, keys::SaveFolderPath.name);
    ini.DeleteKey(keys::SaveFolderIndex.section, keys::SaveFolderIndex.name);
    return QString();
  }
  const qsizetype at = rows.indexOf(current);
  if (at >= 0) ini.Write(keys::SaveFolderIndex, int(at));
  ini.Write(keys::SaveFolderPath, current);
  return current;
}

std::vector<TFolderMenuEntry> SaveFolderMenu(const settings::TIniFile& ini) {
  const int index = ini.Read(keys::SaveFolderIndex);
  const int current = index >= 0 && index < kSaveFolderRows ? index + 1 : 0;
  std::vector<TFolderMenuEntry> out;
  for (int n = 1; n <= kSaveFolderRows; ++n) {
    const QString p = ini.Read(keys::SaveFolderList, n);
    if (!p.isEmpty()) out.push_back({p, n == current});
  }
  return out;
}

void SelectSaveFolder(const settings::TIniFile& ini, int position, const QString& caption) {
  ini.Write(keys::SaveFolderIndex, position);
  ini.Write(keys::SaveFolderPath, caption);
}

QStringList StoredFavourites(const settings::TIniFile& ini) {
  QStringList out;
  for (int n = 1; n <= kFavouriteRows; ++n) out << ini.Read(keys::ListPathItem, n);
  return out;
}

void StoreFavourites(const settings::TIniFile& ini, const QStringList& rows) {
  const auto& item = keys::ListPathItem;
  for (int n = 1; n <= kFavouriteRows; ++n) ini.DeleteKey(item.section, item.name(n));
  int next = 1;
  for (const QString& r : rows)
    if (!r.isEmpty() && next <= kFavouriteRows) ini.Write(item, next++, r);
}

bool RegisterFavourite(const settings::TIniFile& ini, const QString& path) {
  const QStringList stored = StoredFavourites(ini);
  if (stored.contains(path)) return false;
  const qsizetype free = stored.indexOf(QString());
  ini.Write(keys::ListPathItem, free < 0 ? kFavouriteRows : int(free) + 1, path);
  return true;
}

QStringList FavouriteMenu(const settings::TIniFile& ini) {
  QStringList out;
  for (const QString& p : StoredFavourites(ini))
    if (!p.isEmpty()) out << p;
  return out;
}

}  // namespace files
