#include "view/widgets/my_cursor.h"

#include <QBitmap>
#include <QImage>

namespace view {

namespace {
// 16 × 16, hot spot in the palm: '#' outline, '.' fill, ' ' transparent.
constexpr const char* kHand[16] = {
    "                ", "                ", "                ", "    ## ## ##    ",
    "   #..#..#..##  ", "   #........#.# ", "  ##.........## ", " #.#..........# ",
    " #............# ", "  #...........# ", "  #..........#  ", "   #.........#  ",
    "    #.......#   ", "    #.......#   ", "                ", "                ",
};
}  // namespace

QCursor MyCursor() {
  QImage shape(16, 16, QImage::Format_MonoLSB), mask(16, 16, QImage::Format_MonoLSB);
  shape.fill(0);
  mask.fill(0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const char c = kHand[y][x];
      if (c == ' ') continue;
      mask.setPixel(x, y, 1);
      shape.setPixel(x, y, c == '#' ? 1 : 0);  // outline black, palm white
    }
  return QCursor(QBitmap::fromImage(shape), QBitmap::fromImage(mask), 8, 8);
}

}  // namespace view
