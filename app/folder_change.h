#pragma once
// The pure steps of the main window's folder change and of choosing the starting folder.
// Paths use "/"; the file-system root "/" plays the drive root.
#include <QString>
#include <functional>

namespace app {

// Cache FileName of a folder: its last path component ("" for the root "/"). Folders with
// the same last name share one cache file.
QString CacheFileName(const QString& folder);
// The folder that holds thumbnail files: program folder + "/Cache" or "/Temp".
QString CachePath(const QString& programFolder, bool useCache);
// The temporary thumbnail file of a folder while the cache is off:
// program folder + "/Temp/" + last component + ".dat" ("Temp/.dat" for the root).
QString TempCacheFileFor(const QString& programFolder, const QString& folder);
// The catalogue's extension mask: the registry's patterns lower-cased, then ";*.cur;*.ani".
QString ExtensionMask(const QString& registryMask);

// Whether the folder is the root (the drive root of the original "at most 3 characters").
bool IsDriveRoot(const QString& folder);
// CurrentFolder for a folder: the path without trailing "/", "" for the root, so that
// CurrentFolder + "/" + name is always a valid path.
QString CurrentFolderFor(const QString& folder);

// [Catalog] Sort to the sort index 0 name, 1 extension, 2 date, 3 size; any other value
// means name.
int SortIndexFromSetting(int value);

// Long-name expansion: every component replaced by the name found on disk by `lookup`
// (which answers the on-disk name or an empty string). File names are case-sensitive here,
// so the default lookup answers the name itself when it exists.
using NameLookup = std::function<QString(const QString& folder, const QString& name)>;
QString LongPathName(const QString& path, const NameLookup& lookup = {});

// The folder to show for the first command-line argument: "" when the argument is empty or
// a network path ("\\\\server" or "//server"); a folder is shown itself, a file (or a name
// that does not exist) by the folder that contains it. Relative paths are taken from cwd.
QString StartFolderFromArgument(const QString& argument, const QString& cwd);

}  // namespace app
