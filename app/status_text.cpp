#include "app/status_text.h"

namespace app {

QString TotalText(qsizetype count) { return QStringLiteral("Total： %1 files").arg(count); }

QString CountText(qsizetype position, qsizetype count) {
  return QStringLiteral("Count： %1/%2").arg(position).arg(count);
}

QString PixelsText(int width, int height) { return QStringLiteral("%1×%2 Pixels").arg(width).arg(height); }

QString FileSizeText(uint32_t size, QLocale locale) {
  locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  if (size < 1024u) return locale.toString(qulonglong(size)) + QStringLiteral(" Bytes");
  if (size < 1048576u) return locale.toString(qulonglong(size / 1024u)) + QStringLiteral(" KB");
  return locale.toString(double(size) / 1048576.0, 'f', 2) + QStringLiteral(" MB");
}

}  // namespace app
