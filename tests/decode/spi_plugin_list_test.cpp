// The catalogue's plug-in list TSPlugin against real .spi libraries.
#include "decode/spi_host.h"
#include "decode/spi_plugin_list.h"
#include "platform/app_folder.h"
#include "spi_test_util.h"

using namespace decode;
using namespace spitest;

namespace {

class SPluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString Sub(const QString& name) {
    const QString p = dir_.filePath(name);
    QDir().mkpath(p);
    return p;
  }
  QTemporaryDir dir_;
};

TEST_F(SPluginTest, LoadFolderFollowsTheNameRule) {
  const QString folder = Sub("plugins");
  CopyTo(TestSpi("rawpic"), folder + "/rawpic.spi");
  CopyTo(TestSpi("rawpic"), folder + "/old.spi.bak");      // does not end with ".spi": skipped
  CopyTo(TestSpi("rawpic"), folder + "/.hidden.spi");      // starts with ".": skipped
  CopyTo(TestSpi("rawpic"), folder + "/rawpic.dll");       // no ".spi": skipped
  CopyTo(TestSpi("archive"), folder + "/archive.SPI");     // tried, not "00IN"
  WriteFile(folder + "/broken.spi", "not a library");      // tried, absorbed
  QDir().mkpath(folder + "/sub.spi");                      // a folder, not a file
  TSPlugin list;
  EXPECT_EQ(list.LoadFolder(folder), 3);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Name(0), "rawpic.spi");
  EXPECT_EQ(list.Item(0).PluginName, "Raw test plug-in");
  EXPECT_EQ(list.Item(0).FileName, "rawpic.spi");
  EXPECT_EQ(list.Item(0).Filters, QStringList({"*.pi;*.pic", "*.qraw"}));
  EXPECT_EQ(list.Item(0).Extensions, QStringList({"*.pi", "*.pic", "*.qraw"}));
  EXPECT_EQ(list.PluginNames(), QStringList({"Raw test plug-in"}));
}

// A backup or a longer extension that merely contains ".spi" is no plug-in, in either search.
TEST_F(SPluginTest, OnlyNamesEndingInSpiAreSearched) {
  const struct {
    const char* name;
    bool searched;
  } cases[] = {
      {"a.spi", true}, {"A.SPI", true}, {"b.Spi", true}, {"a.spi.bak", false}, {"a.spifoo", false},
      {".a.spi", false}, {"aspi", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = Sub(QStringLiteral("case-%1").arg(&c - cases));
    WriteFile(folder + "/" + c.name, "not a library");
    TSPlugin list;
    EXPECT_EQ(list.LoadFolder(folder), c.searched ? 1 : 0);
    TSPIs spis;
    QStringList searched;
    spis.OnSearching = [&](TSPIs*, const QString& path, bool&) { searched << QFileInfo(path).fileName(); };
    spis.SearchPlugins(folder + "/*.spi");
    EXPECT_EQ(searched, c.searched ? QStringList{c.name} : QStringList{});
  }
}

TEST_F(SPluginTest, AddPluginResults) {
  TSPlugin list;
  EXPECT_EQ(list.AddPlugin(TestSpi("rawpic")), 0);
  EXPECT_EQ(list.AddPlugin(TestSpi("failing")), 1);
  // The same file name from another folder.
  EXPECT_EQ(list.AddPlugin(CopyTo(TestSpi("liar"), Sub("other") + "/rawpic.spi")), kSpiDuplicateName);
  EXPECT_EQ(list.AddPlugin(TestSpi("archive")), 0);
  EXPECT_EQ(list.AddPlugin(dir_.filePath("missing.spi")), 0);
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(SPluginTest, IncompleteInformationCodes) {
  struct Case {
    const char* gap;
    int code;
  } cases[] = {{"0", kSpiNoType}, {"1", kSpiNoName}, {"2", kSpiNoPattern}};
  for (const auto& c : cases) {
    qputenv("QIVO2_TEST_INFOGAP", c.gap);
    try {
      TSpi spi(TestSpi("infogap"));
      ADD_FAILURE() << "loaded with gap " << c.gap;
    } catch (const ESPILoadError& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_EQ(e.Message(), TestSpi("infogap") + QStringLiteral(":Susie Pluginがロードできませんでした"));
    }
  }
  qunsetenv("QIVO2_TEST_INFOGAP");
  EXPECT_NO_THROW(TSpi spi(TestSpi("infogap")));
  EXPECT_THROW(TSpi spi(dir_.filePath("missing.spi")), ESPIOpenError);
}

TEST_F(SPluginTest, GetBitmapAsksTheSupportingPlugins) {
  TSPlugin list;
  list.AddPlugin(TestSpi("rawpic"));
  list.AddPlugin(TestSpi("liar"));
  list.AddPlugin(TestSpi("noget"));  // "00IN" without GetPicture: still listed here
  const QString pic = WriteFile(dir_.filePath("a.pic"), RawPicture(3, 2));
  const QString upper = WriteFile(dir_.filePath("b.PIC"), RawPicture(1, 1));
  graphics::TBitmap bm;
  EXPECT_EQ(list.GetBitmap(pic, bm), 0);
  ExpectRawPixels(bm, 3, 2);
  list.Preview = true;  // no GetPreview: the picture is asked next
  EXPECT_EQ(list.GetBitmap(upper, bm), 0);
  ExpectRawPixels(bm, 1, 1);
  EXPECT_EQ(list.IndexOfSupporting(pic), 0);

  struct Case {
    const char* name;
    QByteArray bytes;
    int result;
  } cases[] = {
      {"c.txt", RawPicture(1, 1), kSpiNoSupport},  // extension not listed
      {"noext", RawPicture(1, 1), kSpiNoSupport},
      {"d.pic", "junk", kSpiNoSupport},            // IsSupported says no
      {"e.lie", "A", SPI_OUT_OF_ORDER},            // BITMAPINFO larger than its bits
      {"f.lie", "B", SPI_OUT_OF_ORDER},            // success with a null handle
      {"g.nog", "x", SPI_NO_FUNCTION},
  };
  for (const auto& c : cases) {
    graphics::TBitmap out;
    EXPECT_EQ(list.GetBitmap(WriteFile(dir_.filePath(c.name), c.bytes), out), c.result) << c.name;
    EXPECT_TRUE(out.Empty()) << c.name;
  }
  EXPECT_EQ(list.IndexOfSupporting(dir_.filePath("e.lie")), 1);
  EXPECT_EQ(list.IndexOfSupporting(dir_.filePath("c.txt")), -1);
}

TEST_F(SPluginTest, LoadFromAppDirFindsTheShippedPlugins) {
  qputenv("QIVO2_HOME", Sub("home").toUtf8());
  TSPlugin list;
  EXPECT_GE(list.LoadFromAppDir(), 2);
  EXPECT_TRUE(list.PluginNames().contains("GIF plug-in for QIVO2"));
  EXPECT_TRUE(list.PluginNames().contains("TGA plug-in for QIVO2"));
}

}  // namespace
