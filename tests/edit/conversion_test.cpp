#include "edit/conversion.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/settings.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "view/picture_loader.h"

using namespace edit;
using graphics::TBitmap;

namespace {

TBitmap gradient(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x * 255 / w);
      p[1] = uint8_t(y * 255 / h);
      p[2] = 128;
    }
  return b;
}

void writeBmp(const QString& path, const TBitmap& b) { graphics::TBMPGraphic(b).SaveToFile(path); }

TBitmap readBmp(const QString& path) {
  graphics::TBMPGraphic g;
  g.LoadFromFile(path);
  return g.Bitmap();
}

QByteArray digest(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

TEST(ConvertTargetSize, FollowsTheSizeModeArithmetic) {
  struct Case {
    int w, h, mode, n;
    QSize want;
  };
  const Case cases[] = {
      {3000, 2000, 0, 800, {3000, 2000}},
      {100, 100, 1, 33, {33, 33}},           // 100 × 0.33 must not come out as 32
      {1001, 999, 1, 50, {500, 499}},
      {1600, 1200, 2, 640, {640, 480}},
      {320, 240, 2, 640, {640, 480}},        // small pictures are enlarged
      {1600, 1200, 3, 300, {400, 300}},
      {3000, 2000, 4, 800, {800, 533}},
      {600, 900, 4, 800, {533, 800}},        // r = 0.6666667 as a float
      {1000, 1000, 4, 800, {800, 800}},
      {10, 5, 4, 100, {100, 50}},
      {10000, 1, 2, 100, {100, 0}},          // computes to 0: the caller fails the file
      {5, 5, 7, 100, {5, 5}},                // unknown modes change nothing
      {1000, 2, 1, 2147483647, {2147483647, 42949672}},  // a side beyond int is clamped
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConvertTargetSize(c.w, c.h, c.mode, c.n), c.want) << c.w << "x" << c.h << " mode " << c.mode << " N " << c.n;
}

TEST(ConvertSettings, ReadWithDefaultsAndOddValues) {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.filePath("qivo2.ini"));
  const TConvertSettings d = ReadConvertSettings(ini);
  EXPECT_EQ(d.SizeMode, 0);
  EXPECT_EQ(d.SizeValue, 100);
  EXPECT_EQ(d.Quality, 80);
  EXPECT_EQ(d.Level, 1);
  EXPECT_FALSE(d.ReduceBMP || d.ReducePNG || d.Progressive || d.Grayscale || d.Interlace);

  ini.WriteInteger("Convert", "Item", 2);
  ini.WriteInteger("Convert", "Size1", 50);
  ini.WriteInteger("Convert", "Size2", 640);
  ini.WriteInteger("JPEG", "Compress", -1);
  ini.WriteInteger("PNG", "Level", -1);
  ini.WriteInteger("Color", "Bit", 2);  // only 1 means yes
  ini.WriteInteger("PNG", "Color", 1);
  ini.WriteInteger("JPEG", "Grayscale", 1);
  TConvertSettings s = ReadConvertSettings(ini);
  EXPECT_EQ(s.SizeMode, 2);
  EXPECT_EQ(s.SizeValue, 640);
  EXPECT_EQ(s.Quality, 80);
  EXPECT_EQ(s.Level, 1);
  EXPECT_FALSE(s.ReduceBMP);
  EXPECT_TRUE(s.ReducePNG);
  EXPECT_TRUE(s.Grayscale);

  ini.WriteInteger("Convert", "Item", 5);
  s = ReadConvertSettings(ini);
  EXPECT_EQ(s.SizeMode, 0);
  EXPECT_EQ(s.SizeValue, 100);
}

TEST(ConvertConfirmation, TextsOfEachFormat) {
  const QString cr = "\r";
  const QString tail = cr + cr + QStringLiteral("* [キャンセル] → 設定画面の呼び出し");
  TConvertSettings jpeg;
  jpeg.Grayscale = true;
  EXPECT_EQ(ConvertConfirmationText(cfJPEG, jpeg),
            QStringLiteral("保存品質： 80     プログレッシブ： OFF     グレイスケール： ON     ") + cr +
                QStringLiteral("サイズ： 変更なし     ") + cr + cr +
                QStringLiteral("以上の条件で JPEG に変換します。よろしいですか？") + tail);

  TConvertSettings bmp;
  bmp.ReduceBMP = true;
  bmp.SizeMode = 1;
  bmp.SizeValue = 50;
  EXPECT_EQ(ConvertConfirmationText(cfBMP, bmp),
            QStringLiteral("色数： 256色に減色   サイズ： 倍率 50%   ") + cr + cr +
                QStringLiteral("以上の条件で BMP に変換します。よろしいですか？   ") + tail);

  TConvertSettings png;
  png.Level = 9;
  png.Interlace = true;
  png.SizeMode = 4;
  png.SizeValue = 800;
  EXPECT_EQ(ConvertConfirmationText(cfPNG, png),
            QStringLiteral("圧縮レベル： 9     インターレース： ON     色数： 変更なし     ") + cr +
                QStringLiteral("サイズ： 範囲 800 Pixels     ") + cr + cr +
                QStringLiteral("以上の条件で PNG に変換します。よろしいですか？") + tail);
}

TEST(ConvertNames, TargetNamesAndSkippedKinds) {
  struct Case {
    const char* source;
    TConvertFormat format;
    const char* target;
  };
  const Case cases[] = {
      {"/pics/a.BMP", cfBMP, "a.bmp"},       {"/pics/photo.jpeg", cfJPEG, "photo.jpg"},
      {"/pics/noext", cfPNG, "noext.png"},   {"/pics/a.b.c.png", cfBMP, "a.b.c.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertTargetName(c.source, c.format), c.target) << c.source;
  for (const char* icon : {"a.ico", "b.CUR", "c.Ani"}) EXPECT_FALSE(IsConvertibleFile(icon)) << icon;
  for (const char* pic : {"a.bmp", "b.jpg", "icon", "a.icon"}) EXPECT_TRUE(IsConvertibleFile(pic)) << pic;
}

class ConvertRun : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(src.isValid() && dst.isValid()); }
  QString in(const char* name) const { return src.filePath(name); }
  QString out(const char* name) const { return dst.filePath(name); }
  // The program's plain loader, without plug-ins.
  static TBitmap plain(const QString& path) {
    TBitmap b;
    view::LoadPicture(path, b, nullptr);
    return b;
  }
  QTemporaryDir src, dst;
};

TEST_F(ConvertRun, ConvertsResizesAndReducesWithoutTouchingSources) {
  writeBmp(in("wide.bmp"), gradient(40, 20));
  graphics::TJPEGImage j;
  j.Assign(gradient(30, 60));
  j.SaveToFile(in("tall.jpg"));
  const QByteArray before = digest(in("wide.bmp"));

  TConvertSettings s;
  s.SizeMode = 4;
  s.SizeValue = 20;
  s.ReduceBMP = true;
  const TConvertRunResult run = ConvertFiles({in("wide.bmp"), in("tall.jpg")}, dst.path(), cfBMP, s, plain, {});
  ASSERT_EQ(run.Outcomes.size(), 2u);
  EXPECT_FALSE(run.NotProcessed);
  EXPECT_FALSE(run.Stopped);
  for (const auto& o : run.Outcomes) EXPECT_EQ(o.Status, csConverted) << o.Reason.toStdString();
  const TBitmap wide = readBmp(out("wide.bmp")), tall = readBmp(out("tall.bmp"));
  EXPECT_EQ(QSize(wide.Width(), wide.Height()), QSize(20, 10));
  EXPECT_EQ(QSize(tall.Width(), tall.Height()), QSize(10, 20));
  EXPECT_EQ(wide.PixelFormat(), graphics::TPixelFormat::pf8bit);
  EXPECT_EQ(digest(in("wide.bmp")), before);
}

TEST_F(ConvertRun, JpegOptionsReachTheFile) {
  writeBmp(in("a.bmp"), gradient(16, 16));
  TConvertSettings s;
  s.Progressive = true;
  s.Grayscale = true;
  s.SizeMode = 1;
  s.SizeValue = 200;
  const TConvertRunResult run = ConvertFiles({in("a.bmp")}, dst.path(), cfJPEG, s, plain, {});
  ASSERT_EQ(run.Outcomes[0].Status, csConverted) << run.Outcomes[0].Reason.toStdString();
  const auto info = graphics::ReadJpegInfoFromFile(out("a.jpg"));
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->Width, 32);
  EXPECT_EQ(info->Components, 1);
  EXPECT_TRUE(info->Progressive);
}

TEST_F(ConvertRun, FailuresAndSkipsGoOnAndAreReported) {
  writeBmp(in("good.bmp"), gradient(8, 8));
  QFile bad(in("bad.bmp"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BM not really");
  bad.close();
  QFile::copy(in("good.bmp"), in("icon.ico"));
  writeBmp(in("flat.bmp"), gradient(1000, 1));
  QFile::copy(in("good.bmp"), in("none.xyz"));  // a picture under a name no reader claims

  TConvertSettings s;
  s.SizeMode = 2;  // 1000 × 1 at width 100 has height 0
  s.SizeValue = 100;
  const TConvertRunResult run =
      ConvertFiles({in("bad.bmp"), in("icon.ico"), in("flat.bmp"), in("good.bmp"), in("none.xyz"), in("gone.bmp")},
                   dst.path(), cfBMP, s, plain, {});
  EXPECT_TRUE(run.NotProcessed);
  const TConvertStatus want[] = {csFailed, csSkipped, csFailed, csConverted, csFailed, csFailed};
  const char* reasons[] = {"Invalid BMP", "icons", "empty", "", "not a picture format", "Cannot open file"};
  ASSERT_EQ(run.Outcomes.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(run.Outcomes[i].Status, want[i]) << i;
    EXPECT_NE(run.Outcomes[i].Reason.indexOf(reasons[i]), -1) << run.Outcomes[i].Reason.toStdString();
    // The outcome's Source names the file; its reason does not again.
    EXPECT_EQ(run.Outcomes[i].Reason.indexOf(QFileInfo(run.Outcomes[i].Source).fileName()), -1)
        << run.Outcomes[i].Reason.toStdString();
  }
  EXPECT_FALSE(QFile::exists(out("bad.bmp")));
  EXPECT_FALSE(QFile::exists(out("icon.bmp")));
  EXPECT_TRUE(QFile::exists(out("good.bmp")));
}

TEST_F(ConvertRun, OnlyTheGivenLoaderReadsAndOnlyForFilesItConverts) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) writeBmp(in(name), gradient(8, 8));
  QFile::copy(in("a.bmp"), in("icon.ico"));
  writeBmp(out("b.bmp"), gradient(2, 2));  // b's target exists and the answer is no
  QStringList loaded;
  const TPictureLoader stand_in = [&](const QString& path) {
    loaded << QFileInfo(path).fileName();
    return gradient(5, 7);
  };
  TConvertHooks no;
  no.AskOverwrite = [](const QString&) { return false; };
  const TConvertRunResult run =
      ConvertFiles({in("a.bmp"), in("icon.ico"), in("b.bmp"), in("c.bmp")}, dst.path(), cfBMP, {}, stand_in, no);
  EXPECT_EQ(loaded, QStringList{"a.bmp"});
  EXPECT_EQ(run.Outcomes[0].Status, csConverted);
  EXPECT_EQ(QSize(readBmp(out("a.bmp")).Width(), readBmp(out("a.bmp")).Height()), QSize(5, 7));
  EXPECT_TRUE(run.Stopped);
}

TEST_F(ConvertRun, ExistingTargetsAskAndNoEndsTheRun) {
  writeBmp(in("a.bmp"), gradient(8, 8));
  graphics::TJPEGImage j;
  j.Assign(gradient(4, 4));
  j.SaveToFile(in("a.jpg"));
  writeBmp(in("b.bmp"), gradient(8, 8));

  // Two sources that differ only in extension: the second meets the question.
  QStringList asked;
  TConvertHooks yes;
  yes.AskOverwrite = [&](const QString& name) { asked << name; return true; };
  TConvertRunResult run = ConvertFiles({in("a.bmp"), in("a.jpg")}, dst.path(), cfBMP, {}, plain, yes);
  EXPECT_EQ(asked, QStringList{"a.bmp"});
  EXPECT_EQ(readBmp(out("a.bmp")).Width(), 4);

  TConvertHooks no;
  no.AskOverwrite = [](const QString&) { return false; };
  const QByteArray kept = digest(out("a.bmp"));
  run = ConvertFiles({in("a.bmp"), in("b.bmp")}, dst.path(), cfBMP, {}, plain, no);
  EXPECT_TRUE(run.Stopped);
  EXPECT_FALSE(run.NotProcessed);
  EXPECT_EQ(run.Outcomes[0].Status, csNotReached);
  EXPECT_EQ(run.Outcomes[1].Status, csNotReached);
  EXPECT_EQ(digest(out("a.bmp")), kept);
  EXPECT_FALSE(QFile::exists(out("b.bmp")));

  // No question asked at all counts as no: nothing is ever replaced silently.
  run = ConvertFiles({in("a.bmp")}, dst.path(), cfBMP, {}, plain, {});
  EXPECT_TRUE(run.Stopped);
  EXPECT_EQ(digest(out("a.bmp")), kept);
}

// Two sources of one name in other folders: the second target is this run's own output.
TEST_F(ConvertRun, ReplacingAnOutputOfTheSameRunIsNamed) {
  QDir(src.path()).mkdir("a");
  QDir(src.path()).mkdir("b");
  writeBmp(in("a/x.bmp"), gradient(8, 8));
  writeBmp(in("b/x.bmp"), gradient(4, 4));
  writeBmp(out("old.bmp"), gradient(2, 2));
  writeBmp(in("old.bmp"), gradient(6, 6));
  TConvertHooks yes;
  yes.AskOverwrite = [](const QString&) { return true; };
  TConvertRunResult run = ConvertFiles({in("old.bmp"), in("a/x.bmp"), in("b/x.bmp")}, dst.path(), cfBMP, {}, plain, yes);
  ASSERT_EQ(run.Outcomes.size(), 3u);
  EXPECT_EQ(run.Outcomes[0].Replaced, QString());  // there before the run
  EXPECT_EQ(run.Outcomes[1].Replaced, QString());
  EXPECT_EQ(run.Outcomes[2].Status, csConverted);
  EXPECT_EQ(run.Outcomes[2].Replaced, in("a/x.bmp"));
  EXPECT_EQ(readBmp(out("x.bmp")).Width(), 4);

  QFile::remove(out("x.bmp"));
  TConvertHooks no;
  no.AskOverwrite = [](const QString&) { return false; };
  run = ConvertFiles({in("a/x.bmp"), in("b/x.bmp")}, dst.path(), cfBMP, {}, plain, no);
  EXPECT_TRUE(run.Stopped);
  EXPECT_EQ(run.Outcomes[1].Status, csNotReached);
  EXPECT_NE(run.Outcomes[1].Reason.indexOf("a/x.bmp earlier in this run"), -1) << run.Outcomes[1].Reason.toStdString();
  EXPECT_EQ(readBmp(out("x.bmp")).Width(), 8);
}

TEST_F(ConvertRun, SourceFolderAsTargetRewritesFromItsOwnPicture) {
  const TBitmap pic = gradient(6, 3);
  writeBmp(in("self.bmp"), pic);
  TConvertHooks yes;
  yes.AskOverwrite = [](const QString&) { return true; };
  const TConvertRunResult run = ConvertFiles({in("self.bmp")}, src.path(), cfBMP, {}, plain, yes);
  EXPECT_EQ(run.Outcomes[0].Status, csConverted);
  EXPECT_EQ(readBmp(in("self.bmp")), pic);
}

TEST_F(ConvertRun, PngLevelInterlaceAndReductionReachTheFile) {
  writeBmp(in("a.bmp"), gradient(20, 10));
  struct Case {
    bool reduce, interlace;
    int colourType;
  };
  const Case cases[] = {{false, false, 2}, {true, true, 3}};
  TConvertHooks yes;
  yes.AskOverwrite = [](const QString&) { return true; };
  for (const auto& c : cases) {
    TConvertSettings s;
    s.ReducePNG = c.reduce;
    s.Interlace = c.interlace;
    s.Level = 12;  // outside 0..9: the codec's default
    const TConvertRunResult run = ConvertFiles({in("a.bmp")}, dst.path(), cfPNG, s, plain, yes);
    ASSERT_EQ(run.Outcomes[0].Status, csConverted) << run.Outcomes[0].Reason.toStdString();
    QFile f(out("a.png"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(29);  // signature, IHDR length and type, IHDR fields
    ASSERT_EQ(head.size(), 29);
    EXPECT_EQ(int(head[25]), c.colourType);
    EXPECT_EQ(int(head[28]), c.interlace ? 1 : 0);
  }
}

// Threads prepare ahead, but the files written are those of a one-thread run, the
// overwrite question comes in the sources' order, and a stop keeps what was written.
TEST(RunConversion, ThreadsWriteWhatOneThreadWrites) {
  QTemporaryDir src, one, many;
  QStringList sources;
  for (int i = 0; i < 7; ++i) {
    const QString p = src.filePath(QStringLiteral("p%1.bmp").arg(i));
    writeBmp(p, gradient(40 + 13 * i, 30 + 7 * i));
    sources << p;
  }
  sources.insert(3, src.filePath("icon.ico"));
  TConvertSettings s;
  s.SizeMode = 4;
  s.SizeValue = 32;
  const TPictureLoader plain = [](const QString& path) {
    TBitmap b;
    view::LoadPicture(path, b, nullptr);
    return b;
  };
  const TLoaderFactory loaders = [&] { return plain; };
  const TConvertRunResult r1 = RunConversion(sources, one.path(), cfJPEG, s, loaders, {}, 1);
  const TConvertRunResult r4 = RunConversion(sources, many.path(), cfJPEG, s, loaders, {}, 4);
  ASSERT_EQ(r1.Outcomes.size(), r4.Outcomes.size());
  EXPECT_TRUE(r4.NotProcessed);
  for (size_t i = 0; i < r1.Outcomes.size(); ++i) {
    EXPECT_EQ(r1.Outcomes[i].Status, r4.Outcomes[i].Status) << i;
    if (r1.Outcomes[i].Status != csConverted) continue;
    const QString name = QFileInfo(r1.Outcomes[i].Target).fileName();
    EXPECT_EQ(digest(one.filePath(name)), digest(many.filePath(name))) << name.toStdString();
  }

  // Again into the filled folder: the questions come in order; No at the third ends the run.
  QStringList asked;
  TConvertHooks hooks;
  hooks.AskOverwrite = [&](const QString& name) {
    asked << name;
    return asked.size() < 3;
  };
  const TConvertRunResult again = RunConversion(sources, many.path(), cfJPEG, s, loaders, hooks, 3);
  EXPECT_EQ(asked, QStringList({"p0.jpg", "p1.jpg", "p2.jpg"}));
  EXPECT_TRUE(again.Stopped);
  EXPECT_FALSE(again.StoppedByUser);
  EXPECT_EQ(again.Outcomes[1].Status, csConverted);
  EXPECT_EQ(again.Outcomes[2].Status, csNotReached);
  EXPECT_EQ(again.Outcomes.back().Status, csNotReached);

  QTemporaryDir stopped;
  int progressCalls = 0;
  TConvertHooks stop;
  stop.Progress = [&](int n, int total) {
    EXPECT_EQ(total, sources.size());
    progressCalls = n;
  };
  stop.StopRequested = [&] { return progressCalls == 2; };
  const TConvertRunResult cut = RunConversion(sources, stopped.path(), cfJPEG, s, loaders, stop, 2);
  EXPECT_TRUE(cut.StoppedByUser);
  EXPECT_EQ(QDir(stopped.path()).entryList(QDir::Files), QStringList({"p0.jpg", "p1.jpg"}));
}

// A target that appears between the look and the write (another program, another run) is
// not replaced: only a file the user agreed to replace is.
TEST(RunConversion, ATargetThatAppearsMeanwhileIsLeftAlone) {
  QTemporaryDir src, dst;
  writeBmp(src.filePath("a.bmp"), gradient(8, 8));
  const QString target = dst.filePath("a.png");
  TConvertHooks hooks;
  hooks.FileStarted = [&](const QString&) {
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("someone else's");
  };
  const TPictureLoader plain = [](const QString& path) {
    TBitmap b;
    view::LoadPicture(path, b, nullptr);
    return b;
  };
  const TConvertRunResult run = ConvertFiles({src.filePath("a.bmp")}, dst.path(), cfPNG, {}, plain, hooks);
  EXPECT_EQ(run.Outcomes[0].Status, csFailed);
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("someone else's"));
  EXPECT_EQ(QDir(dst.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.png"}));  // no temporary left
}
