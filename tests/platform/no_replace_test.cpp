#include "platform/no_replace.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"

using namespace platform;

TEST(RenameNoReplace, MovesOnlyOntoAFreeName) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ByteNameCleanup cleanup(dir.path());
  const QByteArray base = QFile::encodeName(dir.path()) + "/";
  ASSERT_TRUE(WriteBytePath(dir.path() + "/a", "A"));
  ASSERT_TRUE(WriteBytePath(dir.path() + "/b", "B"));
  struct Case {
    const char* from;
    const char* to;
    int err;
  } cases[] = {
      {"a", "b", EEXIST},     // never replaces
      {"a", "a", EEXIST},     // onto itself
      {"none", "c", ENOENT},  // no source
      {"a", "c", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RenameNoReplace(base + c.from, base + c.to), c.err) << c.from << " -> " << c.to;
  EXPECT_EQ(ReadRegularFile(dir.path() + "/b", 10).bytes, "B");
  EXPECT_EQ(ReadRegularFile(dir.path() + "/c", 10).bytes, "A");
  // Names that are not UTF-8 keep their bytes.
  const QByteArray odd = ByteNames().back();
  EXPECT_EQ(RenameNoReplace(base + "c", base + odd), 0);
  EXPECT_EQ(ReadRegularFile(BytePath(dir.path(), odd), 10).bytes, "A");
}
