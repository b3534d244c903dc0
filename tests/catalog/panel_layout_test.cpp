#include <gtest/gtest.h>

#include "catalog/panel_layout.h"

using namespace catalog;

namespace {

// The main window's cells: spacing 0/4, picture box 100 × 80, single border, no frames.
TLayoutParams mainWindowCells() {
  TLayoutParams p;
  p.frameVisible = false;
  p.selectFrameVisible = false;
  p.borderSingle = true;
  p.imageWidth = 100;
  p.imageHeight = 80;
  p.spacingX = 0;
  p.spacingY = 4;
  p.textHeight = 13;
  return p;
}

}  // namespace

TEST(PanelLayout, CellMetrics) {
  struct Case {
    const char* what;
    TLayoutParams p;
    int F, M, Px, OW, OH, CW, CHt;
  };
  TLayoutParams framed;  // control defaults: frame 1, select frame 3, spacing 4/4
  framed.textHeight = 13;
  framed.externalLeading = 1;
  TLayoutParams bevels = mainWindowCells();
  bevels.bevelOuter = bevels.bevelInner = true;
  bevels.bevelWidth = 3;
  bevels.blankLeft = 5;
  bevels.blankRight = 7;
  TLayoutParams noCaption = mainWindowCells();
  noCaption.showCaptions = false;
  const Case cases[] = {
      {"main window", mainWindowCells(), 0, 2, 2, 104, 84, 104, 84 + 4 + 15},
      {"frames", framed, 3, 3, 3, 100, 100, 104, 100 + 4 + 16},
      // Bevels count one pixel each in the margin, their width in the picture offset.
      {"bevels", bevels, 0, 4, 2 + 3 + 3 + 5, 8 + 100 + 12, 88, 120, 88 + 4 + 15},
      {"no captions", noCaption, 0, 2, 2, 104, 84, 104, 88},
  };
  for (const auto& c : cases) {
    const TCellMetrics m = ComputeCellMetrics(c.p);
    EXPECT_EQ(m.F, c.F) << c.what;
    EXPECT_EQ(m.M, c.M) << c.what;
    EXPECT_EQ(m.Px, c.Px) << c.what;
    EXPECT_EQ(m.OW, c.OW) << c.what;
    EXPECT_EQ(m.OH, c.OH) << c.what;
    EXPECT_EQ(m.CW, c.CW) << c.what;
    EXPECT_EQ(m.CHt, c.CHt) << c.what;
  }
}

TEST(PanelLayout, WholeCellsOnly) {
  const TCellMetrics m = ComputeCellMetrics(mainWindowCells());
  struct Case {
    int w, h, columns, rows;
  } cases[] = {{520, 206, 5, 2}, {519, 206, 4, 2}, {103, 205, 0, 1}, {0, 0, 0, 0}, {104, 103, 1, 1}};
  for (const auto& c : cases) {
    const TPageGrid g = ComputeGrid(m, c.w, c.h);
    EXPECT_EQ(g.columns, c.columns) << c.w;
    EXPECT_EQ(g.rows, c.rows) << c.h;
  }
  const TPageGrid g{5, 2};
  const TPoint2 o = CellOrigin(m, g, 7, 0, 4);
  EXPECT_EQ(o.x, 2 * 104);
  EXPECT_EQ(o.y, 103 + 4);
}

TEST(PanelLayout, ScrollRange) {
  struct Case {
    int count, max, page;
  } cases[] = {{23, 3, 1}, {10, 0, 0}, {11, 1, 1}, {5, 0, 0}, {0, 0, 0}, {20, 2, 1}};
  for (const auto& c : cases) {
    const TScrollRange r = ComputeScrollRange(c.count, TPageGrid{5, 2});
    EXPECT_EQ(r.max, c.max) << c.count;
    EXPECT_EQ(r.page, c.page) << c.count;
  }
}

TEST(PanelLayout, PagingTwentyThreeEntries) {
  TPager p{23, 0, TPageGrid{5, 2}};
  EXPECT_EQ(p.PageDown(), 10);
  p.top = 10;  // 10 + 20 > 22: the last entry is made visible instead
  EXPECT_EQ(p.PageDown(), 15);
  p.top = 15;
  EXPECT_TRUE(p.OnLastPage());
  EXPECT_FALSE(p.PageDown());
  EXPECT_FALSE(p.LineDown());
  EXPECT_EQ(p.PageUp(), 5);
  EXPECT_EQ(p.LineUp(), 10);
  p.top = 0;
  EXPECT_FALSE(p.PageUp());
  EXPECT_FALSE(p.LineUp());
  EXPECT_EQ(p.LineDown(), 5);
  EXPECT_EQ(p.Bottom(), 15);
}

// A panel narrower or shorter than one cell: the commands neither move nor divide by zero.
TEST(PanelLayout, NoWholeCellPagesNowhere) {
  for (const TPageGrid g : {TPageGrid{5, 0}, TPageGrid{0, 2}, TPageGrid{0, 0}}) {
    for (const int top : {0, 5, 22}) {
      const TPager p{23, top, g};
      EXPECT_FALSE(p.LineDown()) << g.columns << "x" << g.rows << " top " << top;
      EXPECT_FALSE(p.LineUp()) << g.columns << "x" << g.rows << " top " << top;
      EXPECT_FALSE(p.PageDown()) << g.columns << "x" << g.rows << " top " << top;
      EXPECT_FALSE(p.PageUp()) << g.columns << "x" << g.rows << " top " << top;
      EXPECT_FALSE(p.Bottom()) << g.columns << "x" << g.rows << " top " << top;
    }
    for (const TMoveKey k : {TMoveKey::PageDown, TMoveKey::PageUp, TMoveKey::Down, TMoveKey::End})
      EXPECT_EQ(ComputeKeyMove(k, 3, 23, g).kind, TKeyMove::None) << int(k);
  }
}

TEST(PanelLayout, CaptionBoxCentredBelowTheCell) {
  const TCellMetrics m = ComputeCellMetrics(mainWindowCells());
  struct Case {
    int textWidth;
    TBox box;
  } cases[] = {
      {40, {208 + 30, 4 + 84 + 2, 44, 15}},
      {0, {208 + 50, 4 + 84 + 2, 4, 15}},
      {500, {208, 4 + 84 + 2, 104, 15}},  // never wider than the cell
  };
  for (const auto& c : cases) EXPECT_EQ(CaptionBox(m, TPoint2{208, 4}, c.textWidth, 15), c.box) << c.textWidth;
}

TEST(PanelLayout, MakeVisible) {
  const TPageGrid g{5, 2};
  struct Case {
    int top, index;
    std::optional<int> newTop;
  } cases[] = {
      {0, 22, 15},           // below: its row becomes the last row
      {0, 9, std::nullopt},  // on the page
      {15, 3, 0},            // above: its row becomes the first
      {15, 12, 10},
      {0, 23, std::nullopt},  // past the end
      {0, -1, std::nullopt},
      {1, 0, std::nullopt},  // rounds to the current top
  };
  for (const auto& c : cases) {
    const TPager p{23, c.top, g};
    EXPECT_EQ(p.MakeVisible(c.index), c.newTop) << c.top << " " << c.index;
  }
  EXPECT_FALSE((TPager{23, 0, TPageGrid{0, 0}}.MakeVisible(5)));
}

TEST(PanelLayout, KeyMoves) {
  const TPageGrid g{5, 2};
  using K = TMoveKey;
  struct Case {
    K key;
    int f, count;
    TKeyMove::Kind kind;
    int value;
  } cases[] = {
      {K::Right, 4, 23, TKeyMove::None, 0},  // end of a row
      {K::Right, 3, 23, TKeyMove::Select, 4},
      {K::Right, 21, 22, TKeyMove::None, 0},  // past the last entry
      {K::Left, 5, 23, TKeyMove::None, 0},    // start of a row
      {K::Left, 6, 23, TKeyMove::Select, 5},
      {K::Up, 3, 23, TKeyMove::None, 0},
      {K::Up, 8, 23, TKeyMove::Select, 3},
      {K::Down, 17, 23, TKeyMove::Select, 22},
      {K::Down, 18, 23, TKeyMove::None, 0},
      {K::Home, 12, 23, TKeyMove::Select, 0},
      {K::End, 2, 23, TKeyMove::Select, 22},
      {K::PageUp, 13, 23, TKeyMove::Select, 3},
      {K::PageUp, 7, 23, TKeyMove::Select, 2},  // f mod columns
      {K::PageDown, 3, 23, TKeyMove::Select, 13},
      {K::PageDown, 21, 23, TKeyMove::PageDownCommand, 0},  // already in the last row
      {K::PageDown, 14, 23, TKeyMove::Select, 19},  // same column, row count div columns is past it
      {K::PageDown, 12, 23, TKeyMove::Select, 22},
      {K::PageDown, 18, 22, TKeyMove::SetTop, 15},  // f + columns past the end
      {K::Right, 0, 0, TKeyMove::None, 0},          // empty list
  };
  for (const auto& c : cases) {
    const TKeyMove m = ComputeKeyMove(c.key, c.f, c.count, g);
    EXPECT_EQ(m.kind, c.kind) << int(c.key) << " f=" << c.f;
    if (m.kind != TKeyMove::None && m.kind != TKeyMove::PageDownCommand) {
      EXPECT_EQ(m.value, c.value) << int(c.key) << " f=" << c.f;
    }
  }
}

TEST(PanelLayout, HitTest) {
  TLayoutParams p = mainWindowCells();
  const TCellMetrics m = ComputeCellMetrics(p);
  const TPageGrid g{5, 2};
  struct Case {
    int x, y, top, count, index;
  } cases[] = {
      {0, 4, 0, 23, 0},     {103, 4, 0, 23, 0},   {104, 4, 0, 23, 1},  {10, 3, 0, 23, -1},  // above the spacing
      {10, 102, 0, 23, 0},  {10, 103, 0, 23, -1},  // the gap below the cell
      {10, 107, 0, 23, 5},  {520, 10, 0, 23, -1},  {10, 111, 15, 23, 20}, {310, 111, 15, 23, 22},
      {420, 111, 15, 23, -1},  // past the last entry
  };
  for (const auto& c : cases)
    EXPECT_EQ(HitTestCell(m, g, 0, 4, c.top, c.count, c.x, c.y), c.index) << c.x << "," << c.y << " top " << c.top;
}
