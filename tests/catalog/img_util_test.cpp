#include "catalog/img_util.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/gui_environment.h"

#include <cstdlib>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "tests/support/byte_names.h"
#include "catalog/img_list.h"
#include "catalog/img_util_png.h"
#include "catalog/thumb_cache.h"
#include "edit/resample.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"

using namespace catalog;
using graphics::TBitmap;

// fontconfig keeps a cache for the process's life; LeakSanitizer would call it a leak.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment("catalog_tests"));

TBitmap gradient(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x * 255 / w);
      p[1] = uint8_t(y * 255 / h);
      p[2] = uint8_t((x + y) & 0xFF);
    }
  return b;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray jpegOf(const TBitmap& b) {
  graphics::TJPEGImage j;
  j.Assign(b);
  return j.SaveToMemory();
}

class ImgUtil : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString file(const QString& name, const QByteArray& bytes) {
    const QString p = dir.filePath(name);
    writeFile(p, bytes);
    return p;
  }
  QTemporaryDir dir;
  TImgUtil util;
};

}  // namespace

TEST(ImgUtilScaling, FitRectAndGetTypeSizes) {
  struct Case {
    TGetType type;
    int w, h, W, H, ew, eh;
  } cases[] = {
      {TGetType::igtPreview, 100, 50, 94, 94, 94, 47},
      {TGetType::igtPreview, 50, 100, 94, 94, 47, 94},
      {TGetType::igtPreview, 60, 40, 94, 94, 60, 40},
      {TGetType::igtPreview, 1600, 1200, 94, 94, 94, 70},
      {TGetType::igtPreview, 300, 100, 100, 80, 100, 33},
      {TGetType::igtPreview, 100, 300, 100, 20, 6, 20},
      {TGetType::igtStretch, 60, 40, 94, 94, 94, 62},
      {TGetType::igtStretch, 40, 60, 94, 94, 62, 94},
      {TGetType::igtStretch, 90, 10, 94, 94, 94, 10},
      {TGetType::igtStretch, 200, 100, 94, 94, 94, 47},
      {TGetType::igtFit, 60, 40, 94, 94, 94, 94},
      {TGetType::igtNormal, 300, 200, 94, 94, 300, 200},
      // A thin strip keeps a side of one pixel instead of staying whole.
      {TGetType::igtPreview, 2000, 10, 94, 94, 94, 1},
      {TGetType::igtPreview, 10, 2000, 94, 94, 1, 94},
      {TGetType::igtPreview, 2000, 10, 100, 80, 100, 1},
      {TGetType::igtStretch, 2000, 10, 94, 94, 94, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.type) << " " << c.w << "x" << c.h);
    TImgUtil u;
    u.GetType = c.type;
    u.Bitmap = gradient(c.w, c.h);
    u.ScaleBitmap(c.W, c.H);
    EXPECT_EQ(u.Bitmap.Width(), c.ew);
    EXPECT_EQ(u.Bitmap.Height(), c.eh);
  }
  TImgUtil u;
  u.ScaleBitmap(94, 94);  // a 0 x 0 picture keeps its size
  EXPECT_TRUE(u.Bitmap.Empty());
  EXPECT_EQ(TImgUtil::FitRect(0, 0, 94, 94), QRect(0, 0, 0, 0));
  EXPECT_EQ(TImgUtil::FitRect(0, 200, 94, 94), QRect(0, 0, 94, 94));
}

TEST(ImgUtilScaling, JpegReductionChoice) {
  using namespace graphics;
  struct Case {
    int w, h, W, H;
    TJPEGScale scale;
  } cases[] = {
      {1600, 1200, 94, 94, jsEighth},  {800, 600, 94, 94, jsQuarter},  {400, 300, 94, 94, jsHalf},
      {150, 150, 94, 94, jsFullSize},  {2560, 1600, 100, 80, jsEighth}, {1200, 1600, 94, 94, jsEighth},
      {4000, 300, 94, 94, jsHalf},     {752, 752, 94, 94, jsEighth},    {751, 752, 94, 94, jsQuarter},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TImgUtil::JpegScaleFor(c.w, c.h, c.W, c.H), c.scale) << c.w << "x" << c.h;
}

TEST_F(ImgUtil, DetectTypeRulesInOrder) {
  struct Custom : TImgCustom {
    bool CanLoad(const QString& p) const override { return p.endsWith(".png"); }
    bool Load(const QString&, TBitmap&) override { return false; }
  } custom;
  struct Plugins : TImgPlugins {
    int IndexOfSupporting(const QString& p) const override { return p.endsWith(".pi") ? 0 : -1; }
    int GetBitmap(const QString&, TBitmap&) override { return 1; }
  } plugins;
  util.Custom = &custom;
  util.SPlugin = &plugins;
  util.SetTextExt("*.log;*.ini");
  EXPECT_EQ(util.TextMask(), ";.log;.ini;");
  QDir().mkpath(dir.filePath("sub"));
  using enum TImageType;
  struct Case {
    QString path;
    TImageType type;
  } cases[] = {
      {"/x/a.png", iitCustom},   {"/x/a.BMP", iitBmp},      {"/x/a.Jpeg", iitJpeg}, {"/x/a.jpg", iitJpeg},
      {"/x/a.ico", iitIco},      {"/x/a.cur", iitCur},      {"/x/a.ani", iitAni},   {"/x/a.exe", iitExe},
      {"/x/a.dll", iitDll},      {"/x/a.htm", iitHtml},     {"/x/a.eml", iitEml},   {"/x/a.TXT", iitTxt},
      {"/x/a.avi", iitAvi},      {"/x/readme.lo", iitTxt},  {"/x/a.ini", iitTxt},   {"/x/a.pi", iitSusie},
      {"/x/a.xyz", iitNone},     {"/x/README", iitNone},    {"/", iitDir},          {dir.filePath("sub"), iitDir},
      {"/x/a.emf", iitEmf},      {"/x/a.WMF", iitWmf},      {"/x/a.", iitNone},
  };
  for (const Case& c : cases) {
    int status = -1;
    EXPECT_EQ(util.DetectType(c.path, &status), c.type) << c.path.toStdString();
    EXPECT_EQ(status, c.type == iitNone ? 3 : 0);
  }
  util.SPlugin = nullptr;  // no plug-in host: plug-in kinds are not recognised
  EXPECT_EQ(util.DetectType("/x/a.pi"), iitNone);
}

TEST_F(ImgUtil, LargeJpegIsReducedByDctThenResampled) {
  const TBitmap source = gradient(1600, 1200);
  const QByteArray data = jpegOf(source);
  const QString p = file("big.jpg", data);
  util.Performance = graphics::jpBestSpeed;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.ImageType, TImageType::iitJpeg);
  EXPECT_EQ(util.SourceWidth, 1600);
  EXPECT_EQ(util.SourceHeight, 1200);
  graphics::TJPEGImage j;
  j.SetPerformance(graphics::jpBestSpeed);
  j.SetScale(graphics::jsEighth);
  j.LoadFromMemory(data);
  ASSERT_EQ(j.Bitmap().Width(), 200);
  TBitmap expected = j.Bitmap();
  edit::Resample(expected, 94, 70);
  EXPECT_TRUE(util.Bitmap == expected);
}

TEST_F(ImgUtil, BoxSizedJpegIsCopied) {
  const QString p = file("exact.jpg", jpegOf(gradient(94, 70)));
  ASSERT_EQ(util.Load(p, 94, 0, 70), 0);
  EXPECT_EQ(util.Bitmap.Width(), 94);
  EXPECT_EQ(util.Bitmap.Height(), 70);
}

TEST_F(ImgUtil, BadInputGivesCodesAndIconPicture) {
  struct Case {
    QString name;
    QByteArray bytes;
    int result;
  } cases[] = {
      {"broken.jpg", "\xFF\xD8 not really", -1},
      {"empty.jpg", "", -1},
      {"broken.bmp", "BM\x10\0\0\0", -1},
      {"plain.xyz", "whatever", 0},  // not a picture kind: the icon picture
      {"bad.avi", "RIFF....AVI ", -1},
      {"broken.wmf", QByteArray("\xD7\xCD\xC6\x9A\0\0", 6), -1},
      {"broken.emf", "\x01\0\0\0 EMF", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    const QString p = file(c.name, c.bytes);
    EXPECT_EQ(util.Load(p, 94, 0, 94), c.result);
    EXPECT_FALSE(util.Bitmap.Empty());
    EXPECT_EQ(util.Bitmap.Width(), util.SourceWidth);
  }
  EXPECT_EQ(util.Load(dir.filePath("missing.jpg"), 94, 0, 94), 1);
}

TEST_F(ImgUtil, BmpRecordsSourceSize) {
  const QString p = file("pic.bmp", graphics::WriteBMP(gradient(300, 100)));
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.SourceWidth, 300);
  EXPECT_EQ(util.SourceHeight, 100);
  EXPECT_EQ(util.Bitmap.Width(), 94);
  EXPECT_EQ(util.Bitmap.Height(), 31);
  util.GetType = TGetType::igtNormal;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.Bitmap.Width(), 300);
}

TEST_F(ImgUtil, MetafilesAreDrawnOnBackgroundAndScaled) {
  // The fixtures are 100 x 50: a red left half, nothing drawn on the right.
  const QColor green(0, 160, 0);
  auto near = [](const TBitmap& b, int x, int y, const QColor& c) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return std::abs(p[2] - c.red()) <= 8 && std::abs(p[1] - c.green()) <= 8 && std::abs(p[0] - c.blue()) <= 8;
  };
  for (const char* name : {"red_left.emf", "red_left.wmf"}) {
    SCOPED_TRACE(name);
    const QString p = dir.filePath(name);
    ASSERT_TRUE(QFile::copy(QStringLiteral(QIVO2_TEST_DATA "/metafile/") + name, p));
    util.BKColor = green;
    util.GetType = TGetType::igtPreview;
    ASSERT_EQ(util.Load(p, 50, 0, 50), 0);
    EXPECT_EQ(util.ImageType, QString(name).endsWith("emf") ? TImageType::iitEmf : TImageType::iitWmf);
    EXPECT_NEAR(util.SourceWidth, 100, 1);
    EXPECT_NEAR(util.SourceHeight, 50, 1);
    EXPECT_EQ(util.Bitmap.Width(), 50);
    EXPECT_NEAR(util.Bitmap.Height(), 25, 1);
    EXPECT_TRUE(near(util.Bitmap, 12, 12, Qt::red));
    EXPECT_TRUE(near(util.Bitmap, 37, 12, green));
    util.GetType = TGetType::igtNormal;
    ASSERT_EQ(util.Load(p, 50, 0, 50), 0);
    EXPECT_EQ(util.Bitmap.Width(), util.SourceWidth);
    EXPECT_TRUE(near(util.Bitmap, 75, 25, green));
  }
}

TEST_F(ImgUtil, TextFileIsDrawnWithFont) {
  util.SetTextExt("*.log");
  QByteArray text;
  for (int i = 0; i < 200; ++i) text += "line " + QByteArray::number(i) + " with some words\r\n";
  text += QByteArray(3, '\0') + "after zero";
  const QString p = file("readme.lo", text);
  util.GetType = TGetType::igtNormal;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.ImageType, TImageType::iitTxt);
  EXPECT_EQ(util.Bitmap.Width(), 188);
  EXPECT_EQ(util.Bitmap.Height(), 188);
  EXPECT_EQ(util.SourceWidth, 188);
  int dark = 0;
  for (int y = 0; y < util.Bitmap.Height(); ++y)
    for (int x = 0; x < util.Bitmap.Width(); ++x) dark += util.Bitmap.ScanLine(y)[3 * x] < 128;
  EXPECT_GT(dark, 100);
  util.GetType = TGetType::igtPreview;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.Bitmap.Width(), 94);
}

TEST_F(ImgUtil, HtmlAndEmailAreLaidOut) {
  const QString html = file("page.html", "<html><body><h1>Title</h1><p>Some text</p></body></html>");
  const QString eml = file("mail.eml",
                           "From: a@b\r\nSubject: hello\r\nContent-Type: multipart/alternative; boundary=\"XX\"\r\n\r\n"
                           "--XX\r\nContent-Type: text/plain\r\n\r\nBody text\r\n--XX--\r\n");
  for (const QString& p : {html, eml}) {
    ASSERT_EQ(util.Load(p, 100, 0, 80), 0);
    EXPECT_EQ(util.SourceWidth, 640);
    EXPECT_EQ(util.SourceHeight, 512);
    EXPECT_EQ(util.Bitmap.Width(), 100);
    EXPECT_EQ(util.Bitmap.Height(), 80);
  }
}

TEST_F(ImgUtil, VideoFrameAtPercent) {
  const QString p = QString(QIVO2_TEST_DATA) + "/thumbs/five_frames.avi";
  util.GetType = TGetType::igtNormal;
  struct Case {
    int pos, blue;
  } cases[] = {{20, 50}, {0, 0}, {60, 150}};
  for (const Case& c : cases) {
    util.AviFramePos = c.pos;
    ASSERT_EQ(util.Load(p, 94, 0, 94), 0) << c.pos;
    ASSERT_EQ(util.Bitmap.Width(), 16);
    ASSERT_EQ(util.Bitmap.Height(), 8);
    EXPECT_EQ(util.Bitmap.ScanLine(4)[0], c.blue) << c.pos;
    EXPECT_EQ(util.Bitmap.ScanLine(4)[2], 200);
  }
}

TEST_F(ImgUtil, CacheIsUsedAndBrokenCacheIgnored) {
  QDir().mkpath(dir.filePath("Cache"));
  TThumb thumb;
  thumb.Path = dir.filePath("Cache");
  thumb.FileName = "pics";
  util.Thumbnail = &thumb;
  util.AutoThumb = true;
  const QString p = file("pic.bmp", graphics::WriteBMP(gradient(300, 100)));
  const int before = TImgUtil::DecoderCalls();
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before + 1);
  ASSERT_TRUE(QFile::exists(dir.filePath("Cache/pics.dat")));
  util.SourceWidth = 0;
  ASSERT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before + 1);  // from the cache
  EXPECT_EQ(util.SourceWidth, 300);
  EXPECT_EQ(util.SourceHeight, 100);
  EXPECT_EQ(util.Bitmap.Width(), 94);
  EXPECT_EQ(util.Bitmap.Height(), 31);
  EXPECT_EQ(thumb.Header().Width, 94u);

  writeFile(dir.filePath("Cache/pics.dat"), "this is not a cache file");
  EXPECT_EQ(util.Load(p, 94, 0, 94), 0);
  EXPECT_EQ(util.Bitmap.Width(), 94);
  EXPECT_EQ(TImgUtil::DecoderCalls(), before + 2);
}

TEST(ImgList, CellsSheetsAndCentring) {
  TImgList list(100, 80, 1024, 2048);
  EXPECT_EQ(list.Columns(), 10);
  EXPECT_EQ(list.Rows(), 25);
  EXPECT_EQ(list.CellsPerSheet(), 250);
  list.SetBkColor(QColor(1, 2, 3));
  for (int i = 0; i < 260; ++i) EXPECT_EQ(list.Add(gradient(40, 20)), i);
  EXPECT_EQ(list.SheetCount(), 2);
  EXPECT_EQ(list.Sheet(0).Height(), 2000);
  EXPECT_LE(list.Sheet(1).Height(), 2000);
  EXPECT_EQ(list.SheetOf(253), 1);
  EXPECT_EQ(list.CellRect(253), QRect(300, 0, 100, 80));
  EXPECT_EQ(list.CellRect(12), QRect(200, 80, 100, 80));
  const QImage cell = list.Picture(253);
  // Centred: the 40 x 20 picture starts at (30, 30).
  EXPECT_EQ(cell.pixelColor(29, 29), QColor(1, 2, 3));
  EXPECT_NE(cell.pixelColor(30, 30), QColor(1, 2, 3));
  EXPECT_EQ(cell.pixelColor(70, 30), QColor(1, 2, 3));
  // Larger than the cell: cropped, not scaled.
  const int big = list.Add(gradient(300, 100));
  const QImage bigCell = list.Picture(big);
  EXPECT_EQ(bigCell.size(), QSize(100, 80));
  EXPECT_NE(bigCell.pixelColor(99, 79), QColor(1, 2, 3));
  list.SetCellSize(50, 50);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Picture(0).isNull());
}

TBitmap solid(int w, int h, uint8_t v) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) std::memset(b.ScanLine(y), v, size_t(w) * 3);
  return b;
}

TEST(ImgList, UnderALimitTheLeastRecentlyShownCellsAreTaken) {
  // Cells of 10 x 10 on sheets 40 wide: four cells a row, 1,200 bytes a row.
  TImgList list(10, 10, 40, 100);
  list.SetMemoryLimit(2 * 1200);  // two rows: eight cells
  std::vector<int> dropped;
  list.OnDrop = [&](int owner) { dropped.push_back(owner); };
  for (int i = 0; i < 8; ++i) {
    list.NextFrame();
    EXPECT_EQ(list.Add(solid(10, 10, uint8_t(i)), 100 + i), i);
  }
  EXPECT_EQ(list.MemoryUsed(), 2400);
  EXPECT_FALSE(list.HasRoom());
  // Shown again lately: 0 and 1 are no longer the oldest.
  list.NextFrame();
  list.Touch(0);
  list.Touch(1);
  list.NextFrame();
  const int a = list.Add(solid(10, 10, 200), 200);
  const int b = list.Add(solid(10, 10, 201), 201);
  EXPECT_EQ(dropped, (std::vector<int>{102, 103}));
  EXPECT_EQ((std::vector<int>{a, b}), (std::vector<int>{2, 3}));
  EXPECT_EQ(list.MemoryUsed(), 2400);
  EXPECT_EQ(list.Count(), 8);
  // The reused cell holds only the new picture (a smaller one leaves no trace of the old).
  const int small = list.Add(solid(4, 4, 50), 300);
  const QImage cell = list.Picture(small);
  EXPECT_EQ(cell.pixelColor(0, 0), QColor(255, 255, 255));
  EXPECT_EQ(cell.pixelColor(3, 3), QColor(50, 50, 50));
  // A picture nobody sees never pushes another out.
  dropped.clear();
  EXPECT_EQ(list.Add(solid(10, 10, 9), 400, false), -1);
  EXPECT_TRUE(dropped.empty());
  // A freed cell is used first, by anything.
  list.Remove(a);
  EXPECT_TRUE(list.HasRoom());
  EXPECT_EQ(list.Add(solid(10, 10, 9), 401, false), a);
  EXPECT_TRUE(dropped.empty());
}

TEST(ImgList, WhatIsOnScreenStaysEvenPastTheLimit) {
  TImgList list(10, 10, 40, 100);
  list.SetMemoryLimit(1);  // less than one row: an empty store still takes one
  std::vector<int> dropped;
  list.OnDrop = [&](int owner) { dropped.push_back(owner); };
  list.NextFrame();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list.Add(solid(10, 10, uint8_t(i)), i), i);
  EXPECT_TRUE(dropped.empty());
  EXPECT_EQ(list.MemoryUsed(), 2 * 1200);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list.Picture(i).pixelColor(5, 5), QColor(i, i, i));
  // The next frame shows other pictures: the two cells left free are used, then the old
  // pictures go, oldest first, and no more rows are added.
  list.NextFrame();
  for (int i = 6; i < 12; ++i) list.Add(solid(10, 10, uint8_t(i)), i);
  EXPECT_EQ(dropped, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(list.MemoryUsed(), 2 * 1200);
}

TEST_F(ImgUtil, PngThroughCustomHandler) {
  TImgCustomPNG png;
  util.Custom = &png;
  const QString good = file("pic.PNG", [] {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImage img(300, 100, QImage::Format_RGB32);
    img.fill(QColor(10, 20, 30));
    img.save(&buf, "PNG");
    return bytes;
  }());
  EXPECT_EQ(util.DetectType(good), TImageType::iitCustom);
  ASSERT_EQ(util.Load(good, 94, 0, 94), 0);
  EXPECT_EQ(util.SourceWidth, 300);
  EXPECT_EQ(util.Bitmap.Width(), 94);
  EXPECT_EQ(util.Bitmap.ScanLine(10)[0], 30);
  EXPECT_EQ(util.Load(file("bad.png", "\x89PNG\r\n\x1a\n broken"), 94, 0, 94), -1);
}

TEST_F(ImgUtil, NamesThatAreNotUtf8GetThumbnailsAndCacheRecords) {
  const ByteNameCleanup cleanup(dir.path());
  QDir().mkpath(dir.filePath("Cache"));
  TThumb thumb;
  thumb.Path = dir.filePath("Cache");
  thumb.FileName = "pics";
  TImgCustomPNG png;
  util.Custom = &png;
  util.Thumbnail = &thumb;
  util.AutoThumb = true;
  QByteArray pngBytes;
  {
    QBuffer buf(&pngBytes);
    buf.open(QIODevice::WriteOnly);
    QImage(70, 35, QImage::Format_RGB32).save(&buf, "PNG");
  }
  QFile avi(QString(QIVO2_TEST_DATA) + "/thumbs/five_frames.avi");
  ASSERT_TRUE(avi.open(QIODevice::ReadOnly));
  // Each picture has its own width, so a look-alike's picture would show.
  struct Case {
    QByteArray name, bytes;
    int width;
  } cases[] = {
      {ByteNames()[0], jpegOf(gradient(300, 100)), 300},
      {ByteNames()[1], jpegOf(gradient(200, 100)), 200},
      {ByteNames()[2], jpegOf(gradient(100, 100)), 100},
      {"caf\xe9.bmp", graphics::WriteBMP(gradient(150, 50)), 150},
      {"caf\xe9.png", pngBytes, 70},
      {"\xff\xfe.avi", avi.readAll(), 16},
  };
  const QString pics = dir.filePath("pics");
  QDir().mkpath(pics);
  for (const Case& c : cases) ASSERT_TRUE(WriteBytePath(BytePath(pics, c.name), c.bytes));
  for (int pass = 0; pass < 2; ++pass) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name.toHex().toStdString() + (pass ? " from the cache" : " decoded"));
      const QString path = BytePath(pics, c.name);
      EXPECT_NE(util.DetectType(path), TImageType::iitNone);
      const int before = TImgUtil::DecoderCalls();
      ASSERT_EQ(util.Load(path, 94, 0, 94), 0) << util.LastError.toStdString();
      EXPECT_EQ(util.SourceWidth, c.width);
      EXPECT_EQ(TImgUtil::DecoderCalls(), before + (pass == 0 ? 1 : 0));
    }
  }
  QFile cache(dir.filePath("Cache/pics.dat"));
  ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
  const QByteArray recorded = cache.readAll();
  for (const Case& c : cases) EXPECT_TRUE(recorded.contains(platform::PathBytes(pics) + "/" + c.name)) << c.name.toHex().constData();
}
