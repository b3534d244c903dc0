#include "extras/wallpaper.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "graphics/bmp_graphic.h"
#include "platform/regular_file.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"

using namespace extras;
namespace keys = settings::keys;

namespace {

// Records every command; answers the listing command with `listing`.
struct FakeRunner {
  QStringList calls;
  QByteArray listing;
  bool ok = true;
  TCommandRunner Runner() {
    return [this](const QString& program, const QStringList& args, QByteArray* out) {
      calls << program + " " + args.join(u' ');
      if (out) *out = listing;
      return ok;
    };
  }
};

class WallpaperHome : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    qputenv("QIVO2_HOME", home_.path().toUtf8());
  }
  void TearDown() override { qunsetenv("QIVO2_HOME"); }
  QTemporaryDir home_;
};

}  // namespace

TEST(Wallpaper, TileValueAndStretchSizes) {
  EXPECT_EQ(TileWallpaperValue(0), "0");
  EXPECT_EQ(TileWallpaperValue(1), "1");
  EXPECT_EQ(TileWallpaperValue(2), "0");
  struct Case {
    QSize picture, want;
  } cases[] = {
      {{400, 300}, {1024, 768}}, {{300, 400}, {576, 768}}, {{500, 500}, {768, 768}},
      {{10000, 1}, {1024, 1}},   {{1, 10000}, {1, 768}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StretchedWallpaperSize(c.picture, {1024, 768}), c.want) << c.picture.width() << "x" << c.picture.height();
}

TEST(Wallpaper, PreparedPictureIs24BitAtItsSize) {
  graphics::TBitmap picture(400, 300, graphics::TPixelFormat::pf8bit);
  const graphics::TBitmap centre = PrepareWallpaper(picture, TWallpaperPosition::Centre, {1024, 768});
  EXPECT_EQ(centre.BitsPerPixel(), 24);
  EXPECT_EQ(QSize(centre.Width(), centre.Height()), QSize(400, 300));
  const graphics::TBitmap stretched = PrepareWallpaper(picture, TWallpaperPosition::Stretch, {1024, 768});
  EXPECT_EQ(QSize(stretched.Width(), stretched.Height()), QSize(1024, 768));
}

TEST(Wallpaper, DesktopNames) {
  struct Case {
    const char* name;
    TDesktop want;
  } cases[] = {
      {"ubuntu:GNOME", TDesktop::Gnome}, {"X-Cinnamon", TDesktop::Cinnamon}, {"MATE", TDesktop::Mate},
      {"KDE", TDesktop::Kde},            {"XFCE", TDesktop::Xfce},           {"", TDesktop::Other},
      {"LXQt", TDesktop::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(DesktopFromName(c.name), c.want) << c.name;
}

TEST(Wallpaper, DesktopCommands) {
  {
    FakeRunner r;
    EXPECT_EQ(SetDesktopWallpaper(TDesktop::Gnome, "/p/a b.bmp", TWallpaperPosition::Tile, r.Runner()),
              TDesktopResult::Done);
    EXPECT_EQ(r.calls, QStringList({
                           "gsettings set org.gnome.desktop.background picture-uri 'file:///p/a%20b.bmp'",
                           "gsettings set org.gnome.desktop.background picture-uri-dark 'file:///p/a%20b.bmp'",
                           "gsettings set org.gnome.desktop.background picture-options 'wallpaper'",
                       }));
  }
  {
    FakeRunner r;
    SetDesktopWallpaper(TDesktop::Mate, "/p/it's.bmp", TWallpaperPosition::Centre, r.Runner());
    EXPECT_EQ(r.calls.value(0), "gsettings set org.mate.background picture-filename '/p/it\\'s.bmp'");
    EXPECT_EQ(r.calls.value(1), "gsettings set org.mate.background picture-options 'centered'");
  }
  {
    FakeRunner r;  // removing
    SetDesktopWallpaper(TDesktop::Cinnamon, QString(), TWallpaperPosition::Centre, r.Runner());
    EXPECT_EQ(r.calls, QStringList({"gsettings set org.cinnamon.desktop.background picture-uri ''",
                                    "gsettings set org.cinnamon.desktop.background picture-options 'none'"}));
  }
  {
    FakeRunner r;
    r.listing = "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n";
    SetDesktopWallpaper(TDesktop::Xfce, "/p/q.bmp", TWallpaperPosition::Stretch, r.Runner());
    EXPECT_EQ(r.calls, QStringList({
                           "xfconf-query -c xfce4-desktop -l",
                           "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace0/image-style -n -t int -s 4",
                           "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace0/last-image -n -t string -s /p/q.bmp",
                       }));
  }
  FakeRunner failing;
  failing.ok = false;
  EXPECT_EQ(SetDesktopWallpaper(TDesktop::Gnome, "/p/q.bmp", TWallpaperPosition::Centre, failing.Runner()),
            TDesktopResult::Failed);
  FakeRunner none;
  EXPECT_EQ(SetDesktopWallpaper(TDesktop::Other, "/p/q.bmp", TWallpaperPosition::Centre, none.Runner()),
            TDesktopResult::Unsupported);
  EXPECT_TRUE(none.calls.isEmpty());
}

TEST_F(WallpaperHome, ApplyWritesTheFileAndTheValues) {
  const settings::TIniFile ini;
  FakeRunner r;
  const TWallpaperOutcome got = ApplyWallpaper(graphics::TBitmap(400, 300), TWallpaperPosition::Stretch, {1024, 768},
                                               ini, TDesktop::Other, r.Runner());
  EXPECT_TRUE(got.written);
  EXPECT_EQ(got.desktop, TDesktopResult::Unsupported);
  EXPECT_EQ(ini.Read(keys::DesktopTileWallpaper), "0");
  EXPECT_EQ(ini.Read(keys::DesktopWallpaper), WallpaperFilePath());
  const platform::FileBytes file = platform::ReadRegularFile(WallpaperFilePath(), 8 << 20);
  const graphics::TBitmap saved = graphics::ReadBMP(
      std::span(reinterpret_cast<const uint8_t*>(file.bytes.constData()), size_t(file.bytes.size())));
  EXPECT_EQ(QSize(saved.Width(), saved.Height()), QSize(1024, 768));

  EXPECT_EQ(RemoveWallpaper(ini, TDesktop::Other, r.Runner()), TDesktopResult::Unsupported);
  EXPECT_FALSE(QFile::exists(WallpaperFilePath()));
  EXPECT_EQ(ini.Read(keys::DesktopWallpaper), "");
}

TEST_F(WallpaperHome, RemovingWithNoWallpaperTouchesNoValue) {
  FakeRunner r;
  EXPECT_EQ(RemoveWallpaper(settings::TIniFile(), TDesktop::Gnome, r.Runner()), TDesktopResult::Done);
  EXPECT_FALSE(QFile::exists(settings::SettingsFileName()));  // nothing was written
}
