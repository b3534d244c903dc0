#pragma once
// The fixed list of folder rows that the save-folder and favourites dialogs edit: always
// `size` rows, the filled ones first, each empty row holding "......", and a count of the
// filled rows. The buttons keep the filled rows together, so the stored list has no gaps.
#include <QString>
#include <QStringList>

namespace files {

inline const QString kEmptyRow = QStringLiteral("......");

class TFolderRows {
 public:
  explicit TFolderRows(int size);
  // Row n-1 := stored[n-1], or "......" when empty; the count is the number of filled ones.
  void Load(const QStringList& stored);

  int Size() const { return int(rows_.size()); }
  int Count() const { return count_; }
  const QStringList& Rows() const { return rows_; }
  const QString& Row(int i) const { return rows_[i]; }
  bool IsEmptyRow(int i) const { return i < 0 || i >= Size() || rows_[i] == kEmptyRow; }
  bool Contains(const QString& path) const { return rows_.contains(path); }
  // The filled rows in order.
  QStringList Filled() const;

  // Puts the path into the first empty row, or over the last row when none is free; returns
  // the text it replaced ("......" when it took an empty row). The count grows, at most Size.
  QString Add(const QString& path);
  // Removes a filled row and appends an empty one; false for an empty row.
  bool Delete(int i);
  // Moves a filled row up; false when it cannot move.
  bool Up(int i);
  // Moves a filled row down onto a filled row; false when it cannot move.
  bool Down(int i);

 private:
  QStringList rows_;
  int count_ = 0;
};

}  // namespace files
