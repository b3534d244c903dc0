#include "catalog/img_list.h"

#include <algorithm>
#include <cstring>

#include "catalog/img_util.h"

namespace catalog {

using graphics::TBitmap;

TImgList::TImgList(int cellWidth, int cellHeight, int sheetWidth, int sheetHeight)
    : cellWidth_(std::max(1, cellWidth)),
      cellHeight_(std::max(1, cellHeight)),
      sheetWidth_(std::max(1, sheetWidth)),
      sheetHeight_(std::max(1, sheetHeight)) {
  layout();
}

void TImgList::layout() {
  // A cell larger than the sheet still gets one column and one row.
  columns_ = std::max(1, sheetWidth_ / cellWidth_);
  rows_ = std::max(1, sheetHeight_ / cellHeight_);
}

void TImgList::SetCellSize(int width, int height) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == cellWidth_ && height == cellHeight_) return;
  cellWidth_ = width;
  cellHeight_ = height;
  Clear();
}

void TImgList::SetSheetWidth(int width) {
  width = std::max(1, width);
  if (width == sheetWidth_) return;
  sheetWidth_ = width;
  Clear();
}

void TImgList::SetSheetHeight(int height) {
  height = std::max(1, height);
  if (height == sheetHeight_) return;
  sheetHeight_ = height;
  Clear();
}

void TImgList::Clear() {
  sheets_.clear();
  capacity_ = 0;
  count_ = 0;
  layout();
}

TBitmap TImgList::blankSheet(int rows) const {
  TBitmap b(columns_ * cellWidth_, rows * cellHeight_);
  const uint8_t px[3] = {uint8_t(bkColor_.blue()), uint8_t(bkColor_.green()), uint8_t(bkColor_.red())};
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) std::memcpy(row + 3 * x, px, 3);
  }
  return b;
}

void TImgList::SetCapacity(int capacity) {
  capacity = std::max(capacity, count_);
  if (capacity == capacity_) return;
  const int perSheet = CellsPerSheet();
  const int sheets = (capacity + perSheet - 1) / perSheet;
  const int lastCells = capacity - (sheets - 1) * perSheet;
  const int lastRows = sheets == 0 ? 0 : (lastCells + columns_ - 1) / columns_;
  sheets_.resize(size_t(sheets));
  for (int s = 0; s < sheets; ++s) {
    const int rows = s == sheets - 1 ? lastRows : rows_;
    TBitmap& sheet = sheets_[size_t(s)];
    if (!sheet.Empty() && sheet.Height() == rows * cellHeight_) continue;
    TBitmap grown = blankSheet(rows);
    const int keep = std::min(sheet.Height(), grown.Height());
    for (int y = 0; y < keep; ++y) std::memcpy(grown.ScanLine(y), sheet.ScanLine(y), grown.Stride());
    sheet = std::move(grown);
  }
  capacity_ = capacity;
}

QRect TImgList::CellRect(int index) const {
  const int inSheet = index % CellsPerSheet();
  return QRect((inSheet % columns_) * cellWidth_, (inSheet / columns_) * cellHeight_, cellWidth_, cellHeight_);
}

int TImgList::Add(const TBitmap& source) {
  if (count_ >= capacity_) {
    // Eight rows at a time, never past the sheet the new cell lies on.
    const int step = columns_ * 8;
    const int sheetEnd = (count_ / CellsPerSheet() + 1) * CellsPerSheet();
    SetCapacity(std::min(sheetEnd, (count_ / step + 1) * step));
  }
  const int index = count_++;
  TBitmap& sheet = sheets_[size_t(SheetOf(index))];
  const QRect cell = CellRect(index);
  const TBitmap picture = source.To24();
  const QRect fit = TImgUtil::FitRect(picture.Width(), picture.Height(), cellWidth_, cellHeight_);
  const int ox = (cellWidth_ - fit.width()) / 2, oy = (cellHeight_ - fit.height()) / 2;
  const int w = std::min(picture.Width(), cellWidth_ - ox), h = std::min(picture.Height(), cellHeight_ - oy);
  for (int y = 0; y < h; ++y)
    std::memcpy(sheet.ScanLine(cell.y() + oy + y) + 3 * (cell.x() + ox), picture.ScanLine(y), size_t(w) * 3);
  return index;
}

QImage TImgList::Picture(int index) const {
  if (index < 0 || index >= count_) return QImage();
  return sheets_[size_t(SheetOf(index))].AsQImage().copy(CellRect(index));
}

}  // namespace catalog
