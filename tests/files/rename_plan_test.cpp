#include "files/rename_plan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/regular_file.h"
#include "tests/support/byte_names.h"

using namespace files;

namespace {

// Name -> content of every file in the folder.
QMap<QString, QByteArray> Contents(const QString& folder) {
  QMap<QString, QByteArray> out;
  for (const QString& n : QDir(folder).entryList(QDir::Files | QDir::Hidden))
    out[n] = platform::ReadRegularFile(folder + "/" + n, 1 << 20).bytes;
  return out;
}

TRenameRule Rule(TRenameForm form, const QString& text, int start, int digits, TExtRule ext, const QString& given = {}) {
  TRenameRule r;
  r.Form = form;
  r.PrevName = r.LastName = text;
  r.Start = start;
  r.Digits = digits;
  r.Ext = ext;
  r.GivenExt = given;
  return r;
}

}  // namespace

TEST(RenamePlan, NamesNumbersAndExtensions) {
  struct Case {
    TRenameRule rule;
    int i;
    const char* ext;
    const char* name;
  } cases[] = {
      {Rule(TRenameForm::rfNameNumber, "img", 1, 3, TExtRule::erKeep), 0, ".jpg", "img001.jpg"},
      {Rule(TRenameForm::rfNameNumber, "img", 1, 3, TExtRule::erKeep), 1, ".png", "img002.png"},
      {Rule(TRenameForm::rfNumber, "", 98, 2, TExtRule::erKeep), 2, ".jpg", "100.jpg"},  // longer: written in full
      {Rule(TRenameForm::rfNumberName, "-x", 0, 1, TExtRule::erUpper), 0, ".jpeg", "0-x.JPEG"},
      {Rule(TRenameForm::rfNumber, "", 5, 10, TExtRule::erLower), 0, ".JPG", "0000000005.jpg"},
      {Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erGiven, "JPG"), 0, ".png", "001.JPG"},
      {Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erGiven, ".jpg"), 0, ".png", "001.jpg"},
      {Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep), 0, "", "001"},
  };
  for (const Case& c : cases) EXPECT_EQ(NewFileName(c.rule, c.i, c.ext), c.name);
  EXPECT_EQ(TempFileName(Rule(TRenameForm::rfNameNumber, "img", 7, 3, TExtRule::erUpper), 0, ".jpg"), "_007.jpg");
  EXPECT_EQ(ExtensionOf("/x.y/a.tar.JPG"), ".JPG");
  EXPECT_EQ(ExtensionOf("/x.y/noext"), "");
}

TEST(RenamePlan, RulesThatCannotRun) {
  struct Case {
    TRenameRule rule;
    TRuleError error;
  } cases[] = {
      {Rule(TRenameForm::rfNameNumber, "", 1, 3, TExtRule::erKeep), TRuleError::reNoName},
      {Rule(TRenameForm::rfNumberName, "", 1, 3, TExtRule::erKeep), TRuleError::reNoName},
      {Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erGiven), TRuleError::reNoExt},
      {Rule(TRenameForm::rfNameNumber, "../up", 1, 3, TExtRule::erKeep), TRuleError::reBadName},
      {Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erGiven, "a/b"), TRuleError::reBadName},
      {Rule(TRenameForm::rfNumber, "un/used", 1, 3, TExtRule::erKeep), TRuleError::reNone},  // text of another form
  };
  for (const Case& c : cases) EXPECT_EQ(CheckRule(c.rule), c.error);
}

TEST(RenamePlan, ListTakesPatternsInMaskOrderEachFileOnce) {
  QTemporaryDir dir;
  for (const char* n : {"a.jpg", "b.PNG", "c.png", "d.txt", "e.JPG"}) ASSERT_TRUE(WriteBytePath(dir.path() + "/" + n, n));
  QDir(dir.path()).mkdir("folder.jpg");
  const QStringList list = RenameFileList(dir.path(), "*.png;*.jpg;*.JPG;*.cur");
  ASSERT_EQ(list.size(), 4);
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(list[i].endsWith(".png", Qt::CaseInsensitive)) << list[i].toStdString();
  for (int i = 2; i < 4; ++i) EXPECT_TRUE(list[i].endsWith(".jpg", Qt::CaseInsensitive)) << list[i].toStdString();
}

// The catalogue's list keeps its own order (the folder's order on disk looks random); the mask
// still chooses the pictures, folders and repeats stay out, and files gone since drop out.
TEST(RenamePlan, ListFromTheCatalogueKeepsItsOrder) {
  QTemporaryDir dir;
  const QString d = dir.path() + "/";
  for (const char* n : {"c.jpg", "a.PNG", "b.jpg", "notes.txt"}) ASSERT_TRUE(WriteBytePath(d + n, n));
  QDir(dir.path()).mkdir("folder.jpg");
  const QStringList shown = {d + "c.jpg", d + "folder.jpg", d + "notes.txt", d + "a.PNG", d + "b.jpg", d + "c.jpg"};
  const QStringList list = RenameFileList(shown, "*.png;*.jpg");
  EXPECT_EQ(list, (QStringList{d + "c.jpg", d + "a.PNG", d + "b.jpg"}));
  ASSERT_TRUE(QFile::remove(d + "a.PNG"));
  EXPECT_EQ(PresentFiles(list), (QStringList{d + "c.jpg", d + "b.jpg"}));
}

// Folders whose names clash with the new or temporary names: every picture ends numbered in
// list order and no content is lost.
TEST(RenamePlan, ClashingNamesAllEndNumbered) {
  struct Case {
    const char* what;
    std::vector<const char*> names;
    TRenameRule rule;
  } cases[] = {
      {"plain", {"x.jpg", "y.png", "z.jpg"}, Rule(TRenameForm::rfNameNumber, "img", 1, 3, TExtRule::erKeep)},
      {"swap", {"001.jpg", "002.jpg"}, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep)},
      {"cycle", {"001.jpg", "002.jpg", "003.jpg"}, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep)},
      {"temporary names taken", {"_001.jpg", "_002.jpg", "_003.jpg", "b.jpg"}, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep)},
      {"targets and temporaries", {"_002.jpg", "001.jpg", "_001.jpg", "002.jpg", "q.jpg"}, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep)},
      {"case only", {"001.JPG", "002.JPG", "a.jpg"}, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erLower)},
      {"already done", {"001.jpg", "002.jpg"}, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep)},
  };
  for (const Case& c : cases) {
    QTemporaryDir dir;
    for (const char* n : c.names) ASSERT_TRUE(WriteBytePath(dir.path() + "/" + n, QByteArray("content of ") + n));
    const QStringList list = RenameFileList(dir.path(), "*.jpg;*.png");
    ASSERT_EQ(list.size(), int(c.names.size())) << c.what;
    QMap<QString, QByteArray> expected;
    for (int i = 0; i < list.size(); ++i)
      expected[NewFileName(c.rule, i, ExtensionOf(list[i]))] =
          QByteArray("content of ") + list[i].mid(list[i].lastIndexOf('/') + 1).toUtf8();
    TRenameRun run(dir.path(), list, c.rule);
    int steps = 0;
    run.Run([&](int done, int total) {
      EXPECT_EQ(total, 2 * list.size());
      steps = done;
    });
    EXPECT_EQ(steps, 2 * list.size()) << c.what;
    EXPECT_TRUE(run.Failed().empty()) << c.what;
    EXPECT_EQ(Contents(dir.path()), expected) << c.what;
  }
}

TEST(RenamePlan, ANameHeldByAFolderIsSkippedAndTheRestGoOn) {
  QTemporaryDir dir;
  const ByteNameCleanup cleanup(dir.path());
  ASSERT_TRUE(WriteBytePath(dir.path() + "/a.jpg", "A"));
  ASSERT_TRUE(WriteBytePath(BytePath(dir.path(), ByteNames().front()), "B"));
  QDir(dir.path()).mkdir("001.jpg");
  QDir(dir.path()).mkdir("002.jpg");
  const QStringList list = RenameFileList(dir.path(), "*.jpg");
  ASSERT_EQ(list.size(), 2);
  TRenameRun run(dir.path(), list, Rule(TRenameForm::rfNumber, "", 1, 3, TExtRule::erKeep));
  run.Run();
  // Both new names are folders: both files are skipped, still there under a temporary name.
  ASSERT_EQ(run.Failed().size(), 2u);
  for (const TRenameItem& f : run.Failed()) {
    EXPECT_EQ(f.Error, EEXIST);
    EXPECT_TRUE(BytePathExists(f.Now));
  }
  EXPECT_EQ(Contents(dir.path()).size(), 2);
}
