#pragma once
// The thumbnail store: pictures of one cell size kept on a few large 24-bit sheets instead
// of one bitmap each. Picture i lies on sheet i / cellsPerSheet, in row-major cell order.
//
// With a memory limit the sheets stop growing at the limit and a new picture takes the cell
// of the one used least recently (Touch), whose owner is told through OnDrop. Cells touched
// since the last NextFrame are never taken: what is on screen stays even when it alone
// passes the limit.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>
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

  // Cells holding a picture.
  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  // Grows by whole sheets filled with the background; the last sheet has only the rows
  // it needs. Never shrinks below the cells handed out.
  void SetCapacity(int capacity);
  int Columns() const { return columns_; }
  int Rows() const { return rows_; }
  int CellsPerSheet() const { return columns_ * rows_; }
  int SheetCount() const { return int(sheets_.size()); }
  const graphics::TBitmap& Sheet(int i) const { return sheets_[size_t(i)]; }

  // Copies the picture centred into a free cell (cropped to the cell, never scaled) and
  // returns its index; without a limit or drops the cells are handed out in order. owner is
  // what OnDrop reports when the cell is taken for another picture. A picture not shown
  // (shown false) never takes a used cell and is not stored (-1) when the store is full;
  // a shown one counts as touched.
  int Add(const graphics::TBitmap& picture, int owner = -1, bool shown = true);
  // Frees the cell of index.
  void Remove(int index);
  void Clear();

  // Bytes of all sheets; 0 limit: none.
  int64_t MemoryUsed() const { return memoryUsed_; }
  int64_t MemoryLimit() const { return memoryLimit_; }
  void SetMemoryLimit(int64_t bytes) { memoryLimit_ = bytes < 0 ? 0 : bytes; }
  // Whether a picture that is not shown would still be stored.
  bool HasRoom() const;
  // Starts a new frame: cells touched before it may be taken again.
  void NextFrame() { ++frame_; }
  void Touch(int index);
  // The owner of a cell that is taken for another picture.
  std::function<void(int owner)> OnDrop;
  // Sheet and rectangle of picture i on it.
  int SheetOf(int index) const { return index / CellsPerSheet(); }
  QRect CellRect(int index) const;
  // A copy of cell i (null image for an index out of range).
  QImage Picture(int index) const;

 private:
  void layout();
  graphics::TBitmap blankSheet(int rows) const;
  bool canGrow() const;
  // The capacity to grow to; the current one when there is no room.
  int growTarget(bool overLimit) const;
  int64_t bytesFor(int capacity) const;
  int takeCell(bool shown);
  int leastRecentlyUsed() const;

  std::vector<graphics::TBitmap> sheets_;
  int cellWidth_ = 32, cellHeight_ = 32;
  int sheetWidth_ = 1024, sheetHeight_ = 2048;
  QColor bkColor_ = QColor(255, 255, 255);
  int capacity_ = 0, count_ = 0;
  int next_ = 0;  // cells below it have been handed out at least once
  std::vector<int> owner_;  // per handed-out cell; kFree when free
  std::vector<uint64_t> used_;  // frame of the last touch
  std::vector<int> free_;
  uint64_t frame_ = 1;
  int64_t memoryUsed_ = 0, memoryLimit_ = 0;
  int rows_ = 64, columns_ = 32;
};

}  // namespace catalog
