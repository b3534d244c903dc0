#include "catalog/thumb_follow.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/fileop.h"
#include "tests/support/byte_names.h"

using namespace catalog;

namespace {
struct Folders {
  QTemporaryDir root;
  QString cache, a, b;
  TThumb like;
  Folders() {
    QDir(root.path()).mkpath("Cache");
    QDir(root.path()).mkpath("a");
    QDir(root.path()).mkpath("b");
    cache = root.path() + "/Cache";
    a = root.path() + "/a/";
    b = root.path() + "/b/";
    like.Path = cache;
    like.PathType = iptFree;
    like.SetAppName("QIVO2");
  }
  void Store(const QString& picture, const QString& cacheName, const QByteArray& jpeg) {
    TThumb t;
    t.Path = cache;
    t.SetAppName("QIVO2");
    t.FileName = cacheName;
    t.Header().Width = 40;
    t.Header().Height = 30;
    t.Header().SourceWidth = 400;
    t.Header().SourceHeight = 300;
    ASSERT_TRUE(t.Add(picture, jpeg));
  }
  QByteArray Stored(const QString& picture, const QString& cacheName) {
    TThumb t;
    t.Path = cache;
    t.FileName = cacheName;
    QByteArray jpeg;
    return t.Read(picture, jpeg) ? jpeg : QByteArray();
  }
};
}  // namespace

TEST(ThumbFollow, RenameMoveAndCopyCarryTheEntryToTheNewName) {
  Folders f;
  struct Case {
    const char* what;
    bool sameFolder;
    TFollow follow;
  } cases[] = {{"rename", true, TFollow::tfMove}, {"move", false, TFollow::tfMove}, {"copy", false, TFollow::tfCopy}};
  for (const Case& c : cases) {
    const QString from = f.a + c.what + ".jpg";
    const QString to = (c.sameFolder ? f.a : f.b) + c.what + "-new.jpg";
    const QString toCache = c.sameFolder ? "a" : "b";
    ASSERT_TRUE(WriteBytePath(from, QByteArray("picture of ") + c.what));
    f.Store(from, "a", QByteArray("thumb of ") + c.what);
    // A stale entry of the target name, left by a file that is gone, must not win.
    f.Store(to, toCache, "stale");
    TThumbCarrier carrier(f.like);
    const auto carried = carrier.Take({from}, "a");
    ASSERT_TRUE(carried[0].Valid) << c.what;
    EXPECT_EQ(carried[0].Header.SourceWidth, 400u);
    const int err = c.follow == TFollow::tfMove ? platform::MoveFileChecked(from, to) : platform::CopyFileChecked(from, to);
    ASSERT_EQ(err, 0) << c.what;
    EXPECT_EQ(carrier.Put(carried, {from}, "a", {to}, toCache, {true}, c.follow), 1) << c.what;
    EXPECT_EQ(f.Stored(to, toCache), QByteArray("thumb of ") + c.what) << c.what;
    EXPECT_EQ(f.Stored(from, "a").isEmpty(), c.follow == TFollow::tfMove) << c.what;
  }
}

TEST(ThumbFollow, AStaleEntryIsNotCarried) {
  Folders f;
  const QString from = f.a + "p.jpg", to = f.b + "p.jpg";
  ASSERT_TRUE(WriteBytePath(from, "one"));
  f.Store(from, "a", "thumb");
  ASSERT_TRUE(WriteBytePath(from, "changed since"));  // another size: the entry is stale
  TThumbCarrier carrier(f.like);
  const auto carried = carrier.Take({from}, "a");
  EXPECT_FALSE(carried[0].Valid);
  ASSERT_EQ(platform::CopyFileChecked(from, to), 0);
  EXPECT_EQ(carrier.Put(carried, {from}, "a", {to}, "b", {true}, TFollow::tfCopy), 0);
  EXPECT_TRUE(f.Stored(to, "b").isEmpty());
}

// A swap within one folder (a -> b while b -> a): each thumbnail ends under its file's new name.
TEST(ThumbFollow, SwappedNamesKeepTheirOwnThumbnails) {
  Folders f;
  const QString a = f.a + "a.jpg", b = f.a + "b.jpg", t = f.a + "t.jpg";
  ASSERT_TRUE(WriteBytePath(a, "A"));
  ASSERT_TRUE(WriteBytePath(b, "BB"));
  f.Store(a, "a", "thumb A");
  f.Store(b, "a", "thumb B");
  TThumbCarrier carrier(f.like);
  const auto carried = carrier.Take({a, b}, "a");
  ASSERT_EQ(platform::MoveFileChecked(a, t), 0);
  ASSERT_EQ(platform::MoveFileChecked(b, a), 0);
  ASSERT_EQ(platform::MoveFileChecked(t, b), 0);
  EXPECT_EQ(carrier.Put(carried, {a, b}, "a", {b, a}, "a", {true, true}, TFollow::tfMove), 2);
  EXPECT_EQ(f.Stored(b, "a"), "thumb A");
  EXPECT_EQ(f.Stored(a, "a"), "thumb B");
}
