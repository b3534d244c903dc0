#pragma once
// The program's folder: where the settings file, "Temp", "Cache" and plug-ins live.
// It is the executable's folder when that is writable (a build tree or a portable copy),
// otherwise $XDG_DATA_HOME/qivo2 (default ~/.local/share/qivo2). An installed program
// (PREFIX/bin beside PREFIX/share/qivo2) always uses the latter, even when root could write
// to PREFIX/bin. Plug-ins are searched in the executable's folder, then in PREFIX/lib/qivo2/spi
// when installed, then in the program folder.
#include <QString>
#include <QStringList>

namespace platform {

// Absolute path of the running executable ("/usr/bin/qivo2").
QString executablePath();
// Base name of the executable without folder or extension ("qivo2").
QString executableBaseName();
// The program folder with no trailing "/" (see above). Honours QIVO2_HOME when set, which
// tests use to give each run a private folder.
QString programFolder();
// programFolder() + "/" + executableBaseName() + ".ini".
QString settingsFilePath();
// programFolder() + "/" + name, created if missing; empty when it cannot be created.
QString ensureProgramSubfolder(const QString& name);
// Folders searched for *.spi plug-ins, in order, without duplicates.
QStringList pluginFolders();
// The HTML help file: beside the executable (same base name, ".html"), or in
// PREFIX/share/qivo2 when installed.
QString helpFilePath();
// PREFIX when `executableFolder` is PREFIX/bin of an installed QIVO2, else empty.
QString installedPrefix(const QString& executableFolder);

}  // namespace platform
