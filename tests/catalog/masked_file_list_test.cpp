#include "catalog/masked_file_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/support/byte_names.h"

namespace {

void Touch(const QString& path) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(MaskedFileList, PicturesOfTheFolderSortedWithoutLetterCase) {
  QTemporaryDir dir;
  const QString d = dir.path();
  for (const char* n : {"b.JPG", "a.png", "C.bmp", "notes.txt", "x.cur", ".hidden.jpg", "B.jpg"}) Touch(d + "/" + n);
  QDir(d).mkdir("folder.jpg");
  ASSERT_TRUE(WriteBytePath(BytePath(d, ByteNames()[0]), "x"));
  const QStringList got = catalog::MaskedFileList(d, "*.jpg;*.png;*.bmp;*.cur;*.ani");
  const QStringList want = {d + "/.hidden.jpg", d + "/a.png", d + "/B.jpg", d + "/b.JPG", d + "/C.bmp",
                            BytePath(d, ByteNames()[0]), d + "/x.cur"};
  EXPECT_EQ(got, want);
  EXPECT_TRUE(catalog::MaskedFileList(d + "/missing", "*.jpg").isEmpty());
}

}  // namespace
