#include "platform/failure_list.h"

#include "platform/path_bytes.h"

namespace platform {

namespace {
constexpr qsizetype kShownLines = 20;
}  // namespace

QString FailureLine(const QString& path, const QString& reason) {
  return DisplayName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)) + QStringLiteral(": ") + reason;
}

QString FailureListText(const QString& head, const QStringList& lines) {
  QStringList shown = lines.mid(0, kShownLines);
  if (lines.size() > kShownLines) shown << QStringLiteral("...");
  if (!head.isEmpty()) shown.prepend(head);
  return shown.join(QLatin1Char('\n'));
}

}  // namespace platform
