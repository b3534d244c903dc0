#include "extras/shell_list.h"

#include "catalog/masked_file_list.h"
#include "platform/app_folder.h"

namespace extras {

QString ShellListDirectory(const QString& text) {
  if (text.isEmpty() || text.endsWith(u'/')) return text;
  return text + u'/';
}

QStringList ShellListFiles(const QString& directory, const QString& mask) {
  const QString folder = directory.isEmpty() ? ShellListDirectory(platform::programFolder()) : directory;
  return catalog::MaskedFileList(folder, mask.toLower());
}

QString ShellListItemText(const QString& path, bool showFullPath, bool showExtention) {
  if (showFullPath) return path;
  const QString name = path.mid(path.lastIndexOf(u'/') + 1);
  if (name.isEmpty()) return u'(' + path.left(2) + QStringLiteral(") ﾄﾞﾗｲﾌﾞ");
  if (showExtention) return name;
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot > 0 ? name.left(dot) : name;
}

}  // namespace extras
