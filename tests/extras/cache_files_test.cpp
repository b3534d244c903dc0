#include "extras/cache_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace extras;

namespace {
void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}
}  // namespace

// Links, "..", other folders and relative names never reach past the Cache folder.
TEST(CacheFiles, OnlyTheCacheFoldersOwnFilesAreListedAndDeleted) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString root = tmp.path(), cache = root + "/Cache";
  ASSERT_TRUE(QDir(root).mkpath("Cache/sub"));
  ASSERT_TRUE(QDir(root).mkpath("Cache/dir.dat"));
  Write(root + "/outside.dat", "keep");
  Write(cache + "/a.dat", "cache");
  Write(cache + "/sub/b.dat", "deeper");
  ASSERT_TRUE(QFile::link(root + "/outside.dat", cache + "/link.dat"));
  ASSERT_TRUE(QFile::link(cache, root + "/CacheLink"));
  struct Case {
    QString path;
    bool ours;
  } cases[] = {
      {cache + "/link.dat", false},          {cache + "/dir.dat", false},
      {cache + "/sub/b.dat", false},         {cache + "/../outside.dat", false},
      {root + "/outside.dat", false},        {"a.dat", false},
      {cache + "/..", false},                {cache + "/missing.dat", false},
      {cache + "/sub/../a.dat", true},       {root + "/CacheLink/a.dat", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsCacheFile(cache, c.path), c.ours) << c.path.toStdString();
  for (const Case& c : cases) {
    if (!c.ours) {
      EXPECT_FALSE(DeleteCacheFile(cache, c.path)) << c.path.toStdString();
    }
  }
  EXPECT_TRUE(QFile::exists(root + "/outside.dat"));
  EXPECT_TRUE(QFile::exists(cache + "/sub/b.dat"));
  EXPECT_TRUE(QFileInfo(cache + "/link.dat").isSymLink());
  EXPECT_TRUE(QFileInfo(cache + "/dir.dat").isDir());
  EXPECT_TRUE(DeleteCacheFile(cache, root + "/CacheLink/a.dat"));
  EXPECT_FALSE(QFile::exists(cache + "/a.dat"));
  EXPECT_FALSE(DeleteCacheFile(cache, cache + "/a.dat"));  // gone already
}
