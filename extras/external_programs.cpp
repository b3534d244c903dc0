#include "extras/external_programs.h"

#include <QProcess>
#include <sys/stat.h>

#include "platform/path_bytes.h"

namespace extras {

std::array<TOtherSoftItem, 3> OtherSoftItems(const std::array<QString, 3>& paths) {
  std::array<TOtherSoftItem, 3> items;
  bool any = false;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (paths[i].isEmpty()) continue;
    items[i] = {true, true, paths[i].mid(paths[i].lastIndexOf(u'/') + 1)};
    any = true;
  }
  if (!any) items[0] = {true, false, QStringLiteral("未登録")};
  return items;
}

TProgramStarter DetachedStarter() {
  return [](const QString& program, const QStringList& args) { QProcess::startDetached(program, args); };
}

TStartResult StartOtherSoft(const QString& program, const QString& picture, const TProgramStarter& start) {
  struct stat st {};
  // A folder of that name is no program either.
  if (program.isEmpty() || ::stat(platform::PathBytes(program).constData(), &st) != 0 || S_ISDIR(st.st_mode))
    return TStartResult::Missing;
  if (!platform::IsTextPath(picture)) return TStartResult::NotPassable;
  start(program, {picture});
  return TStartResult::Started;
}

}  // namespace extras
