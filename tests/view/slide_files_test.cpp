// The worker that prepares its next picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/byte_names.h"
#include "view/slide_preparer.h"

namespace {


graphics::TBitmap Sized(int w) { return graphics::TBitmap(w, 1); }

TEST(SlidePreparer, HandsOverThePreparedPictureOnce) {
  std::atomic<int> loads{0};
  view::TSlidePreparer p([&](const QString& path, QSize, bool) {
    ++loads;
    if (path.endsWith("bad")) throw std::runtime_error("not a picture");
    return Sized(int(path.size()));
  });
  // Never asked for: the caller loads it itself.
  EXPECT_FALSE(p.Take("/a", {100, 100}, true));

  p.Prepare("/abc", {100, 100}, true);
  auto got = p.Take("/abc", {100, 100}, true);
  ASSERT_TRUE(got);
  ASSERT_TRUE(got->Bitmap);
  EXPECT_EQ(got->Bitmap->Width(), 4);
  EXPECT_FALSE(p.Take("/abc", {100, 100}, true));  // taken

  // Another screen size is another picture.
  p.Prepare("/abc", {100, 100}, true);
  EXPECT_FALSE(p.Take("/abc", {200, 100}, true));

  p.Prepare("/bad", {100, 100}, true);
  got = p.Take("/bad", {100, 100}, true);
  ASSERT_TRUE(got);
  EXPECT_FALSE(got->Bitmap);
  EXPECT_EQ(got->Error, QStringLiteral("not a picture"));
}

TEST(SlidePreparer, ANewRequestDropsTheOldPicture) {
  std::atomic<bool> release{false};
  view::TSlidePreparer p([&](const QString& path, QSize, bool) {
    while (path == "/slow" && !release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return Sized(int(path.size()));
  });
  p.Prepare("/slow", {10, 10}, false);
  p.Prepare("/next", {10, 10}, false);
  release = true;
  EXPECT_FALSE(p.Take("/slow", {10, 10}, false));
  auto got = p.Take("/next", {10, 10}, false);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->Bitmap->Width(), 5);
}

TEST(SlidePreparer, StopsWhileAPictureIsBeingMade) {
  view::TSlidePreparer p([](const QString&, QSize, bool) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return Sized(1);
  });
  p.Prepare("/x", {10, 10}, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
}  // the destructor joins

}  // namespace
