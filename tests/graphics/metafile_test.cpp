#include "graphics/metafile_graphic.h"

#include <gtest/gtest.h>

#include "tests/support/gui_environment.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

using namespace graphics;

namespace {

const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment("graphics_tests"));

QByteArray fixture(const char* name) {
  QFile f(QStringLiteral(QIVO2_TEST_DATA "/metafile/") + name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QColor pixel(const TBitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + 3 * x;
  return QColor(p[2], p[1], p[0]);
}

// Both fixtures are 100 x 50 with a red left half and nothing drawn on the right.
const char* const kFixtures[] = {"red_left.emf", "red_left.wmf"};

}  // namespace

TEST(Metafile, FixturesAreRecognisedByTheirHeader) {
  EXPECT_EQ(DetectMetafile(fixture("red_left.emf")), TMetafileKind::Emf);
  EXPECT_EQ(DetectMetafile(fixture("red_left.wmf")), TMetafileKind::Wmf);
  EXPECT_EQ(DetectMetafile("BM not a metafile at all, only some text padding it out"), TMetafileKind::None);
}

TEST(Metafile, NaturalSizeOnWhite) {
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    const QByteArray data = fixture(name);
    ASSERT_FALSE(data.isEmpty());
    QBuffer buf;
    buf.setData(data);
    ASSERT_TRUE(buf.open(QIODevice::ReadOnly));
    TMetafileGraphic g;
    g.LoadFromStream(buf);
    EXPECT_NEAR(g.Width(), 100, 1);
    EXPECT_NEAR(g.Height(), 50, 1);
    EXPECT_EQ(pixel(g.Bitmap(), 25, 25), QColor(255, 0, 0));
    EXPECT_EQ(pixel(g.Bitmap(), 75, 25), QColor(255, 255, 255));
  }
}

TEST(Metafile, RequestedSizeOnBackground) {
  const QColor blue(0, 0, 255);
  for (const char* name : kFixtures) {
    SCOPED_TRACE(name);
    const TBitmap b = RenderMetafile(fixture(name), QSize(40, 20), blue);
    ASSERT_EQ(b.Width(), 40);
    ASSERT_EQ(b.Height(), 20);
    EXPECT_EQ(pixel(b, 10, 10), QColor(255, 0, 0));
    EXPECT_EQ(pixel(b, 30, 10), blue);
  }
}

TEST(Metafile, LoadsThroughTheRegistry) {
  RegisterBuiltinFormats();
  const auto g = TPictureFormats::Instance().LoadFromFile(QStringLiteral(QIVO2_TEST_DATA "/metafile/red_left.wmf"));
  EXPECT_EQ(pixel(g->Bitmap(), 25, 25), QColor(255, 0, 0));
  EXPECT_EQ(TPictureFormats::Instance().Description("emf"), "Enhanced Metafiles");
}

TEST(Metafile, DamagedFilesAreInvalidGraphics) {
  const QByteArray emf = fixture("red_left.emf"), wmf = fixture("red_left.wmf");
  QByteArray zeroRecord = emf;
  zeroRecord[108 + 4] = 0;  // first record after the header claims size 0
  QByteArray emfLongerThanFile = emf;
  emfLongerThanFile[48 + 2] = 1;  // total length 64 KiB more than there is
  QByteArray wmfZeroRecord = wmf;
  for (int i = 0; i < 4; ++i) wmfZeroRecord[22 + 18 + i] = 0;
  const struct {
    const char* what;
    QByteArray data;
  } cases[] = {
      {"empty", QByteArray()},
      {"text", QByteArray("hello, this is not a picture of anything at all, just words\n").repeated(4)},
      {"emf cut in the header", emf.left(60)},
      {"emf cut before its end record", emf.left(emf.size() - 20)},
      {"emf zero-sized record", zeroRecord},
      {"emf longer than the file", emfLongerThanFile},
      {"wmf cut in the header", wmf.left(30)},
      {"wmf cut before its end record", wmf.left(wmf.size() - 6)},
      {"wmf zero-sized record", wmfZeroRecord},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(RenderMetafile(c.data, QSize(), Qt::white), EInvalidGraphic);
  }
}
