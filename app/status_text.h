#pragma once
// Texts of the main window's status bar panels.
#include <QLocale>
#include <QString>
#include <cstdint>

namespace app {

// Panel 0 after a folder change or refresh: "Total： 12 files".
QString TotalText(qsizetype count);
// Panel 0 after a click: "Count： 3/12" (position counted from 1).
QString CountText(qsizetype position, qsizetype count);
// Panel 1: "1600×1200 Pixels".
QString PixelsText(int width, int height);
// Panel 2: "1,023 Bytes", "1 KB", "1,023 KB", "4.77 MB" with the locale's separators.
// Grouping is always on, even for locales (such as C) that omit it by default.
QString FileSizeText(uint32_t size, QLocale locale = QLocale());

}  // namespace app
