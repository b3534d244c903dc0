#pragma once
// The program's folder: where the settings file, "Temp", "Cache" and plug-ins live.
// It is the executable's folder when that is writable (a build tree or a portable copy),
// otherwise $XDG_DATA_HOME/qivo2 (default ~/.local/share/qivo2). Plug-ins are searched in
// the executable's folder and, when they differ, in the fallback folder too.
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
// The HTML help file beside the executable (same base name, ".html").
QString helpFilePath();

}  // namespace platform
