#include "view/slide_show.h"

#include <gtest/gtest.h>

namespace {

using view::TSlideShow;

QStringList TenFiles() {
  QStringList files;
  for (int i = 1; i <= 10; ++i) files << QStringLiteral("/pics/f%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
  return files;
}

TEST(SlideShow, RunsFromTheEntryAfterTheSelectedOneToTheEnd) {
  TSlideShow s;
  s.Start(TenFiles(), 3, false, true, {});  // the 4th entry selected
  EXPECT_TRUE(s.TimerOn());
  EXPECT_EQ(s.Upcoming(), 4);
  EXPECT_EQ(s.ShowNext(), 4);
  EXPECT_EQ(s.FileNameLabel(), QStringLiteral("f05.jpg (5/10)"));
  for (int i = 5; i <= 9; ++i) EXPECT_EQ(s.ShowNext(), i);
  EXPECT_EQ(s.Upcoming(), -1);
  EXPECT_EQ(s.ShowNext(), -1);
  EXPECT_FALSE(s.TimerOn());
  EXPECT_TRUE(s.Over());
  EXPECT_EQ(s.FileNameLabel(), QStringLiteral("f10.jpg (10/10)"));
  EXPECT_EQ(s.MessageLabel(), QStringLiteral(" - Slide Show is over! "));
  EXPECT_EQ(TSlideShow::StartLabel("f04.jpg", 3, 10), QStringLiteral("f04.jpg (4/10)"));
}

TEST(SlideShow, LoopGoesBackToTheFirstFile) {
  TSlideShow s;
  s.Start(TenFiles(), 9, true, false, {});
  EXPECT_EQ(s.Upcoming(), 0);
  EXPECT_EQ(s.ShowNext(), -1);  // back before the first file
  EXPECT_EQ(s.Index(), -1);
  EXPECT_EQ(s.ShowNext(), 0);
  EXPECT_TRUE(s.TimerOn());
  EXPECT_EQ(s.FileNameLabel(), QString());  // names off
}

TEST(SlideShow, FromBeforeFirstAndPrevious) {
  TSlideShow s;
  s.Start(TenFiles(), 7, false, true, {});
  EXPECT_EQ(s.FromBefore(3), 4);  // index 7 − 4 + 1
  EXPECT_TRUE(s.TimerOn());
  EXPECT_EQ(s.FromBefore(1), 3);
  EXPECT_EQ(s.FromFirst(), 0);
  // At the first picture previous does nothing.
  EXPECT_EQ(s.Previous(), -1);
  EXPECT_EQ(s.Index(), 0);
  s.ShowNext();
  s.ShowNext();
  EXPECT_EQ(s.Previous(), 1);
  EXPECT_FALSE(s.TimerOn());
  // A step back past the start never leaves the list.
  EXPECT_EQ(s.FromBefore(5), 0);
}

TEST(SlideShow, NextToTheLastShowsTheEndMessage) {
  TSlideShow s;
  s.Start(TenFiles(), 7, false, true, {});
  EXPECT_EQ(s.Next(), 8);
  EXPECT_TRUE(s.MessageLabel().isEmpty());
  EXPECT_EQ(s.Next(), 9);
  EXPECT_EQ(s.MessageLabel(), QStringLiteral(" - Slide Show is over! "));
  EXPECT_FALSE(s.TimerOn());
  s.Resume();
  EXPECT_TRUE(s.TimerOn());
  EXPECT_TRUE(s.MessageLabel().isEmpty());
}

TEST(SlideShow, APressDisablesWhatCannotApply) {
  using I = view::TSlideItems;
  struct Case {
    int index;
    I items;
  } cases[] = {
      {0, {false, false, false, false, true, false}}, {1, {true, false, false, true, true, true}},
      {2, {true, false, false, true, true, true}},    {3, {true, true, false, true, true, true}},
      {4, {true, true, false, true, true, true}},     {5, {true, true, true, true, true, true}},
      {9, {true, true, true, true, false, true}},
  };
  for (const auto& c : cases) {
    TSlideShow s;
    s.Start(TenFiles(), c.index, false, true, {});
    s.MousePress(false);
    EXPECT_TRUE(s.TimerOn()) << c.index;  // only a right press pauses
    EXPECT_EQ(s.Items(), c.items) << c.index;
    s.MousePress(true);
    EXPECT_FALSE(s.TimerOn());
  }
}

TEST(SlideShow, CopyOfTheShownFile) {
  TSlideShow s;
  s.Start({"/pics/a.jpg"}, -1, false, true, "/keep/");
  EXPECT_TRUE(s.CopyTarget().isEmpty());  // nothing shown yet
  s.ShowNext();
  EXPECT_EQ(s.CopySource(), QStringLiteral("/pics/a.jpg"));
  EXPECT_EQ(s.CopyTarget(), QStringLiteral("/keep/_a.jpg"));
  TSlideShow none;
  none.Start({"/pics/a.jpg"}, -1, false, true, {});
  none.ShowNext();
  EXPECT_TRUE(none.CopySource().isEmpty());
}

TEST(SlideShow, AFailedPictureShowsItsNameAndWhyUntilOneShows) {
  TSlideShow s;
  s.Start(TenFiles(), -1, false, true, {});
  s.Shown(s.ShowNext(), "broken header");
  EXPECT_EQ(s.MessageLabel(), QStringLiteral("f01.jpg: broken header"));
  EXPECT_TRUE(s.TimerOn());  // the show goes on
  s.Shown(s.ShowNext(), {});
  EXPECT_TRUE(s.MessageLabel().isEmpty());
}

TEST(SlideShow, AStartPastTheListEndsAtOnce) {
  // The catalogue may count entries the list does not hold.
  TSlideShow s;
  s.Start({"/pics/a.jpg"}, 5, false, true, {});
  EXPECT_EQ(s.ShowNext(), -1);
  EXPECT_TRUE(s.Over());
  TSlideShow empty;
  empty.Start({}, 0, true, true, {});
  EXPECT_EQ(empty.Upcoming(), -1);
  EXPECT_EQ(empty.ShowNext(), -1);
}

}  // namespace
