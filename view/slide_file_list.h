#pragma once
// The files a slide show steps through: every entry of the folder that is not a folder and
// whose name passes the mask, as full paths sorted without regard to letter case, each once.
// Names are the folder's own bytes (platform/path_bytes.h).
#include <QString>
#include <QStringList>

namespace view {

// mask: ";"-separated "*.ext" patterns (the catalogue's mask rules). A folder that cannot
// be read gives an empty list.
QStringList SlideFileList(const QString& folder, const QString& mask);

}  // namespace view
