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
  next_ = 0;
  owner_.clear();
  used_.clear();
  free_.clear();
  memoryUsed_ = 0;
  layout();
}

namespace {
constexpr int kFree = INT32_MIN;
// Sheets grow this many cell rows at a time.
constexpr int kGrowRows = 8;
}  // namespace

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
  capacity = std::max(capacity, next_);
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
  memoryUsed_ = 0;
  for (const TBitmap& sheet : sheets_) memoryUsed_ += int64_t(sheet.ByteSize());
}

QRect TImgList::CellRect(int index) const {
  const int inSheet = index % CellsPerSheet();
  return QRect((inSheet % columns_) * cellWidth_, (inSheet / columns_) * cellHeight_, cellWidth_, cellHeight_);
}

int TImgList::growTarget(bool overLimit) const {
  // A few rows at a time, never past the sheet the new cell lies on; under a limit as many
  // of them as fit, and one row at least while the store is empty or must go over it.
  const int step = columns_ * kGrowRows;
  const int sheetEnd = (next_ / CellsPerSheet() + 1) * CellsPerSheet();
  int target = std::min(sheetEnd, (next_ / step + 1) * step);
  if (memoryLimit_ > 0) {
    const int oneRow = std::min(sheetEnd, (next_ / columns_ + 1) * columns_);
    while (target > oneRow && bytesFor(target) > memoryLimit_) target -= columns_;
    if (!overLimit && next_ > 0 && bytesFor(target) > memoryLimit_) return next_;
  }
  return target;
}

int64_t TImgList::bytesFor(int capacity) const {
  const int perSheet = CellsPerSheet();
  const int full = capacity / perSheet, lastCells = capacity % perSheet;
  const int64_t rowBytes = int64_t(TBitmap(columns_ * cellWidth_, 1).Stride()) * cellHeight_;
  return rowBytes * (int64_t(full) * rows_ + (lastCells + columns_ - 1) / columns_);
}

bool TImgList::canGrow() const { return next_ < capacity_ || growTarget(false) > next_; }

bool TImgList::HasRoom() const { return !free_.empty() || canGrow(); }

int TImgList::leastRecentlyUsed() const {
  int best = -1;
  for (int i = 0; i < next_; ++i) {
    if (owner_[size_t(i)] == kFree || used_[size_t(i)] >= frame_) continue;
    if (best < 0 || used_[size_t(i)] < used_[size_t(best)]) best = i;
  }
  return best;
}

int TImgList::takeCell(bool shown) {
  if (!free_.empty()) {
    const int cell = free_.back();
    free_.pop_back();
    return cell;
  }
  if (!canGrow()) {
    if (!shown) return -1;
    const int victim = leastRecentlyUsed();
    if (victim >= 0) {
      const int owner = owner_[size_t(victim)];
      owner_[size_t(victim)] = kFree;
      --count_;
      if (OnDrop) OnDrop(owner);
      return victim;
    }
    // Everything stored is on screen: the screen wins over the limit.
  }
  if (next_ >= capacity_) SetCapacity(growTarget(true));
  owner_.push_back(kFree);
  used_.push_back(0);
  return next_++;
}

int TImgList::Add(const TBitmap& source, int owner, bool shown) {
  const int index = takeCell(shown);
  if (index < 0) return -1;
  owner_[size_t(index)] = owner;
  used_[size_t(index)] = shown ? frame_ : 0;
  ++count_;
  TBitmap& sheet = sheets_[size_t(SheetOf(index))];
  const QRect cell = CellRect(index);
  const TBitmap picture = source.To24();
  const QRect fit = TImgUtil::FitRect(picture.Width(), picture.Height(), cellWidth_, cellHeight_);
  const int ox = (cellWidth_ - fit.width()) / 2, oy = (cellHeight_ - fit.height()) / 2;
  const int w = std::min(picture.Width(), cellWidth_ - ox), h = std::min(picture.Height(), cellHeight_ - oy);
  const uint8_t px[3] = {uint8_t(bkColor_.blue()), uint8_t(bkColor_.green()), uint8_t(bkColor_.red())};
  for (int y = 0; y < cellHeight_; ++y) {
    // A reused cell still holds the picture it had.
    uint8_t* row = sheet.ScanLine(cell.y() + y) + 3 * cell.x();
    for (int x = 0; x < cellWidth_; ++x) std::memcpy(row + 3 * x, px, 3);
  }
  for (int y = 0; y < h; ++y)
    std::memcpy(sheet.ScanLine(cell.y() + oy + y) + 3 * (cell.x() + ox), picture.ScanLine(y), size_t(w) * 3);
  return index;
}

void TImgList::Remove(int index) {
  if (index < 0 || index >= next_ || owner_[size_t(index)] == kFree) return;
  owner_[size_t(index)] = kFree;
  free_.push_back(index);
  --count_;
}

void TImgList::Touch(int index) {
  if (index >= 0 && index < next_) used_[size_t(index)] = frame_;
}

QImage TImgList::Picture(int index) const {
  if (index < 0 || index >= next_ || owner_[size_t(index)] == kFree) return QImage();
  return sheets_[size_t(SheetOf(index))].AsQImage().copy(CellRect(index));
}

}  // namespace catalog
