#pragma once
// The icon of a system image list entry: the theme's icon, its generic fallback, or the
// style's plain file or folder icon when the theme has neither.
#include <QIcon>
#include <QStyle>

#include "platform/shell_icons.h"

namespace platform {

inline QIcon SysIconOf(const shell::TSysIcon& sys, const QStyle* style) {
  QIcon icon = QIcon::fromTheme(sys.themeName, QIcon::fromTheme(sys.genericName));
  if (icon.isNull() && style) icon = style->standardIcon(sys.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
  return icon;
}

}  // namespace platform
