// Picture streams that never end (a pipe, a device) and huge sparse files: each graphic reads
// a bounded amount, refusing a stream from its first bytes when they are not its format, and
// a huge file after its signature.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "decode/png_graphic.h"
#include "decode/spi_graphic.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "platform/source_bytes.h"
#include "tests/support/huge_files.h"

namespace {

using Make = std::function<std::unique_ptr<graphics::TGraphic>()>;

struct Kind {
  const char* suffix;
  QByteArray signature;
  Make make;
};

const Kind kKinds[] = {
    {".bmp", "BM", [] { return std::make_unique<graphics::TBMPGraphic>(); }},
    {".jpg", "\xFF\xD8\xFF\xE0", [] { return std::make_unique<graphics::TJPEGImage>(); }},
    {".png", "\x89PNG\r\n\x1A\n", [] { return std::make_unique<decode::TQVPNG>(); }},
    {".tga", "", [] { return std::make_unique<decode::TSPIGraphic>(); }},
};

constexpr int64_t kChunkSlack = int64_t(1) << 20;
// QIODevice fills its buffer when asked for the signature's few bytes.
constexpr int64_t kReadAhead = 64 * 1024;

TEST(EndlessStreams, AreReadOnlyUpToTheCap) {
  const long before = hugefiles::PeakKb();
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.suffix);
    hugefiles::EndlessDevice stream(k.signature);
    EXPECT_THROW(k.make()->LoadFromStream(stream), graphics::EInvalidGraphic);
    EXPECT_LE(stream.Served(), platform::kMaxStreamBytes + kChunkSlack);
  }
  EXPECT_LT(hugefiles::PeakKb() - before, hugefiles::kMaxPeakGrowthKb);
}

TEST(EndlessStreams, NotTheFormatIsRefusedAfterTheSignature) {
  for (const Kind& k : kKinds) {
    if (k.signature.isEmpty()) continue;  // plug-ins have none to check
    SCOPED_TRACE(k.suffix);
    hugefiles::EndlessDevice zeros{QByteArray()};
    EXPECT_THROW(k.make()->LoadFromStream(zeros), graphics::EInvalidGraphic);
    EXPECT_LE(zeros.Served(), kReadAhead);
  }
}

TEST(HugeSparseFiles, AreRefusedAfterTheirSignature) {
  QTemporaryDir dir;
  const long before = hugefiles::PeakKb();
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.suffix);
    const QString path = hugefiles::Sparse(dir.filePath(QStringLiteral("huge") + k.suffix));
    EXPECT_THROW(k.make()->LoadFromFile(path), graphics::EInvalidGraphic);
    QFile::remove(path);
  }
  EXPECT_LT(hugefiles::PeakKb() - before, hugefiles::kMaxPeakGrowthKb);
}

}  // namespace
