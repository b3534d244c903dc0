// FIFOs, sockets and dangling links among plug-ins and pictures: nothing waits on them.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include "decode/png_graphic.h"
#include "decode/spi_graphic.h"
#include "decode/spi_host.h"
#include "decode/spi_plugin_list.h"
#include "graphics/picture_formats.h"
#include "spi_test_util.h"
#include "tests/support/nonregular_files.h"

using namespace decode;
using namespace spitest;

namespace {

class SpecialFilesNeverBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    folder_ = dir_.filePath("spi");
    QDir().mkpath(folder_);
    CopyTo(TestSpi("rawpic"), folder_ + "/rawpic.spi");
    special_.Fifo(folder_ + "/zz.spi");
    special_.Socket(folder_ + "/sock.spi");
    SpecialFiles::DanglingLink(folder_ + "/dangling.spi");
  }
  QTemporaryDir dir_;
  QString folder_;
  SpecialFiles special_;
};

TEST_F(SpecialFilesNeverBlock, PluginFoldersSkipThem) {
  TSPlugin list;
  ASSERT_TRUE(special_.FinishesWithoutBlocking([&] { EXPECT_EQ(list.LoadFolder(folder_), 4); }));
  EXPECT_EQ(list.Count(), 1);
  TSPIs spis;
  ASSERT_TRUE(special_.FinishesWithoutBlocking([&] { spis.SearchPlugins(folder_ + "/*.spi"); }));
  ASSERT_EQ(spis.Count(), 1);
  EXPECT_TRUE(spis.Item(0)->FileName().endsWith("/rawpic.spi"));
}

// The manager loads each file twice and frees the first copy; a plug-in loaded after that
// must still be its own library, not the one its reused descriptor number named before.
TEST_F(SpecialFilesNeverBlock, EachPluginIsTheFileItWasLoadedFrom) {
  CopyTo(TestSpi("liar"), folder_ + "/liar.spi");
  CopyTo(TestSpi("failing"), folder_ + "/failing.spi");
  const QMap<QString, QString> want{{"failing.spi", "Failing test plug-in"},
                                    {"liar.spi", "Lying test plug-in"},
                                    {"rawpic.spi", "Raw test plug-in"}};
  TSPIs spis;
  spis.SearchPlugins(folder_ + "/*.spi");
  TSPlugin list;  // in another order, so descriptor numbers are reused differently
  for (auto it = want.keyValueEnd(); it != want.keyValueBegin();) list.AddPlugin(folder_ + "/" + (--it)->first);
  QMap<QString, QString> managed, listed;
  for (int i = 0; i < spis.Count(); ++i) managed[QFileInfo(spis.Item(i)->FileName()).fileName()] = spis.Item(i)->PluginName();
  for (int i = 0; i < list.Count(); ++i) listed[list.Item(i).FileName] = list.Item(i).PluginName;
  EXPECT_EQ(managed, want);
  EXPECT_EQ(listed, want);
}

TEST_F(SpecialFilesNeverBlock, PicturesAreRefusedUnread) {
  TSPlugin list;
  ASSERT_EQ(list.AddPlugin(QIVO2_IFTGA_SPI), 0);
  ASSERT_EQ(list.AddPlugin(TestSpi("rawpic")), 1);
  TSPIs spis;
  spis.SearchPlugins(folder_ + "/*.spi");
  const QStringList pictures = special_.All(QDir(dir_.path()), ".tga") + special_.All(QDir(dir_.path()), ".pic") +
                               special_.All(QDir(dir_.path()), ".png");
  for (const QString& path : pictures) {
    SCOPED_TRACE(path.toStdString());
    ASSERT_TRUE(special_.FinishesWithoutBlocking([&] {
      EXPECT_EQ(list.IndexOfSupporting(path), -1);
      graphics::TBitmap bm;
      EXPECT_NE(list.GetBitmap(path, bm), 0);
      EXPECT_NE(list.Item(1).LoadBitmap(path, bm), 0);
      TSPIGraphic g;
      EXPECT_THROW(g.LoadFromFile(path), graphics::EInvalidGraphic);
      TQVPNG png;
      EXPECT_THROW(png.LoadFromFile(path), graphics::EInvalidGraphic);
    }));
  }
}

}  // namespace
