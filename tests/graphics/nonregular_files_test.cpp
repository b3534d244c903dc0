// Picture files that are FIFOs, sockets or dangling links are refused without reading.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "graphics/bmp_graphic.h"
#include "graphics/icon_graphic.h"
#include "graphics/jpeg_image.h"
#include "graphics/metafile_graphic.h"
#include "tests/support/nonregular_files.h"

using namespace graphics;

namespace {

TEST(SpecialFilesNeverBlock, GraphicsRefuseThemWithTheReason) {
  QTemporaryDir dir;
  SpecialFiles special;
  const std::pair<const char*, std::function<std::unique_ptr<TGraphic>()>> graphics[] = {
      {".bmp", [] { return std::make_unique<TBMPGraphic>(); }},
      {".jpg", [] { return std::make_unique<TJPEGImage>(); }},
      {".emf", [] { return std::make_unique<TMetafileGraphic>(); }},
      {".ico", [] { return std::make_unique<TIconGraphic>(); }},
  };
  for (const auto& [suffix, make] : graphics) {
    const QStringList paths = special.All(QDir(dir.path()), suffix);
    const platform::FileError want[] = {platform::FileError::NotRegular, platform::FileError::NotRegular,
                                        platform::FileError::NotFound};
    for (int i = 0; i < paths.size(); ++i) {
      SCOPED_TRACE(paths[i].toStdString());
      ASSERT_TRUE(special.FinishesWithoutBlocking([&] {
        auto g = make();
        try {
          g->LoadFromFile(paths[i]);
          ADD_FAILURE() << "loaded";
        } catch (const EFileOpen& e) {
          EXPECT_EQ(e.Error(), want[i]);
        }
        EXPECT_FALSE(ReadJpegInfoFromFile(paths[i]));
      }));
    }
  }
}

}  // namespace
