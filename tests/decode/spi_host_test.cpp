// The plug-in manager TSPIs and the plug-in graphics against real .spi libraries.
#include <QBuffer>
#include <QTemporaryFile>

#include "decode/spi_graphic.h"
#include "decode/spi_host.h"
#include "platform/app_folder.h"
#include "spi_test_util.h"

using namespace decode;
using namespace spitest;

namespace {

class SPIsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    qputenv("QIVO2_HOME", dir_.filePath("home").toUtf8());
    graphics::TPictureFormats::Instance().ResetForTesting();
    TSPIBitmap::PlainBitmapClass() = nullptr;
  }
  void TearDown() override { graphics::TPictureFormats::Instance().ResetForTesting(); }

  // A plug-in folder holding copies of the named test plug-ins.
  QString PluginFolder(std::initializer_list<const char*> names) {
    const QString folder = dir_.filePath("spi");
    QDir().mkpath(folder);
    for (const char* n : names) CopyTo(TestSpi(n), folder + "/" + n + ".spi");
    return folder;
  }
  // The main window's set-up: own folder only, picture import plug-ins, the veto.
  void MainWindowSetup(TSPIs& spis) {
    SetUpSPIs1(spis);
    EXPECT_EQ(spis.SearchOptions, spsAppDir);
    EXPECT_TRUE(spis.MacBinary);
    spis.OnPictureRegister = [this](TSPIs* s, TInSPI* spi, const QString& ext, const QString& desc,
                                    const graphics::TGraphicClass*& cls) {
      offered_ << ext;
      VetoBuiltinExtensions(s, spi, ext, desc, cls);
    };
  }
  QString Names(const std::vector<TSPI*>& list) {
    QStringList out;
    for (TSPI* s : list) out << QFileInfo(s->FileName()).baseName();
    return out.join(',');
  }

  QTemporaryDir dir_;
  QStringList offered_;
};

TEST_F(SPIsTest, SecondManagerIsRefused) {
  TSPIs first;
  EXPECT_EQ(TSPIs::Instance(), &first);
  try {
    TSPIs second;
    FAIL() << "second manager created";
  } catch (const ESPIDupCreateSPIs& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("TSPIs は複数生成できません"));
  }
  EXPECT_EQ(TSPIs::Instance(), &first);
}

TEST_F(SPIsTest, CreateSPIChoosesTheClassByTypeCode) {
  auto in = TSPIs::CreateSPI(TestSpi("rawpic"));
  ASSERT_TRUE(in);
  EXPECT_TRUE(dynamic_cast<TInSPI*>(in.get()));
  EXPECT_TRUE(in->Usable());
  EXPECT_EQ(in->APIVersion(), "00IN");
  EXPECT_EQ(in->PluginName(), "Raw test plug-in");
  EXPECT_EQ(in->Filters(), QStringList({"*.pi;*.pic", "*.qraw"}));
  EXPECT_EQ(in->Descriptions(), QStringList({"QRAW picture", "QRAW too"}));
  EXPECT_EQ(in->FileName(), QFileInfo(TestSpi("rawpic")).absoluteFilePath());
  EXPECT_FALSE(in->Entry(seGetPreview));

  auto am = TSPIs::CreateSPI(TestSpi("archive"));
  ASSERT_TRUE(am);
  EXPECT_TRUE(dynamic_cast<TAmSPI*>(am.get()));
  EXPECT_TRUE(am->InheritsFrom(TSPIClass::scLoaderSPI));
  EXPECT_FALSE(am->InheritsFrom(TSPIClass::scInSPI));
}

TEST_F(SPIsTest, CreateSPIAbsorbsUnloadableFilesButNotMissingFunctions) {
  const QString junk = WriteFile(dir_.filePath("junk.spi"), "not a library");
  EXPECT_FALSE(TSPIs::CreateSPI(junk));
  EXPECT_FALSE(TSPIs::CreateSPI(dir_.filePath("missing.spi")));
  const QString path = QFileInfo(TestSpi("noget")).absoluteFilePath();
  try {
    TSPIs::CreateSPI(path);
    FAIL() << "no exception";
  } catch (const ESPIInvalidAPI& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("GetPictureは[%1]では使えないSusie Plugin APIです").arg(path));
  }
  try {
    TSPI plain(junk);
    FAIL() << "no exception";
  } catch (const ESPIFOpenErrorSPI& e) {
    EXPECT_EQ(e.Message(), junk + QStringLiteral(":Susie Pluginがロードできませんでした"));
  }
}

TEST_F(SPIsTest, SearchKeepsPictureImportPluginsAndSkipsBrokenOnes) {
  const QString folder = PluginFolder({"rawpic", "archive", "failing", "noget"});
  WriteFile(folder + "/junk.spi", "not a library");
  TSPIs spis;
  MainWindowSetup(spis);
  QStringList searched;
  spis.OnSearching = [&](TSPIs*, const QString& path, bool&) { searched << QFileInfo(path).fileName(); };
  spis.SearchPlugins(folder + "/*.spi");

  EXPECT_EQ(searched, QStringList({"archive.spi", "failing.spi", "junk.spi", "noget.spi", "rawpic.spi"}));
  ASSERT_EQ(spis.Count(), 2);  // the archive plug-in is freed by OnSearch, noget is skipped
  EXPECT_EQ(QFileInfo(spis.Item(0)->FileName()).fileName(), "failing.spi");
  EXPECT_EQ(QFileInfo(spis.Item(1)->FileName()).fileName(), "rawpic.spi");
  ASSERT_EQ(spis.SkippedMessages().size(), 1);
  EXPECT_TRUE(spis.SkippedMessages()[0].startsWith("GetPictureは["));

  // "*.jpg;*.fail" offers fail, jpg; "*.pi;*.pic" offers pic, pi; the veto keeps jpg.
  EXPECT_EQ(offered_, QStringList({"fail", "jpg", "pic", "pi", "qraw"}));
  auto& formats = graphics::TPictureFormats::Instance();
  EXPECT_EQ(formats.Extensions(), QStringList({"fail", "pic", "pi", "qraw"}));
  EXPECT_EQ(formats.ClassForExtension("pic"), &SPIBitmapClass());
  EXPECT_EQ(formats.Description("pi"), "QRAW picture");
  EXPECT_EQ(formats.ClassForExtension("jpg"), nullptr);

  // A second search loads nothing twice.
  spis.SearchPlugins(folder + "/*.spi");
  EXPECT_EQ(spis.Count(), 2);
}

TEST_F(SPIsTest, AutomaticSearchUsesTheSusieSectionAndTheOptions) {
  const QString folder = PluginFolder({"rawpic"});
  QDir().mkpath(dir_.filePath("home"));
  QFile ini(platform::settingsFilePath());
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write(QStringLiteral("[Software\\Takechin\\Susie\\Plug-in]\nPath=%1\n").arg(folder).toUtf8());
  ini.close();
  {
    TSPIs spis;
    spis.SearchOptions = spsSusieDir;
    spis.Loaded();
    ASSERT_EQ(spis.Count(), 1);
    EXPECT_EQ(spis.IndexOf(QFileInfo(folder + "/rawpic.spi").absoluteFilePath()), 0);
  }
  TSPIs off;
  off.SearchOptions = spsSusieDir;
  off.AutoSearch = false;
  off.Loaded();
  EXPECT_EQ(off.Count(), 0);
}

TEST_F(SPIsTest, EnumSPIsPutsClaimingPluginsFirst) {
  const QString folder = PluginFolder({"rawpic", "failing", "archive"});
  TSPIs spis;
  spis.SearchPlugins(folder + "/*.spi");  // keeps the archive plug-in: no OnSearch
  ASSERT_EQ(spis.Count(), 3);             // archive, failing, rawpic
  struct Case {
    const char* ext;
    const char* order;
  } cases[] = {
      {".pic", "rawpic,failing"},  // "*.pi;*.pic" claims ".pic" only
      {".PIC", "rawpic,failing"},  {".pi", "failing,rawpic"},  {".qraw", "rawpic,failing"},
      {"x.y.fail", "failing,rawpic"}, {".jpg", "failing,rawpic"}, {"", "failing,rawpic"},
  };
  for (const auto& c : cases) {
    std::vector<TSPI*> list;
    spis.EnumSPIs({TSPIClass::scInSPI}, c.ext, list);
    EXPECT_EQ(Names(list), c.order) << c.ext;
  }
  std::vector<TSPI*> all;
  spis.EnumSPIs({TSPIClass::scLoaderSPI}, ".tar", all);
  EXPECT_EQ(Names(all), "archive,failing,rawpic");
}

TEST_F(SPIsTest, VetoKeepsTheProgramsOwnFormats) {
  const graphics::TGraphicClass* def = &SPIBitmapClass();
  struct Case {
    const char* ext;
    bool vetoed;
  } cases[] = {{"jpg", true}, {"JPEG", true}, {"bmp", true}, {"wmf", true}, {"emf", true}, {"png", true},
               {"ico", true}, {"cur", true},  {"ani", true}, {"*", true},   {"mag", false}, {"tga", false},
               {"*x", false}};
  for (const auto& c : cases) {
    const graphics::TGraphicClass* cls = def;
    VetoBuiltinExtensions(nullptr, nullptr, c.ext, "", cls);
    EXPECT_EQ(cls == nullptr, c.vetoed) << c.ext;
  }
}

TEST_F(SPIsTest, GraphicDecodesWithProgressAndSavesABmp) {
  TSPIs spis;
  MainWindowSetup(spis);
  spis.SearchPlugins(PluginFolder({"rawpic"}) + "/*.spi");
  const QString file = WriteFile(dir_.filePath("a.pic"), RawPicture(3, 2));

  TSPIGraphic g;
  QStringList messages;
  QList<int> percents;
  g.OnProgress = [&](graphics::TGraphic* sender, TProgressStage, int percent, bool, const QRect&,
                     const QString& message) {
    EXPECT_EQ(sender, &g);
    percents << percent;
    if (!message.isEmpty()) messages << message;
  };
  g.LoadFromFile(file);
  EXPECT_EQ(messages, QStringList({"Loading Graphic by Susie Plugin", "Seeking enabled Susie Plugins",
                                   "Loading by [rawpic.spi]", "Loaded Graphic by Susie Plugin"}));
  EXPECT_EQ(percents, QList<int>({0, 1, 1, 2, 99, 100}));
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(g.Height(), 2);
  ExpectRawPixels(g.Bitmap(), 3, 2);

  QBuffer out;
  out.open(QIODevice::WriteOnly);
  g.SaveToStream(out);
  const QByteArray bmp = out.data();
  ASSERT_EQ(bmp.size(), 14 + 40 + 2 * 12);
  EXPECT_EQ(bmp.left(2), "BM");
  EXPECT_EQ(uint8_t(bmp[2]), 14 + 40 + 24);
  EXPECT_EQ(uint8_t(bmp[10]), 54);

  // Asking for a preview falls back to the picture when the plug-in has no GetPreview.
  spis.GraphicPreview = true;
  TSPIGraphic preview;
  preview.LoadFromFile(file);
  ExpectRawPixels(preview.Bitmap(), 3, 2);
}

TEST_F(SPIsTest, MacBinaryHeaderIsDecodedAtTheSecondAttempt) {
  TSPIs spis;
  spis.SearchPlugins(PluginFolder({"rawpic"}) + "/*.spi");
  const QByteArray mac = QByteArray(128, 'M') + RawPicture(2, 2);
  const QString file = WriteFile(dir_.filePath("mac.pic"), mac);

  TSPIGraphic fromFile;
  fromFile.LoadFromFile(file);
  ExpectRawPixels(fromFile.Bitmap(), 2, 2);

  QBuffer memory;
  memory.setData(mac);
  memory.open(QIODevice::ReadOnly);
  TSPIGraphic fromMemory;
  fromMemory.LoadFromStreamWithName(memory, "mac.pic");
  ExpectRawPixels(fromMemory.Bitmap(), 2, 2);

  QFile stream(file);  // not a memory stream: copied once
  ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
  TSPIGraphic fromStream;
  fromStream.LoadFromStream(stream);
  ExpectRawPixels(fromStream.Bitmap(), 2, 2);

  spis.MacBinary = false;
  TSPIGraphic off;
  EXPECT_THROW(off.LoadFromFile(file), graphics::EInvalidGraphic);
}

TEST_F(SPIsTest, ForcedLoaderIsTheOnlyCandidate) {
  TSPIs spis;
  spis.SearchPlugins(PluginFolder({"rawpic", "failing"}) + "/*.spi");
  ASSERT_EQ(spis.Count(), 2);
  const QString file = WriteFile(dir_.filePath("a.pic"), RawPicture(1, 1));
  spis.GraphicForcedLoader = spis.Item(0);  // failing
  TSPIGraphic g;
  try {
    g.LoadFromFile(file);
    FAIL() << "decoded";
  } catch (const graphics::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Susie Plugins could not decode");
  }
  spis.GraphicForcedLoader = spis.Item(1);
  g.LoadFromFile(file);
  ExpectRawPixels(g.Bitmap(), 1, 1);
  spis.Delete(1);
  EXPECT_EQ(spis.GraphicForcedLoader, nullptr);
}

TEST_F(SPIsTest, WithoutManagerNothingDecodes) {
  const QString file = WriteFile(dir_.filePath("a.pic"), RawPicture(1, 1));
  TSPIGraphic g;
  EXPECT_THROW(g.LoadFromFile(file), graphics::EInvalidGraphic);
  EXPECT_TRUE(g.Empty());
  EXPECT_EQ(g.Width(), 0);
}

TEST_F(SPIsTest, LyingResultsAreRefused) {
  TSPIs spis;
  spis.SearchPlugins(PluginFolder({"liar"}) + "/*.spi");
  ASSERT_EQ(spis.Count(), 1);
  for (char kind : QByteArray("ABCDEFGHI")) {
    const QString file = WriteFile(dir_.filePath(QStringLiteral("%1.lie").arg(kind)), QByteArray(1, kind));
    TSPIGraphic g;
    EXPECT_THROW(g.LoadFromFile(file), graphics::EInvalidGraphic) << kind;
    EXPECT_TRUE(g.Empty()) << kind;
  }
}

TEST_F(SPIsTest, RegisteredFormatsLoadAsPlainBitmaps) {
  TSPIs spis;
  MainWindowSetup(spis);
  spis.SearchPlugins(PluginFolder({"rawpic"}) + "/*.spi");
  const QString file = WriteFile(dir_.filePath("a.qraw"), RawPicture(4, 3));
  auto g = graphics::TPictureFormats::Instance().LoadFromFile(file);
  ASSERT_TRUE(dynamic_cast<TSPIBitmap*>(g.get()));
  ExpectRawPixels(g->Bitmap(), 4, 3);

  TSPIBitmap bad;
  bool ended = false;
  bad.OnProgress = [&](graphics::TGraphic*, TProgressStage stage, int, bool, const QRect&, const QString& m) {
    if (stage == TProgressStage::psEnding) {
      EXPECT_EQ(m, "Loaded Graphic");
      ended = true;
    }
  };
  EXPECT_THROW(bad.LoadFromFile(WriteFile(dir_.filePath("b.qraw"), "junk")), graphics::EInvalidGraphic);
  EXPECT_TRUE(ended);
}

// A plain bitmap class that reads part of the stream and gives up.
const graphics::TGraphicClass kRejectingBmp{"rejecting", [] {
  struct G : graphics::TBitmapGraphic {
    void LoadFromStream(QIODevice& s) override {
      s.read(5);
      throw graphics::EInvalidGraphic("unknown BMP variant");
    }
  };
  return std::unique_ptr<graphics::TGraphic>(new G);
}};

TEST_F(SPIsTest, BmpRejectedByThePlainClassIsOfferedToPluginsFromTheStart) {
  TSPIs spis;
  spis.SearchPlugins(PluginFolder({"rawpic"}) + "/*.spi");
  TSPIBitmap::PlainBitmapClass() = &kRejectingBmp;
  const QByteArray data = RawPicture(2, 1);
  QBuffer buffer;
  buffer.setData("xx" + data);
  buffer.open(QIODevice::ReadOnly);
  buffer.seek(2);
  TSPIBitmap bm;
  bm.LoadFromStreamWithName(buffer, "odd.bmp");
  ExpectRawPixels(bm.Bitmap(), 2, 1);
  TSPIBitmap::PlainBitmapClass() = nullptr;
}

TEST_F(SPIsTest, FailingPluginHandlesAreNotTouched) {
  TSPIs spis;
  spis.SearchPlugins(PluginFolder({"failing"}) + "/*.spi");
  TSPIGraphic g;
  EXPECT_THROW(g.LoadFromFile(WriteFile(dir_.filePath("a.fail"), "x")), graphics::EInvalidGraphic);
}

TEST(SPISupport, MulDivRoundsLikeWindows) {
  struct Case {
    int a, b, c, want;
  } cases[] = {{0, 97, 10, 0}, {10, 97, 10, 97}, {1, 97, 2, 49}, {-1, 97, 2, -49}, {5, 97, 0, -1},
               {INT32_MAX, 2, 1, -1}};
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << " " << c.b << " " << c.c;
}

}  // namespace
