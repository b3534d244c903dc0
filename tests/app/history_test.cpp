#include "app/history.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/settings.h"

namespace {

using app::THistoryList;

QStringList Folders(int n) {
  QStringList r;
  for (int i = 0; i < n; ++i) r << QStringLiteral("/f%1").arg(i);
  return r;
}

TEST(HistoryList, KeepsEightNewestFirstAndMovesRepeatsToTop) {
  THistoryList h;
  for (const QString& f : Folders(10)) h.Add(f);
  ASSERT_EQ(h.Count(), 8);
  EXPECT_EQ(h.Items().first(), "/f9");
  EXPECT_EQ(h.Items().last(), "/f2");

  h.Add("/f5");
  EXPECT_EQ(h.Count(), 8);
  EXPECT_EQ(h.Items().first(), "/f5");
  EXPECT_EQ(h.Items().count("/f5"), 1);
  EXPECT_EQ(h.Items()[1], "/f9");
}

TEST(HistoryList, CaptionsCarryAccessKeysAndGiveThePathBack) {
  THistoryList h;
  h.Add("/b c");
  h.Add("/a");
  EXPECT_EQ(h.Caption(0), "&0 /a");
  EXPECT_EQ(h.Caption(1), "&1 /b c");
  EXPECT_EQ(h.Caption(2), "");
  struct Case {
    const char* caption;
    const char* path;
  } cases[] = {{"&0 /a", "/a"}, {"&7 /b c", "/b c"}, {"&1 /x/&y", "/x/&y"}, {"/plain", "/plain"}};
  for (const auto& c : cases) EXPECT_EQ(THistoryList::PathFromCaption(c.caption), c.path) << c.caption;
}

TEST(HistoryList, SavesAndLoadsInOrderAndLeavesOlderKeys) {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.filePath("t.ini"));
  ini.WriteString("History", "H9", "/old");
  THistoryList h;
  for (const QString& f : Folders(3)) h.Add(f);
  h.Save(ini);
  EXPECT_EQ(ini.ReadInteger("History", "Count", -1), 3);
  EXPECT_EQ(ini.ReadString("History", "H0", ""), "/f2");
  EXPECT_EQ(ini.ReadString("History", "H9", ""), "/old");

  THistoryList back;
  back.Add("/other");
  back.Load(ini);
  EXPECT_EQ(back.Items(), (QStringList{"/f2", "/f1", "/f0"}));
}

TEST(HistoryList, DamagedSectionLoadsWhatIsThere) {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.filePath("t.ini"));
  struct Case {
    const char* count;
    QStringList stored;  // H0.. ("" = key missing)
    QStringList expected;
  } cases[] = {
      {"3", {"/a", "", "/c"}, {"/a", "/c"}},
      {"-4", {"/a"}, {}},
      {"junk", {"/a"}, {}},
      {"2147483647", {"/a", "/b"}, {"/a", "/b"}},
      {"3", {"/a", "/a", "/b"}, {"/a", "/b"}},
  };
  for (const auto& c : cases) {
    ini.EraseSection("History");
    ini.WriteString("History", "Count", c.count);
    for (int i = 0; i < c.stored.size(); ++i)
      if (!c.stored[i].isEmpty()) ini.WriteString("History", QStringLiteral("H%1").arg(i), c.stored[i]);
    THistoryList h;
    h.Load(ini);
    EXPECT_EQ(h.Items(), c.expected) << c.count;
  }
}

TEST(HistoryList, ActivatingLoadsAndDeactivatingSaves) {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.filePath("t.ini"));
  ini.WriteInteger("History", "Count", 1);
  ini.WriteString("History", "H0", "/kept");
  THistoryList h;
  EXPECT_FALSE(h.Active());
  h.SetActive(true, ini);
  EXPECT_EQ(h.Items(), QStringList{"/kept"});
  h.Add("/new");
  h.SetActive(false, ini);
  EXPECT_EQ(ini.ReadInteger("History", "Count", 0), 2);
  EXPECT_EQ(ini.ReadString("History", "H0", ""), "/new");
}

}  // namespace
