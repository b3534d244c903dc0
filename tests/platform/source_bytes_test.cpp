#include "platform/source_bytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

using platform::SourceBytes;
using platform::SourceError;

// A file of `size` bytes (sparse past `head`) beginning with `head`.
QString makeFile(const QTemporaryDir& dir, const char* name, const QByteArray& head, int64_t size) {
  const QString path = dir.filePath(name);
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, head.constData(), size_t(head.size())), head.size());
  EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
  ::close(fd);
  return path;
}

TEST(SourceBytes, FilesAreReadOnlyPastTheirSignatureAndWithinTheCap) {
  QTemporaryDir dir;
  struct Case {
    const char* name;
    QByteArray head;
    int64_t size;
    SourceError error;
    size_t held;
  } cases[] = {
      {"picture", "BMxyz", 5000, SourceError::None, 5000},
      {"not the format", "PK\3\4", int64_t(4) << 30, SourceError::None, 2},
      {"shorter than its signature", "B", 1, SourceError::None, 1},
      {"empty", "", 0, SourceError::None, 0},
      {"the format, past the cap", "BM", platform::kMaxFileBytes + 1, SourceError::TooLarge, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = makeFile(dir, c.name, c.head, c.size);
    const SourceBytes b = SourceBytes::FromFile(path, "BM");
    EXPECT_EQ(b.Error(), c.error);
    EXPECT_EQ(b.Size(), c.held);
    if (c.held >= 2) {
      EXPECT_EQ(QByteArray(b.Data(), 2), c.head.left(2));
    }
    QFile::remove(path);
  }
}

TEST(SourceBytes, AFileThatIsNoRegularFileIsNotOpened) {
  const SourceBytes b = SourceBytes::FromFile("/dev/zero", "BM");
  EXPECT_EQ(b.Error(), SourceError::Open);
  EXPECT_EQ(b.OpenError(), platform::FileError::NotRegular);
}

}  // namespace
