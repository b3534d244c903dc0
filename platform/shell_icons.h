#pragma once
// The system image list stand-in: an icon index is our own index into a per-process list of
// icon-theme names, found from the file name's MIME type (by extension only: no file
// content is read). Indexes never change while the process runs.
#include <QString>

namespace platform::shell {

struct TSysIcon {
  QString themeName;    // icon-theme name ("image-jpeg", "folder", ...)
  QString genericName;  // fallback theme name ("image-x-generic")
  bool folder = false;
};

// Index of the icon for an item named fileName.
int SysIconIndex(const QString& fileName, bool isFolder, bool isLink);
// The icon at an index (an empty name for an unknown index).
TSysIcon SysIconAt(int index);

}  // namespace platform::shell
