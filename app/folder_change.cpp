#include "app/folder_change.h"

#include <QDir>
#include <QFileInfo>

#include "catalog/thumb_cache.h"

namespace app {

namespace {
QString WithoutTrailingSlash(QString path) {
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

QString DiskLookup(const QString& folder, const QString& name) {
  return QFileInfo::exists(folder + name) ? name : QString();
}
}  // namespace

QString CacheFileName(const QString& folder) {
  const QString path = WithoutTrailingSlash(folder);
  return path.mid(path.lastIndexOf(u'/') + 1);
}

QString CachePath(const QString& programFolder, bool useCache) {
  return programFolder + (useCache ? QStringLiteral("/Cache") : QStringLiteral("/Temp"));
}

QString TempCacheFileFor(const QString& programFolder, const QString& folder) {
  // The cache's own naming rule ("my.photos" keeps its name, the root takes the program's),
  // so the file deleted is the one the catalogue wrote.
  catalog::TThumb thumb;
  thumb.Path = CachePath(programFolder, false);
  thumb.FileName = CacheFileName(folder);
  return thumb.CacheFileName(folder);
}

QString ExtensionMask(const QString& registryMask) {
  const QString own = registryMask.toLower();
  return own.isEmpty() ? QStringLiteral("*.cur;*.ani") : own + QStringLiteral(";*.cur;*.ani");
}

bool IsDriveRoot(const QString& folder) { return WithoutTrailingSlash(folder) == QStringLiteral("/"); }

QString CurrentFolderFor(const QString& folder) {
  return IsDriveRoot(folder) ? QString() : WithoutTrailingSlash(folder);
}

int SortIndexFromSetting(int value) { return value >= 1 && value <= 3 ? value : 0; }

QString LongPathName(const QString& path, const NameLookup& lookup) {
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString name = path.mid(slash + 1);
  if (name.isEmpty()) return path;
  QString folder = path.left(slash + 1);
  if (folder.isEmpty()) return path;  // a bare name: nothing to look it up in
  if (folder.size() > 1) folder = LongPathName(folder.chopped(1), lookup);
  if (!folder.endsWith(u'/')) folder += u'/';
  const QString found = lookup ? lookup(folder, name) : DiskLookup(folder, name);
  return folder + (found.isEmpty() ? name : found);
}

QString StartFolderFromArgument(const QString& argument, const QString& cwd) {
  if (argument.isEmpty() || argument.startsWith(QStringLiteral("\\\\")) || argument.startsWith(QStringLiteral("//")))
    return {};
  const QString full = LongPathName(QDir::cleanPath(QDir(cwd).absoluteFilePath(argument)));
  if (QFileInfo(full).isDir()) return full;
  return WithoutTrailingSlash(full.left(full.lastIndexOf(u'/') + 1));
}

}  // namespace app
