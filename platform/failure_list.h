#pragma once
// How a run reports the files it could not do: a head line, then one line per file, the
// file's name before the reason ("a.jpg: No space left on device"), at most 20 lines and
// "..." for the rest. Copy, move, Trash, rename and batch conversion report this way; the
// reasons never carry the name themselves, so it shows once.
#include <QString>
#include <QStringList>

namespace platform {

// The file name of `path` (no folder) as shown, ": ", the reason.
QString FailureLine(const QString& path, const QString& reason);
// The head, then the lines (an empty head gives the lines alone).
QString FailureListText(const QString& head, const QStringList& lines);

}  // namespace platform
