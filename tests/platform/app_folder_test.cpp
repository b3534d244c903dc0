#include "platform/app_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using platform::installedPrefix;

TEST(AppFolder, InstalledPrefixOnlyForBinBesideShareQivo2) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString root = dir.path();
  QDir(root).mkpath("usr/bin");
  QDir(root).mkpath("usr/share/qivo2");
  QDir(root).mkpath("build/bin");
  QDir(root).mkpath("opt/bin");
  QDir(root).mkpath("opt/share/other");
  EXPECT_EQ(installedPrefix(root + "/usr/bin"), root + "/usr");
  EXPECT_EQ(installedPrefix(root + "/usr/bin/"), root + "/usr");
  EXPECT_EQ(installedPrefix(root + "/build/bin"), QString());  // a build tree
  EXPECT_EQ(installedPrefix(root + "/opt/bin"), QString());
  EXPECT_EQ(installedPrefix(root + "/usr/share/qivo2"), QString());
}

TEST(AppFolder, ABuildTreeIsItsOwnProgramFolder) {
  qunsetenv("QIVO2_HOME");
  const QString exe = QFileInfo(platform::executablePath()).absolutePath();
  ASSERT_TRUE(installedPrefix(exe).isEmpty());
  EXPECT_EQ(platform::programFolder(), exe);
  EXPECT_EQ(platform::helpFilePath(), exe + "/" + platform::executableBaseName() + ".html");
  EXPECT_EQ(platform::pluginFolders().value(0), exe);
}
