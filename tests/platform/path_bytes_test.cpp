#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>

#include "tests/support/byte_names.h"
#include "platform/path_bytes.h"
#include "platform/regular_file.h"

using namespace platform;

TEST(PathBytes, EveryByteSequenceRoundTrips) {
  const QByteArray cases[] = {
      "plain.jpg",
      "caf\xc3\xa9.jpg",           // valid UTF-8
      "caf\xe9.jpg",               // Latin-1
      "\xff\xfe.jpg",              // never valid
      "\xed\xa0\x80.jpg",          // an encoded surrogate
      "\xc0\xaf.jpg",              // overlong "/"
      "\xf4\x90\x80\x80",          // beyond U+10FFFF
      "\xe3\x81",                  // cut sequence at the end
      "\xf0\x9f\x93\xb7 photo",    // outside the BMP
      "\xed\xb2\x80",              // the UTF-8 of an escape itself
  };
  std::set<QString> seen;
  for (const QByteArray& bytes : cases) {
    const QString path = PathFromBytes(bytes);
    EXPECT_EQ(PathBytes(path), bytes) << bytes.toHex().constData();
    EXPECT_TRUE(seen.insert(path).second) << "two names became one: " << bytes.toHex().constData();
  }
  for (int b = 0; b < 256; ++b) {
    const QByteArray one(1, char(b));
    EXPECT_EQ(PathBytes(PathFromBytes(one)), one) << b;
  }
}

TEST(PathBytes, ValidUtf8IsPlainText) {
  EXPECT_EQ(PathFromBytes(QByteArray("caf\xc3\xa9")), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(PathBytes(QString::fromUtf8("\xe5\x86\x99\xe7\x9c\x9f.jpg")), QByteArray("\xe5\x86\x99\xe7\x9c\x9f.jpg"));
}

TEST(PathBytes, DisplayShowsReplacementCharacters) {
  EXPECT_EQ(DisplayName(PathFromBytes(QByteArray("caf\xe9.jpg"))), QString::fromUtf8("caf\xef\xbf\xbd.jpg"));
  EXPECT_EQ(DisplayName(PathFromBytes(QByteArray("\xff\xfe.jpg"))), QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd.jpg"));
  EXPECT_EQ(DisplayName(QStringLiteral("plain")), QStringLiteral("plain"));
}

TEST(PathBytes, ByteNamesOpenAndStat) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const ByteNameCleanup cleanup(dir.path());
  for (const QByteArray& name : ByteNames()) {
    const QString path = BytePath(dir.path(), name);
    ASSERT_TRUE(WriteBytePath(path, name));
    EXPECT_EQ(KindOfPath(path), PathKind::File) << name.toHex().constData();
    const FileBytes read = ReadRegularFile(path, 100);
    ASSERT_TRUE(read) << name.toHex().constData();
    EXPECT_EQ(read.bytes, name);
  }
  EXPECT_EQ(KindOfPath(dir.path()), PathKind::Folder);
  EXPECT_EQ(KindOfPath(dir.path() + "/missing"), PathKind::Missing);
}

TEST(PathBytes, FileUrlsCarryTheNamesOwnBytes) {
  struct Case {
    QByteArray bytes;
    const char* url;
    bool text;
  } cases[] = {
      {"/pics/a b.jpg", "file:///pics/a%20b.jpg", true},
      {"/pics/caf\xc3\xa9.jpg", "file:///pics/caf%C3%A9.jpg", true},
      {"/pics/caf\xe9.jpg", "file:///pics/caf%E9.jpg", false},
      {"/pics/50%#?.jpg", "file:///pics/50%25%23%3F.jpg", true},
  };
  for (const auto& c : cases) {
    const QString path = platform::PathFromBytes(c.bytes);
    EXPECT_EQ(platform::FileUrl(path).toEncoded(), QByteArray(c.url)) << c.url;
    EXPECT_EQ(platform::IsTextPath(path), c.text) << c.url;
  }
}
