#pragma once
// The desktop wallpaper command's work without its window: the file "QIVO.bmp" in the program
// folder, the picture prepared for the chosen position, the values of the settings section
// "Control Panel\desktop", and the running desktop told to show the file.
//
// Desktops: GNOME (and desktops on its settings: Unity, Budgie, Pantheon) and Cinnamon through
// gsettings picture-uri (GNOME also picture-uri-dark) and picture-options; MATE through gsettings
// picture-filename; KDE Plasma through plasma-apply-wallpaperimage when it is installed (it
// cannot remove a wallpaper); Xfce through xfconf-query on every monitor's last-image. Any
// other desktop is reported as one we cannot set; the file is written all the same.
// The window's two mechanisms ("通常表示" and "Webページ表示") both end here: this platform
// has one desktop setting, not two.
#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

#include "graphics/bitmap.h"

namespace settings {
class TIniFile;
}

namespace extras {

enum class TWallpaperPosition { Centre = 0, Tile = 1, Stretch = 2 };

// "1" for tile, "0" for centre and stretch (the position index modulo 2).
QString TileWallpaperValue(int positionIndex);

// Stretch: a picture at most as wide as it is tall takes the screen's height, any other the
// screen's width; the other side keeps the proportions, truncated, and is never below 1.
QSize StretchedWallpaperSize(QSize picture, QSize screen);

// The picture as the wallpaper file holds it: a 24-bit copy at its own size for centre and
// tile, resized to StretchedWallpaperSize for stretch. Throws graphics::EImageTooLarge.
graphics::TBitmap PrepareWallpaper(const graphics::TBitmap& picture, TWallpaperPosition position, QSize screen);

QString WallpaperFilePath();  // programFolder() + "/QIVO.bmp"

enum class TDesktop { Gnome, Cinnamon, Mate, Kde, Xfce, Other };
// From XDG_CURRENT_DESKTOP's ":"-separated names.
TDesktop DesktopFromName(const QString& xdgCurrentDesktop);
TDesktop CurrentDesktop();

// Runs a program to its end; false when it could not start, timed out or exited non-zero.
using TCommandRunner = std::function<bool(const QString& program, const QStringList& args, QByteArray* output)>;
TCommandRunner SystemCommandRunner();

enum class TDesktopResult { Done, Unsupported, Failed };

// file empty = remove the wallpaper.
TDesktopResult SetDesktopWallpaper(TDesktop desktop, const QString& file, TWallpaperPosition position,
                                   const TCommandRunner& run);

// Apply: the tile value, the file written, the desktop set, and Wallpaper = the file (the
// system's own record of it). Throws graphics::EImageTooLarge; false when the file could not
// be written (nothing else done then).
struct TWallpaperOutcome {
  bool written = false;
  TDesktopResult desktop = TDesktopResult::Failed;
};
TWallpaperOutcome ApplyWallpaper(const graphics::TBitmap& picture, TWallpaperPosition position, QSize screen,
                                 const settings::TIniFile& ini, TDesktop desktop, const TCommandRunner& run);
// Remove: Wallpaper emptied only when it holds something, the file deleted (a missing file is
// no error), the desktop's wallpaper removed.
TDesktopResult RemoveWallpaper(const settings::TIniFile& ini, TDesktop desktop, const TCommandRunner& run);

}  // namespace extras
