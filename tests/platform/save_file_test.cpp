#include "platform/save_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"

using namespace platform;

TEST(SaveFile, CommitPutsTheFileUnderItsOwnBytes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ByteNameCleanup cleanup(dir.path());
  for (const QByteArray& name : ByteNames()) {
    const QString target = BytePath(dir.path(), name);
    TSaveFile f(target);
    ASSERT_TRUE(f.Open());
    f.Device().write(name);
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(ReadRegularFile(target, 100).bytes, name);
  }
  // Nothing but the three targets is left behind.
  EXPECT_EQ(CountBytePaths(dir.path()), int(ByteNames().size()));
}

TEST(SaveFile, UncommittedWriteLeavesTheOldFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ByteNameCleanup cleanup(dir.path());
  const QString target = BytePath(dir.path(), ByteNames()[0]);
  ASSERT_TRUE(WriteBytePath(target, "old"));
  {
    TSaveFile f(target);
    ASSERT_TRUE(f.Open());
    f.Device().write("new, never committed");
  }
  EXPECT_EQ(ReadRegularFile(target, 100).bytes, "old");
  EXPECT_EQ(CountBytePaths(dir.path()), 1);
  EXPECT_FALSE(TSaveFile(dir.path() + "/no/such/folder/x.bmp").Open());
}

TEST(SaveFile, NeverReplaceKeepsATargetThatAppeared) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString target = dir.path() + "/a.png";
  TSaveFile f(target, TReplace::Never);
  ASSERT_TRUE(f.Open());
  f.Device().write("new");
  ASSERT_TRUE(WriteBytePath(target, "theirs"));  // another program was quicker
  EXPECT_FALSE(f.Commit());
  EXPECT_EQ(f.Error(), EEXIST);
  EXPECT_EQ(ReadRegularFile(target, 100).bytes, "theirs");
}
