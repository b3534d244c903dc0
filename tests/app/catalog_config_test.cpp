#include "app/catalog_config.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(CatalogConfig, ThumbnailSettingsFromTheFileAndWhatADamagedOneGives) {
  const int cores = app::DefaultThumbThreads();
  const struct {
    const char* text;
    QSize box;
    int threads;
    bool lookAhead;
    int memoryMB;
  } cases[] = {
      {"", {100, 80}, cores, false, 64},
      {"[Catalog]\nAWidth=120\nAHeight=90\nThreads=1\nLookAhead=1\nThumbMemory=256\n", {120, 90}, 1, true, 256},
      // Only 1 means yes; a cap too small to hold a page is raised; a huge one is held.
      {"[Catalog]\nAWidth=5\nAHeight=99999\nThreads=-3\nLookAhead=2\nThumbMemory=1\n", {100, 80}, cores, false, 8},
      {"[Catalog]\nThreads=1000\nThumbMemory=99999999\n", {100, 80}, 64, false, 65536},
      {"[Catalog]\nThumbMemory=lots\n", {100, 80}, cores, false, 64},
  };
  for (const auto& c : cases) {
    QTemporaryDir dir;
    QFile f(dir.filePath("t.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(c.text);
    f.close();
    const app::TCatalogConfig config = app::ReadCatalogConfig(settings::TIniFile(dir.filePath("t.ini")));
    EXPECT_EQ(config.Box, c.box) << c.text;
    EXPECT_EQ(config.Threads, c.threads) << c.text;
    EXPECT_EQ(config.LookAhead, c.lookAhead) << c.text;
    EXPECT_EQ(config.ThumbMemoryMB, c.memoryMB) << c.text;
  }
}

}  // namespace
