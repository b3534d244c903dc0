#include "platform/shell_icons.h"

#include <QMimeDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <vector>

namespace platform::shell {

namespace {

QMutex gLock;
std::vector<TSysIcon>& icons() {
  static std::vector<TSysIcon> list;
  return list;
}

int indexOf(const TSysIcon& icon) {
  QMutexLocker lock(&gLock);
  auto& list = icons();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].themeName == icon.themeName && list[i].folder == icon.folder) return int(i);
  list.push_back(icon);
  return int(list.size() - 1);
}

}  // namespace

int SysIconIndex(const QString& fileName, bool isFolder, bool isLink) {
  if (isFolder) return indexOf({QStringLiteral("folder"), QStringLiteral("folder"), true});
  static const QMimeDatabase db;
  const QMimeType mime = db.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
  TSysIcon icon{mime.iconName(), mime.genericIconName(), false};
  if (icon.themeName.isEmpty()) icon.themeName = QStringLiteral("text-x-generic");
  // A link's own icon is its target kind's; the overlay arrow marks it as a link.
  (void)isLink;
  return indexOf(icon);
}

TSysIcon SysIconAt(int index) {
  QMutexLocker lock(&gLock);
  const auto& list = icons();
  if (index < 0 || size_t(index) >= list.size()) return {};
  return list[size_t(index)];
}

}  // namespace platform::shell
