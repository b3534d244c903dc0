#include "view/preview_geometry.h"

#include <gtest/gtest.h>

namespace {

using view::TQuarterTurns;

TEST(PreviewGeometry, ZoomStepsCaptionsAndSizes) {
  const char* items[] = {"25%", "50%", "75%", "100%", "150%", "200%", "300%"};
  const char* suffixes[] = {"×0.25", "×0.5", "×0.75", "×1", "×1.5", "×2", "×3"};
  for (int i = 0; i < view::kZoomSteps; ++i) {
    EXPECT_EQ(view::ZoomItemCaption(i), QString::fromUtf8(items[i]));
    EXPECT_EQ(view::ZoomCaptionSuffix(i), QString::fromUtf8(suffixes[i]));
  }
  EXPECT_EQ(view::ZoomFactor(view::kZoom100), 1.0);
  EXPECT_EQ(view::PreviewCaption("photo.jpg", 640, 480) + view::ZoomCaptionSuffix(4),
            QString::fromUtf8("photo.jpg (640×480)×1.5"));
  // 200 % of a picture fitted to 600 × 450 starts from the fitted size.
  EXPECT_EQ(view::ZoomedSize({600, 450}, 2.0), QSize(1200, 900));
  EXPECT_EQ(view::ZoomedSize({333, 333}, 0.25), QSize(83, 83));
  EXPECT_EQ(view::ZoomedSize({3, 2}, 0.25), QSize(1, 1));
}

TEST(PreviewGeometry, ClientAndFittedSizes) {
  const QRect work(0, 0, 1024, 738);  // a 30-pixel panel below
  const int caption = 20;             // title allowance 26
  struct Case {
    QSize picture, client, fitted;
  } cases[] = {
      {{640, 480}, {640, 480}, {640, 480}},
      // Wider than the work area: as wide as it; fitted to its width.
      {{3000, 2000}, {1024, 712}, {1024, 651}},  // trunc(1024 / 1.5) − 20 − 11
      // Taller: the height less the title allowance.
      {{600, 900}, {600, 712}, {474, 712}},  // trunc(712 × 0.667)
      {{1000, 1000}, {1000, 712}, {712, 712}},
      {{1024, 738}, {1024, 712}, {1024, 738}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(view::PreviewClientSize(c.picture, work, caption + 6), c.client) << c.picture.width();
    EXPECT_EQ(view::PreviewFittedSize(c.picture, work, caption), c.fitted) << c.picture.width();
  }
}

TEST(PreviewGeometry, TurnCounters) {
  struct Case {
    int left, right;
    TQuarterTurns turn;
  } cases[] = {
      {0, 0, TQuarterTurns::None},  {1, 0, TQuarterTurns::Left},  {2, 0, TQuarterTurns::Half},
      {3, 0, TQuarterTurns::Right}, {0, 1, TQuarterTurns::Right}, {0, 2, TQuarterTurns::Half},
      {0, 3, TQuarterTurns::Left},  {1, 1, TQuarterTurns::None},  {3, 3, TQuarterTurns::None},
      {2, 1, TQuarterTurns::Left},  {1, 3, TQuarterTurns::Half},
  };
  for (const auto& c : cases) EXPECT_EQ(view::TurnOfCounters(c.left, c.right), c.turn) << c.left << "," << c.right;
  // Four left turns come back to no turn.
  int left = 0;
  for (int i = 0; i < 4; ++i) left = view::NextTurnCount(left);
  EXPECT_EQ(left, 0);
}

TEST(PreviewGeometry, CentreOffsets) {
  EXPECT_EQ(view::CenterOffset(800, 600), 100);
  EXPECT_EQ(view::CenterOffset(801, 600), 100);
  EXPECT_EQ(view::CenterOffset(600, 800), 0);
  EXPECT_EQ(view::CenterOffset(600, 600), 0);
}

TEST(PreviewGeometry, DevicePixelsAndLogicalExtent) {
  struct {
    QSize pixels;
    double ratio;
    QSize logical;
  } cases[] = {
      {{640, 480}, 1.0, {640, 480}},
      {{640, 480}, 2.0, {320, 240}},
      {{641, 1}, 2.0, {321, 1}},      // an odd last column still gets its logical pixel
      {{300, 150}, 1.5, {200, 100}},  // exact at a fractional ratio, not one more
      {{5, 5}, 1.25, {4, 4}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(view::LogicalExtent(c.pixels, c.ratio), c.logical) << c.ratio;
    EXPECT_GE(view::DevicePixels(c.logical, c.ratio).width(), c.pixels.width()) << c.ratio;
  }
  EXPECT_EQ(view::DevicePixels({600, 419}, 2.0), QSize(1200, 838));
  EXPECT_EQ(view::DevicePixels({1280, 800}, 1.5), QSize(1920, 1200));
}

}  // namespace
