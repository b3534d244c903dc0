#include "extras/wallpaper.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <unistd.h>

#include "edit/resample.h"
#include "graphics/bmp_graphic.h"
#include "platform/app_folder.h"
#include "platform/path_bytes.h"
#include "platform/save_file.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"

namespace extras {

namespace keys = settings::keys;

QString TileWallpaperValue(int positionIndex) { return positionIndex % 2 == 1 ? "1" : "0"; }

QSize StretchedWallpaperSize(QSize picture, QSize screen) {
  if (picture.isEmpty() || screen.isEmpty()) return screen;
  const qint64 w = picture.width(), h = picture.height();
  if (w <= h) return {int(qMax<qint64>(1, w * screen.height() / h)), screen.height()};
  return {screen.width(), int(qMax<qint64>(1, h * screen.width() / w))};
}

graphics::TBitmap PrepareWallpaper(const graphics::TBitmap& picture, TWallpaperPosition position, QSize screen) {
  graphics::TBitmap bitmap = picture;
  QSize size(bitmap.Width(), bitmap.Height());
  if (position == TWallpaperPosition::Stretch) size = StretchedWallpaperSize(size, screen);
  edit::ResizeBitmap(bitmap, size.width(), size.height());
  return bitmap;
}

QString WallpaperFilePath() { return platform::programFolder() + "/QIVO.bmp"; }

TDesktop DesktopFromName(const QString& xdgCurrentDesktop) {
  for (const QString& name : xdgCurrentDesktop.split(u':', Qt::SkipEmptyParts)) {
    const QString n = name.trimmed().toUpper();
    if (n == "GNOME" || n == "UNITY" || n == "BUDGIE" || n == "PANTHEON") return TDesktop::Gnome;
    if (n == "X-CINNAMON" || n == "CINNAMON") return TDesktop::Cinnamon;
    if (n == "MATE") return TDesktop::Mate;
    if (n == "KDE") return TDesktop::Kde;
    if (n == "XFCE") return TDesktop::Xfce;
  }
  return TDesktop::Other;
}

TDesktop CurrentDesktop() { return DesktopFromName(qEnvironmentVariable("XDG_CURRENT_DESKTOP")); }

TCommandRunner SystemCommandRunner() {
  return [](const QString& program, const QStringList& args, QByteArray* output) {
    if (QStandardPaths::findExecutable(program).isEmpty()) return false;
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(5000)) return false;
    p.closeWriteChannel();
    if (!p.waitForFinished(10000)) {
      p.kill();
      p.waitForFinished(1000);
      return false;
    }
    if (output) *output = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  };
}

namespace {

// A GVariant string literal, which gsettings reads its values as.
QString GVariantString(const QString& s) {
  QString escaped = s;
  escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
  return u'\'' + escaped + u'\'';
}

const char* GnomeOption(TWallpaperPosition p) {
  switch (p) {
    case TWallpaperPosition::Tile: return "wallpaper";
    // The file already has the screen's size on one side; scaled keeps its proportions on
    // any other monitor too.
    case TWallpaperPosition::Stretch: return "scaled";
    case TWallpaperPosition::Centre: break;
  }
  return "centered";
}

int XfceStyle(TWallpaperPosition p) {
  switch (p) {
    case TWallpaperPosition::Tile: return 2;
    case TWallpaperPosition::Stretch: return 4;
    case TWallpaperPosition::Centre: break;
  }
  return 1;
}

bool Gsettings(const TCommandRunner& run, const QString& schema, const QString& key, const QString& value) {
  return run("gsettings", {"set", schema, key, value}, nullptr);
}

TDesktopResult GnomeLike(const QString& schema, bool darkToo, const QString& file, TWallpaperPosition position,
                         const TCommandRunner& run) {
  const QString uri = file.isEmpty() ? QString() : QString::fromUtf8(platform::FileUrl(file).toEncoded());
  bool ok = Gsettings(run, schema, "picture-uri", GVariantString(uri));
  // Older GNOME has no dark variant; its absence is no failure.
  if (ok && darkToo) Gsettings(run, schema, "picture-uri-dark", GVariantString(uri));
  ok = ok && Gsettings(run, schema, "picture-options", GVariantString(file.isEmpty() ? "none" : GnomeOption(position)));
  return ok ? TDesktopResult::Done : TDesktopResult::Failed;
}

TDesktopResult Mate(const QString& file, TWallpaperPosition position, const TCommandRunner& run) {
  if (!platform::IsTextPath(file)) return TDesktopResult::Failed;  // a GVariant string is text
  const QString schema = "org.mate.background";
  const bool ok = Gsettings(run, schema, "picture-filename", GVariantString(file)) &&
                  Gsettings(run, schema, "picture-options", GVariantString(file.isEmpty() ? "none" : GnomeOption(position)));
  return ok ? TDesktopResult::Done : TDesktopResult::Failed;
}

TDesktopResult Kde(const QString& file, const TCommandRunner& run) {
  if (file.isEmpty() || QStandardPaths::findExecutable("plasma-apply-wallpaperimage").isEmpty())
    return TDesktopResult::Unsupported;
  if (!platform::IsTextPath(file)) return TDesktopResult::Failed;
  return run("plasma-apply-wallpaperimage", {file}, nullptr) ? TDesktopResult::Done : TDesktopResult::Failed;
}

TDesktopResult Xfce(const QString& file, TWallpaperPosition position, const TCommandRunner& run) {
  if (!platform::IsTextPath(file)) return TDesktopResult::Failed;
  const QString channel = "xfce4-desktop";
  QByteArray listing;
  if (!run("xfconf-query", {"-c", channel, "-l"}, &listing)) return TDesktopResult::Failed;
  QStringList images;
  for (const QByteArray& line : listing.split('\n'))
    if (line.trimmed().endsWith("/last-image")) images << QString::fromUtf8(line.trimmed());
  // A desktop never set before has no monitor entries yet.
  if (images.isEmpty()) images << "/backdrop/screen0/monitor0/workspace0/last-image";
  bool ok = true;
  for (const QString& image : images) {
    const QString style = image.chopped(int(qstrlen("last-image"))) + "image-style";
    const QString styleValue = QString::number(file.isEmpty() ? 0 : XfceStyle(position));
    ok = run("xfconf-query", {"-c", channel, "-p", style, "-n", "-t", "int", "-s", styleValue}, nullptr) && ok;
    if (!file.isEmpty()) ok = run("xfconf-query", {"-c", channel, "-p", image, "-n", "-t", "string", "-s", file}, nullptr) && ok;
  }
  return ok ? TDesktopResult::Done : TDesktopResult::Failed;
}

}  // namespace

TDesktopResult SetDesktopWallpaper(TDesktop desktop, const QString& file, TWallpaperPosition position,
                                   const TCommandRunner& run) {
  switch (desktop) {
    case TDesktop::Gnome: return GnomeLike("org.gnome.desktop.background", true, file, position, run);
    case TDesktop::Cinnamon: return GnomeLike("org.cinnamon.desktop.background", false, file, position, run);
    case TDesktop::Mate: return Mate(file, position, run);
    case TDesktop::Kde: return Kde(file, run);
    case TDesktop::Xfce: return Xfce(file, position, run);
    case TDesktop::Other: break;
  }
  return TDesktopResult::Unsupported;
}

TWallpaperOutcome ApplyWallpaper(const graphics::TBitmap& picture, TWallpaperPosition position, QSize screen,
                                 const settings::TIniFile& ini, TDesktop desktop, const TCommandRunner& run) {
  ini.Write(keys::DesktopTileWallpaper, TileWallpaperValue(int(position)));
  const QByteArray bmp = graphics::WriteBMP(PrepareWallpaper(picture, position, screen));
  const QString file = WallpaperFilePath();
  platform::TSaveFile out(file);
  TWallpaperOutcome outcome;
  outcome.written = out.Open() && out.Device().write(bmp) == bmp.size() && out.Commit();
  if (!outcome.written) return outcome;
  outcome.desktop = SetDesktopWallpaper(desktop, file, position, run);
  ini.Write(keys::DesktopWallpaper, file);
  return outcome;
}

TDesktopResult RemoveWallpaper(const settings::TIniFile& ini, TDesktop desktop, const TCommandRunner& run) {
  if (!ini.Read(keys::DesktopWallpaper).isEmpty()) ini.Write(keys::DesktopWallpaper, QString());
  ::unlink(platform::PathBytes(WallpaperFilePath()).constData());
  return SetDesktopWallpaper(desktop, QString(), TWallpaperPosition::Centre, run);
}

}  // namespace extras
