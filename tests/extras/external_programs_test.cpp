#include "extras/external_programs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "tests/support/byte_names.h"

using namespace extras;

TEST(OtherSoftItems, CaptionsAndTheUnregisteredItem) {
  struct Case {
    std::array<QString, 3> paths;
    std::array<TOtherSoftItem, 3> want;
  } cases[] = {
      {{"", "", ""}, {{{true, false, "未登録"}, {}, {}}}},
      {{"", "/usr/bin/viewer.exe", ""}, {{{}, {true, true, "viewer.exe"}, {}}}},
      {{"/opt/a", "", "/opt/c d"}, {{{true, true, "a"}, {}, {true, true, "c d"}}}},
  };
  for (const Case& c : cases) {
    const auto got = OtherSoftItems(c.paths);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(got[i].visible, c.want[i].visible) << i;
      EXPECT_EQ(got[i].enabled, c.want[i].enabled) << i;
      EXPECT_EQ(got[i].caption, c.want[i].caption) << i;
    }
  }
}

TEST(StartOtherSoft, MissingProgramAndUnpassableNamesStartNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QStringList started;
  const TProgramStarter fake = [&](const QString& program, const QStringList& args) {
    started << program + "|" + args.join("|");
  };
  EXPECT_EQ(StartOtherSoft(dir.path() + "/deleted-viewer", "/p/a.jpg", fake), TStartResult::Missing);
  EXPECT_EQ(StartOtherSoft("", "/p/a.jpg", fake), TStartResult::Missing);
  EXPECT_EQ(StartOtherSoft(dir.path(), "/p/a.jpg", fake), TStartResult::Missing);  // a folder
  EXPECT_EQ(StartOtherSoft(dir.path() + "/", "/p/a.jpg", fake), TStartResult::Missing);
  EXPECT_EQ(StartOtherSoft("/bin/sh", BytePath(dir.path(), ByteNames().back()), fake), TStartResult::NotPassable);
  EXPECT_TRUE(started.isEmpty());
  EXPECT_EQ(StartOtherSoft("/bin/sh", "/p/a b  c.jpg", fake), TStartResult::Started);
  EXPECT_EQ(started, QStringList{"/bin/sh|/p/a b  c.jpg"});
}

// The real start: a script records its arguments, one per line.
TEST(StartOtherSoft, APathWithBlanksReachesTheProgramAsOneArgument) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString script = dir.path() + "/record.sh", out = dir.path() + "/args.txt";
  {
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out + ".part'; mv '" + out + ".part' '" + out + "'\n").toUtf8());
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  const QString picture = dir.path() + "/my photos/a  b.jpg";
  ASSERT_EQ(StartOtherSoft(script, picture, DetachedStarter()), TStartResult::Started);
  QFile got(out);
  for (int i = 0; i < 100 && !got.exists(); ++i) QThread::msleep(50);
  ASSERT_TRUE(got.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(got.readAll()), picture + "\n");
}
