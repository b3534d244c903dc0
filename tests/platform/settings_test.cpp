#include "platform/settings.h"
#include "platform/settings_keys.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

using settings::TIniFile;
namespace keys = settings::keys;

class SettingsTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path() const { return dir.path() + "/q.ini"; }
  void put(const QByteArray& text) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
};

TEST_F(SettingsTest, FileLivesInTheProgramFolder) {
  qputenv("QIVO2_HOME", dir.path().toUtf8());
  const QString name = settings::SettingsFileName();
  qunsetenv("QIVO2_HOME");
  EXPECT_TRUE(name.startsWith(dir.path() + "/")) << name.toStdString();
  EXPECT_TRUE(name.endsWith(".ini"));
  EXPECT_EQ(TIniFile().FileName().endsWith(".ini"), true);
}

TEST_F(SettingsTest, MissingKeysGiveTheTableDefaults) {
  const TIniFile ini(path());
  const struct {
    settings::IntKey key;
    int expected;
  } ints[] = {
      {keys::MainState, 0},       {keys::MainCWidth, 742},    {keys::MainCHeight, 464},
      {keys::MainTVWidth, 200},   {keys::MainPreview, 0},     {keys::MainPrevHeight, 140},
      {keys::MainPathCheck, 1},   {keys::MainDblClick, 0},    {keys::HistoryMenu, 1},
      {keys::CatalogAWidth, 100}, {keys::CatalogAHeight, 80}, {keys::CatalogSize, 1},
      {keys::CatalogColor, -2147483633}, {keys::CatalogCache, 0}, {keys::SlideInterval, 2000},
      {keys::SlideName, 1},       {keys::SaveFolderIndex, -1}, {keys::JpegCompress, 80},
      {keys::PngLevel, 1},        {keys::RotateWidth, 750},   {keys::RotateHeight, 530},
      {keys::MediaWidth, 300},
  };
  for (const auto& c : ints) EXPECT_EQ(ini.Read(c.key), c.expected) << c.key.section << "/" << c.key.name;
  EXPECT_EQ(ini.Read(keys::HistoryItem, 0), "History List");
  EXPECT_EQ(ini.Read(keys::ConvertSize, 4), 100);
  EXPECT_EQ(ini.Read(keys::MainRootPath), "");
  EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsTest, IndexedKeyNames) {
  EXPECT_EQ(keys::HistoryItem.name(7), "H7");
  EXPECT_EQ(keys::SaveFolderList.name(15), "Path15");
  EXPECT_EQ(keys::ListPathItem.name(10), "10");
  EXPECT_EQ(keys::ConvertSize.name(1), "Size1");
  EXPECT_TRUE(keys::OtherSoftPath.valid(3));
  EXPECT_FALSE(keys::OtherSoftPath.valid(4));
}

// Yes/no keys: most mean yes only for 1; PathCheck, History Menu and Slide Name for anything
// but 0.
TEST_F(SettingsTest, YesNoRules) {
  const struct {
    const char* stored;  // nullptr: key missing
    bool bool1;
    bool not0;
  } cases[] = {
      {"1", true, true}, {"0", false, false}, {"2", false, true}, {"-1", false, true},
      {"yes", false, true}  /* not a number: the default */, {nullptr, false, true},
  };
  const TIniFile ini(path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "(missing)");
    put(c.stored ? QByteArray("[Main]\nPathCheck=") + c.stored + "\n[View]\nAdSize=" + c.stored + "\n"
                 : QByteArray());
    EXPECT_EQ(ini.ReadBool1(keys::ViewAdSize), c.bool1);
    EXPECT_EQ(ini.ReadBoolNot0(keys::MainPathCheck), c.not0);
  }
}

TEST_F(SettingsTest, WritesAreOnDiskAtOnce) {
  const TIniFile ini(path());
  ini.Write(keys::MainCWidth, 800);
  ini.WriteBool(keys::CatalogCache, true);
  ini.Write(keys::OtherSoftPath, 2, "");
  EXPECT_EQ(TIniFile(path()).Read(keys::MainCWidth), 800);
  QFile f(path());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "[Main]\nCWidth=800\n\n[Catalog]\nCache=1\n\n[OtherSoft]\nPath2=\n");
  ini.DeleteKey("Main", "CWidth");
  EXPECT_EQ(ini.Read(keys::MainCWidth), 742);
  ini.EraseSection("Catalog");
  EXPECT_EQ(ini.Read(keys::CatalogCache), 0);
}

}  // namespace
