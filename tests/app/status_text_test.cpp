#include "app/status_text.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusText, FileSizeInTheThreeRanges) {
  const QLocale en(QLocale::English, QLocale::UnitedStates);
  const QLocale de(QLocale::German, QLocale::Germany);
  struct Case {
    uint32_t size;
    const char* en;
    const char* de;
  } cases[] = {
      {0, "0 Bytes", "0 Bytes"},
      {1023, "1,023 Bytes", "1.023 Bytes"},
      {1024, "1 KB", "1 KB"},
      {1048575, "1,023 KB", "1.023 KB"},
      {1048576, "1.00 MB", "1,00 MB"},
      {5000000, "4.77 MB", "4,77 MB"},
      {0xFFFFFFFFu, "4,096.00 MB", "4.096,00 MB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::FileSizeText(c.size, en), c.en) << c.size;
    EXPECT_EQ(app::FileSizeText(c.size, de), c.de) << c.size;
  }
  // The C locale omits grouping by default; sizes still show it.
  EXPECT_EQ(app::FileSizeText(1023, QLocale::c()), "1,023 Bytes");
}

TEST(StatusText, PanelTexts) {
  EXPECT_EQ(app::TotalText(12), "Total： 12 files");
  EXPECT_EQ(app::CountText(3, 12), "Count： 3/12");
  EXPECT_EQ(app::PixelsText(1600, 1200), "1600×1200 Pixels");
  EXPECT_EQ(app::TotalText(12345), "Total： 12345 files");
}

}  // namespace
