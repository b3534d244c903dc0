#pragma once
// The stored lists of save folders ([SaveFolder] Path1..Path15, Index, Path, OpenDir) and of
// favourites ([ListPath] 1..10, OpenDir). Every function reads or writes the settings file at
// once; the dialogs keep their unsaved rows in a TFolderRows.
// A save folder always ends with "/" (the root "/" already does); a favourite never does,
// except the root "/".
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/settings.h"

namespace files {

inline constexpr int kSaveFolderRows = 15;
inline constexpr int kFavouriteRows = 10;

// A chosen folder as a save folder: "/" appended unless it is the root.
QString SaveFolderPathOf(const QString& chosen);
// A folder as a favourite: no trailing "/", except the root.
QString FavouritePathOf(const QString& folder);

// ---- save folders ----
// [SaveFolder] Path1..Path15 as stored (empty strings for missing keys).
QStringList StoredSaveFolders(const settings::TIniFile& ini);
// OK of the save-folder dialog: the filled rows written compact from Path1, the current folder
// with its Index (the first row equal to it; none: no Index) or Path and Index removed when
// there is none. Returns the new current save folder ("" = none).
QString StoreSaveFolders(const settings::TIniFile& ini, const QStringList& rows, const QString& current);

// One entry of the Folder menu's save-folder submenu.
struct TFolderMenuEntry {
  QString Caption;
  bool Checked = false;
};
// Path1..Path15 that are not empty; the one at Index (0..14) is checked.
std::vector<TFolderMenuEntry> SaveFolderMenu(const settings::TIniFile& ini);
// Choosing the submenu entry at `position` (from 0): Index and Path written; the caption is
// the new current save folder.
void SelectSaveFolder(const settings::TIniFile& ini, int position, const QString& caption);

// ---- favourites ----
QStringList StoredFavourites(const settings::TIniFile& ini);
// OK of the favourites dialog: 1..10 removed, the filled rows written compact from 1.
void StoreFavourites(const settings::TIniFile& ini, const QStringList& rows);
// Register in add mode: false when the path is already stored; else it goes to the first free
// key, or over 10 when all are used.
bool RegisterFavourite(const settings::TIniFile& ini, const QString& path);
// The favourites submenu: the non-empty keys 1..10 in order.
QStringList FavouriteMenu(const settings::TIniFile& ini);

}  // namespace files
