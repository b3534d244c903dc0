#include "app/color_value.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorValueTest, PlainColoursAreBlueGreenRed) {
  const struct {
    int value;
    QColor color;
  } cases[] = {{0x000000FF, QColor(255, 0, 0)}, {0x00FF0000, QColor(0, 0, 255)}, {0x00030201, QColor(1, 2, 3)},
               {0x00FFFFFF, QColor(255, 255, 255)}};
  for (const auto& c : cases) {
    EXPECT_EQ(app::ColorFromValue(c.value), c.color) << c.value;
    EXPECT_EQ(app::ColorToValue(c.color), c.value);
  }
}

TEST(ColorValueTest, SystemAndNoColour) {
  EXPECT_FALSE(app::ColorFromValue(-1).isValid());
  EXPECT_FALSE(app::IsSystemColorValue(-1));
  EXPECT_TRUE(app::IsSystemColorValue(int(0x8000000Fu)));
  EXPECT_FALSE(app::IsSystemColorValue(0x00FFFFFF));
  // Without a GUI application the button face is the classic light grey.
  EXPECT_EQ(app::ColorFromValue(int(0x8000000Fu)), QColor(0xF0, 0xF0, 0xF0));
  // An unknown system index falls back to the button face; high bytes of a plain value are ignored.
  EXPECT_EQ(app::ColorFromValue(int(0x800000FEu)), QColor(0xF0, 0xF0, 0xF0));
  EXPECT_EQ(app::ColorFromValue(0x01030201), QColor(1, 2, 3));
}

}  // namespace
