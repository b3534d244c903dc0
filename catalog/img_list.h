#pragma once
// The thumbnail store: pictures of one cell size kept on a few large 24-bit sheets instead
// of one bitmap each. Picture i lies on sheet i / cellsPerSheet, in row-major cell order.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <vector>

#include "graphics/bitmap.h"

namespace catalog {

class TImgList {
 public:
  TImgList() = default;
  TImgList(int cellWidth, int cellHeight, int sheetWidth = 1024, int sheetHeight = 2048);

  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  int SheetWidth() const { return sheetWidth_; }
  int SheetHeight() const { return sheetHeight_; }
  // Each of these empties the store when the value changes.
  void SetCellSize(int width, int height);
  void SetSheetWidth(int width);
  void SetSheetHeight(int height);
  QColor BkColor() const { return bkColor_; }
  void SetBkColor(const QColor& c) { bkColor_ = c; }

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  // Grows by whole sheets filled with the background; the last sheet has only the rows
  // it needs. Never shrinks below Count.
  void SetCapacity(int capacity);
  int Columns() const { return columns_; }
  int Rows() const { return rows_; }
  int CellsPerSheet() const { return columns_ * rows_; }
  int SheetCount() const { return int(sheets_.size()); }
  const graphics::TBitmap& Sheet(int i) const { return sheets_[size_t(i)]; }

  // Copies the picture centred into the next cell (cropped to the cell, never scaled) and
  // returns its index.
  int Add(const graphics::TBitmap& picture);
  void Clear();
  // Sheet and rectangle of picture i on it.
  int SheetOf(int index) const { return index / CellsPerSheet(); }
  QRect CellRect(int index) const;
  // A copy of cell i (null image for an index out of range).
  QImage Picture(int index) const;

 private:
  void layout();
  graphics::TBitmap blankSheet(int rows) const;

  std::vector<graphics::TBitmap> sheets_;
  int cellWidth_ = 32, cellHeight_ = 32;
  int sheetWidth_ = 1024, sheetHeight_ = 2048;
  QColor bkColor_ = QColor(255, 255, 255);
  int capacity_ = 0, count_ = 0;
  int rows_ = 64, columns_ = 32;
};

}  // namespace catalog
