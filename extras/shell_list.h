#pragma once
// What the file list control shows, without the control: the folder it lists (always ending
// in "/"), the files matching its mask, and each item's text.
#include <QString>
#include <QStringList>

namespace extras {

// "" stays "" (the control then lists the program folder); anything else ends in "/".
QString ShellListDirectory(const QString& text);

// The files of `directory` (the program folder when empty) whose names match one of the
// ";"-separated patterns of `mask`, letter case aside, sorted without regard to letter case.
QStringList ShellListFiles(const QString& directory, const QString& mask);

// The full path, or the file name, or the file name without its extension; a path without
// a file name shows "(" + its first two characters + ") ﾄﾞﾗｲﾌﾞ".
QString ShellListItemText(const QString& path, bool showFullPath, bool showExtention);

}  // namespace extras
