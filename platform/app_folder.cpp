#include "platform/app_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace platform {

QString executablePath() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return QString();
  return QString::fromUtf8(buf, int(n));
}

QString executableBaseName() { return QFileInfo(executablePath()).completeBaseName(); }

static QString executableFolder() { return QFileInfo(executablePath()).absolutePath(); }

static QString fallbackFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + "/.local/share";
  return QDir::cleanPath(base + "/qivo2");
}

QString installedPrefix(const QString& executableFolder) {
  const QString folder = QDir::cleanPath(executableFolder);
  if (!folder.endsWith(QLatin1String("/bin"))) return {};
  const QString prefix = folder.chopped(4);
  return QFileInfo(prefix + "/share/qivo2").isDir() ? (prefix.isEmpty() ? QStringLiteral("/") : prefix) : QString();
}

QString programFolder() {
  const QString forced = qEnvironmentVariable("QIVO2_HOME");
  if (!forced.isEmpty()) {
    QDir().mkpath(forced);
    return QDir::cleanPath(QFileInfo(forced).absoluteFilePath());
  }
  const QString exeDir = executableFolder();
  if (!exeDir.isEmpty() && installedPrefix(exeDir).isEmpty() && access(QFile::encodeName(exeDir).constData(), W_OK) == 0)
    return exeDir;
  const QString fb = fallbackFolder();
  QDir().mkpath(fb);
  return fb;
}

QString settingsFilePath() { return programFolder() + "/" + executableBaseName() + ".ini"; }

QString ensureProgramSubfolder(const QString& name) {
  const QString path = programFolder() + "/" + name;
  if (!QDir().mkpath(path)) return QString();
  return path;
}

QStringList pluginFolders() {
  QStringList out{executableFolder()};
  const QString prefix = installedPrefix(executableFolder());
  if (!prefix.isEmpty()) out << QDir::cleanPath(prefix + "/lib/qivo2/spi");
  const QString pf = programFolder();
  if (!out.contains(pf)) out << pf;
  return out;
}

QString helpFilePath() {
  const QString prefix = installedPrefix(executableFolder());
  const QString folder = prefix.isEmpty() ? executableFolder() : QDir::cleanPath(prefix + "/share/qivo2");
  return folder + "/" + executableBaseName() + ".html";
}

}  // namespace platform
