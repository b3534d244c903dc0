#include "files/folder_rows.h"

namespace files {

TFolderRows::TFolderRows(int size) {
  for (int i = 0; i < size; ++i) rows_ << kEmptyRow;
}

void TFolderRows::Load(const QStringList& stored) {
  count_ = 0;
  for (int i = 0; i < Size(); ++i) {
    const QString s = i < stored.size() ? stored[i] : QString();
    rows_[i] = s.isEmpty() ? kEmptyRow : s;
    if (!s.isEmpty()) ++count_;
  }
}

QStringList TFolderRows::Filled() const {
  QStringList out;
  for (const QString& r : rows_)
    if (r != kEmptyRow) out << r;
  return out;
}

QString TFolderRows::Add(const QString& path) {
  qsizetype at = rows_.indexOf(kEmptyRow);
  if (at < 0) at = Size() - 1;
  const QString replaced = rows_[at];
  rows_[at] = path;
  count_ = qMin(count_ + 1, Size());
  return replaced;
}

bool TFolderRows::Delete(int i) {
  if (IsEmptyRow(i)) return false;
  rows_.removeAt(i);
  rows_ << kEmptyRow;
  if (count_ > 0) --count_;
  return true;
}

bool TFolderRows::Up(int i) {
  if (IsEmptyRow(i) || i == 0) return false;
  rows_.swapItemsAt(i, i - 1);
  return true;
}

bool TFolderRows::Down(int i) {
  if (IsEmptyRow(i) || i >= Size() - 1 || IsEmptyRow(i + 1)) return false;
  rows_.swapItemsAt(i, i + 1);
  return true;
}

}  // namespace files
