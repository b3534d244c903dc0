#include "catalog/panel_layout.h"

#include <algorithm>

namespace catalog {

TCellMetrics ComputeCellMetrics(const TLayoutParams& p) {
  TCellMetrics m;
  m.F = std::max(p.frameVisible ? p.frameWidth : 0, p.selectFrameVisible ? p.selectFrameWidth : 0);
  const int border = p.borderSingle ? 2 : 0;
  m.M = m.F + border + (p.bevelOuter ? 1 : 0) + (p.bevelInner ? 1 : 0);
  const int inset = m.F + border + (p.bevelOuter ? p.bevelWidth : 0) + (p.bevelInner ? p.bevelWidth : 0);
  m.Px = inset + p.blankLeft;
  m.Py = inset + p.blankTop;
  m.OW = 2 * m.M + p.imageWidth + p.blankLeft + p.blankRight;
  m.OH = 2 * m.M + p.imageHeight + p.blankTop + p.blankBottom;
  m.CH = p.showCaptions ? p.textHeight + p.externalLeading + 2 : 0;
  m.CW = m.OW + p.spacingX;
  m.CHt = m.OH + p.spacingY + m.CH;
  return m;
}

TPageGrid ComputeGrid(const TCellMetrics& m, int clientWidth, int clientHeight) {
  TPageGrid g;
  if (m.CW > 0 && clientWidth > 0) g.columns = clientWidth / m.CW;
  if (m.CHt > 0 && clientHeight > 0) g.rows = clientHeight / m.CHt;
  return g;
}

TPoint2 CellOrigin(const TCellMetrics& m, const TPageGrid& g, int k, int spacingX, int spacingY) {
  if (g.columns <= 0) return {spacingX, spacingY};
  return {m.CW * (k % g.columns) + spacingX, m.CHt * (k / g.columns) + spacingY};
}

TBox CaptionBox(const TCellMetrics& m, TPoint2 origin, int textWidth, int textHeight) {
  constexpr int margins = 2 + 2, gap = 2;
  const int w = std::clamp(textWidth + margins, 0, std::max(m.OW, 0));
  return {origin.x + (m.OW - w) / 2, origin.y + m.OH + gap, w, textHeight};
}

TScrollRange ComputeScrollRange(int count, const TPageGrid& g) {
  const int per = g.perPage();
  if (g.columns <= 0 || count <= g.columns || count <= per) return {};
  return {(count - per + g.columns - 1) / g.columns, 1};
}

bool TPager::OnLastPage() const { return count < grid.perPage() || top + grid.perPage() > count - 1; }

bool TPager::NoPage() const { return grid.columns <= 0 || grid.rows <= 0; }

std::optional<int> TPager::LineUp() const {
  if (NoPage() || top <= 0 || count < grid.perPage()) return std::nullopt;
  return std::max(top - grid.columns, 0);
}

std::optional<int> TPager::LineDown() const {
  if (NoPage() || OnLastPage()) return std::nullopt;
  return top + grid.columns;
}

std::optional<int> TPager::PageUp() const {
  if (NoPage() || top <= 0 || count < grid.perPage()) return std::nullopt;
  return std::max(top - grid.perPage(), 0);
}

std::optional<int> TPager::PageDown() const {
  if (NoPage() || OnLastPage()) return std::nullopt;
  if (count - 1 >= top + 2 * grid.perPage()) return top + grid.perPage();
  return MakeVisible(count - 1);
}

std::optional<int> TPager::MakeVisible(int index) const {
  const int cols = grid.columns;
  if (NoPage() || index < 0 || index >= count) return std::nullopt;
  if (index >= top && index < top + grid.perPage()) return std::nullopt;
  const int r = index - index % cols;
  const int newTop = index < top ? r : std::max(r - (grid.rows - 1) * cols, 0);
  if (newTop / cols == top / cols) return std::nullopt;
  return newTop;
}

TKeyMove ComputeKeyMove(TMoveKey key, int f, int count, const TPageGrid& g) {
  const int cols = g.columns, per = g.perPage();
  if (count <= 0 || per <= 0) return {};
  if (f < 0) f = 0;
  auto select = [](int i) { return TKeyMove{TKeyMove::Select, i}; };
  switch (key) {
    case TMoveKey::PageUp: {
      const int n = f - per;
      return select(n < 0 ? f % cols : n);
    }
    case TMoveKey::PageDown: {
      const int n = f + per;
      if (n <= count - 1) return select(n);
      const int lastRow = count / cols;
      if (f / cols == lastRow) return {TKeyMove::PageDownCommand, 0};
      if (f + cols > count - 1) return {TKeyMove::SetTop, (f / cols) * cols};
      int i = lastRow * cols + f % cols;
      if (i > count - 1) i -= cols;
      return select(i);
    }
    case TMoveKey::End:
      return select(count - 1);
    case TMoveKey::Home:
      return select(0);
    case TMoveKey::Left:
      return f % cols != 0 ? select(f - 1) : TKeyMove{};
    case TMoveKey::Up:
      return f >= cols ? select(f - cols) : TKeyMove{};
    case TMoveKey::Right:
      return ((f + 1) % cols != 0 && f + 1 <= count - 1) ? select(f + 1) : TKeyMove{};
    case TMoveKey::Down:
      return f <= count - cols - 1 ? select(std::min(count - 1, f + cols)) : TKeyMove{};
  }
  return {};
}

int HitTestCell(const TCellMetrics& m, const TPageGrid& g, int spacingX, int spacingY, int top, int count, int x,
                int y) {
  if (g.columns <= 0 || g.rows <= 0 || x < spacingX || y < spacingY) return -1;
  int col = -1, row = -1;
  for (int c = 0; c < g.columns; ++c) {
    const int left = m.CW * c + spacingX;
    if (x >= left && x < left + m.OW) {
      col = c;
      break;
    }
  }
  for (int r = 0; r < g.rows; ++r) {
    const int t = m.CHt * r + spacingY;
    if (y >= t && y < t + m.CHt - spacingY) {
      row = r;
      break;
    }
  }
  if (col < 0 || row < 0) return -1;
  const int index = row * g.columns + col + std::max(top, 0);
  return index < count ? index : -1;
}

}  // namespace catalog
