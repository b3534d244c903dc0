#pragma once
// The catalogue's grid arithmetic as plain functions: cell geometry, page grid, scroll
// range, scroll commands, MakeVisible, keyboard moves and hit testing. Indexes are entry
// positions in the list; top is the first entry of the page.
#include <optional>

namespace catalog {

struct TLayoutParams {
  bool frameVisible = true;
  int frameWidth = 1;
  bool selectFrameVisible = true;
  int selectFrameWidth = 3;
  bool borderSingle = false;  // ViewImage.BorderStyle = bsSingle
  bool bevelOuter = false;    // BevelOuter is not bvNone
  bool bevelInner = false;
  int bevelWidth = 1;
  int blankLeft = 0, blankTop = 0, blankRight = 0, blankBottom = 0;
  int imageWidth = 94, imageHeight = 94;
  bool showCaptions = true;
  int textHeight = 0, externalLeading = 0;
  int spacingX = 4, spacingY = 4;
};

struct TCellMetrics {
  int F = 0;   // frame band
  int M = 0;   // margin
  int Px = 0, Py = 0;  // picture offset inside the cell
  int OW = 0, OH = 0;  // outer size
  int CH = 0;          // caption height
  int CW = 0, CHt = 0; // cell size
};

TCellMetrics ComputeCellMetrics(const TLayoutParams& p);

struct TPageGrid {
  int columns = 0, rows = 0;
  int perPage() const { return columns * rows; }
};

TPageGrid ComputeGrid(const TCellMetrics& m, int clientWidth, int clientHeight);

struct TPoint2 {
  int x = 0, y = 0;
};
// Top-left corner of the k-th cell of the page.
TPoint2 CellOrigin(const TCellMetrics& m, const TPageGrid& g, int k, int spacingX, int spacingY);

struct TBox {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const TBox&, const TBox&) = default;
};
// Caption rectangle of a cell whose top-left corner is origin: the text's width plus the
// margins (at most the outer width), centred in the outer width, below the gap.
TBox CaptionBox(const TCellMetrics& m, TPoint2 origin, int textWidth, int textHeight);

struct TScrollRange {
  int max = 0;
  int page = 0;
};
TScrollRange ComputeScrollRange(int count, const TPageGrid& g);

// Paging state for the scroll commands; with no whole cell on the page they do nothing.
struct TPager {
  int count = 0;
  int top = 0;
  TPageGrid grid;

  bool OnLastPage() const;
  bool NoPage() const;  // not one whole cell fits
  // Each returns the new top, or nothing when the command does nothing.
  std::optional<int> LineUp() const;
  std::optional<int> LineDown() const;
  std::optional<int> PageUp() const;
  std::optional<int> PageDown() const;
  std::optional<int> Bottom() const { return MakeVisible(count - 1); }
  // Nothing when the entry is on the page or the new top rounds to the current one.
  std::optional<int> MakeVisible(int index) const;
};

// What a key does to the focus index f.
struct TKeyMove {
  enum Kind { None, Select, PageDownCommand, SetTop } kind = None;
  int value = 0;  // index to select, or the new top
};
enum class TMoveKey { PageUp, PageDown, End, Home, Left, Up, Right, Down };
TKeyMove ComputeKeyMove(TMoveKey key, int f, int count, const TPageGrid& g);

// Entry index under a point (before the caption test), or -1.
int HitTestCell(const TCellMetrics& m, const TPageGrid& g, int spacingX, int spacingY, int top, int count, int x,
                int y);

}  // namespace catalog
