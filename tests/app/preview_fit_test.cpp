#include "app/preview_fit.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewFit, QuickReductionByWidth) {
  struct Case {
    int picture, pane, expected;
  } cases[] = {{1600, 505, 2}, {4040, 505, 8}, {2020, 505, 4}, {1009, 505, 1},
               {100, 505, 1},  {9999, 0, 1},   {9999, -3, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(app::QuickReduction(c.picture, c.pane), c.expected) << c.picture << " in " << c.pane;
}

TEST(PreviewFit, FitsByWidthThenHeightRoundingHalvesToEven) {
  struct Case {
    QSize picture, pane, expected;
  } cases[] = {
      {{800, 600}, {505, 140}, {187, 140}},  // 1600 × 1200 after the 1/2 reduction
      {{100, 50}, {505, 140}, {100, 50}},    // smaller: own size
      {{505, 140}, {505, 140}, {505, 140}},
      {{200, 101}, {100, 100}, {100, 50}},   // 50.5 rounds to 50
      {{200, 103}, {100, 100}, {100, 52}},   // 51.5 rounds to 52
      {{10, 400}, {100, 100}, {2, 100}},     // 2.5 rounds to 2
      {{30, 400}, {100, 100}, {8, 100}},     // 7.5 rounds to 8
      {{10000, 1}, {100, 100}, {100, 1}},    // never below one pixel
      {{50, 50}, {0, 0}, {1, 1}},            // a collapsed pane
      {{0, 10}, {100, 100}, {0, 0}},
  };
  for (const auto& c : cases) {
    const QSize got = app::FitToPane(c.picture, c.pane);
    EXPECT_EQ(got, c.expected) << c.picture.width() << "x" << c.picture.height() << " -> " << got.width() << "x"
                               << got.height();
  }
}

TEST(PreviewFit, CentresHalvingTowardZero) {
  EXPECT_EQ(app::CentreInPane({187, 140}, {505, 140}), QPoint(159, 0));
  EXPECT_EQ(app::CentreInPane({100, 51}, {505, 140}), QPoint(202, 44));
  EXPECT_EQ(app::CentreInPane({600, 200}, {505, 140}), QPoint(-47, -30));
}

}  // namespace
