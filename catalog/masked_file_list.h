#pragma once
// The files of a folder a slide show or a file list shows: every entry of the folder that is not a folder and
// whose name passes the mask, as full paths sorted without regard to letter case, each once.
// Names are the folder's own bytes (platform/path_bytes.h).
#include <QString>
#include <QStringList>

namespace catalog {

// mask: ";"-separated "*.ext" patterns (the catalogue's mask rules). A folder that cannot
// be read gives an empty list.
QStringList MaskedFileList(const QString& folder, const QString& mask);

}  // namespace catalog
