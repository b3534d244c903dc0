#include "app/folder_change.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(FolderChange, CacheNamesAndCurrentFolder) {
  struct Case {
    const char* folder;
    const char* cacheName;
    const char* tempFile;
    const char* current;
    bool root;
  } cases[] = {
      {"/home/u/Photos", "Photos", "/p/Temp/Photos.dat", "/home/u/Photos", false},
      {"/mnt/d/Photos", "Photos", "/p/Temp/Photos.dat", "/mnt/d/Photos", false},
      {"/home/u/Photos/", "Photos", "/p/Temp/Photos.dat", "/home/u/Photos", false},
      {"/", "", nullptr, "", true},
      {"/tmp", "tmp", "/p/Temp/tmp.dat", "/tmp", false},
      // A name with an extension keeps it, as the cache file itself does.
      {"/home/u/my.photos", "my.photos", "/p/Temp/my.photos", "/home/u/my.photos", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::CacheFileName(c.folder), c.cacheName) << c.folder;
    if (c.tempFile) {
      EXPECT_EQ(app::TempCacheFileFor("/p", c.folder), c.tempFile) << c.folder;
    }
    EXPECT_EQ(app::CurrentFolderFor(c.folder), c.current) << c.folder;
    EXPECT_EQ(app::IsDriveRoot(c.folder), c.root) << c.folder;
  }
  // The root folder has no last name: its file is named after the program.
  const QString rootFile = app::TempCacheFileFor("/p", "/");
  EXPECT_TRUE(rootFile.startsWith("/p/Temp/") && rootFile.endsWith(".dat") && rootFile != "/p/Temp/.dat")
      << rootFile.toStdString();
  EXPECT_EQ(app::CachePath("/p", true), "/p/Cache");
  EXPECT_EQ(app::CachePath("/p", false), "/p/Temp");
}

TEST(FolderChange, MaskAndSort) {
  EXPECT_EQ(app::ExtensionMask("*.BMP;*.jpg;*.PNG"), "*.bmp;*.jpg;*.png;*.cur;*.ani");
  EXPECT_EQ(app::ExtensionMask(""), "*.cur;*.ani");
  struct Case {
    int stored, index;
  } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {7, 0}, {-1, 0}, {4, 0}};
  for (const auto& c : cases) EXPECT_EQ(app::SortIndexFromSetting(c.stored), c.index) << c.stored;
}

TEST(FolderChange, LongNamesReplaceEachComponent) {
  // A lookup that knows the on-disk spelling of short names.
  auto lookup = [](const QString& folder, const QString& name) -> QString {
    if (folder == "/" && name == "PHOTOS~1") return "Photos 2024";
    if (folder == "/Photos 2024/" && name == "IMG~1.JPG") return "img one.jpg";
    return {};
  };
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"/PHOTOS~1/IMG~1.JPG", "/Photos 2024/img one.jpg"},
      {"/PHOTOS~1/unknown", "/Photos 2024/unknown"},
      {"/PHOTOS~1/", "/PHOTOS~1/"},
      {"/", "/"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(app::LongPathName(c.in, lookup), c.out) << c.in;
}

TEST(FolderChange, StartFolderFromArgument) {
  QTemporaryDir tmp;
  const QString root = QDir(tmp.path()).canonicalPath();
  ASSERT_TRUE(QDir(root).mkpath("pics/sub"));
  QFile f(root + "/pics/a.jpg");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  struct Case {
    QString argument, cwd, expected;
  } cases[] = {
      {root + "/pics/a.jpg", "/", root + "/pics"},
      {root + "/pics", "/", root + "/pics"},
      {root + "/pics/", "/", root + "/pics"},
      {"pics/sub/../a.jpg", root, root + "/pics"},
      {root + "/pics/missing.png", "/", root + "/pics"},
      {"", root, ""},
      {"\\\\server\\share\\x.jpg", root, ""},
      {"//server/share", root, ""},
      {"/x", "/", "/"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(app::StartFolderFromArgument(c.argument, c.cwd), c.expected) << c.argument.toStdString();
}

}  // namespace
