#include "files/folder_lists.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "files/folder_rows.h"
#include "platform/settings_keys.h"

using namespace files;
namespace keys = settings::keys;

TEST(FolderRows, ButtonsKeepTheFilledRowsTogether) {
  TFolderRows rows(4);
  rows.Load({"/a/", "", "/b/"});  // a gap in a hand-edited file is shown as stored
  EXPECT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows.Rows(), (QStringList{"/a/", kEmptyRow, "/b/", kEmptyRow}));
  rows.Load({"/a/", "/b/", "/c/"});
  EXPECT_FALSE(rows.Up(0));
  EXPECT_FALSE(rows.Down(2));  // onto an empty row
  EXPECT_FALSE(rows.Delete(3));
  EXPECT_TRUE(rows.Down(0));
  EXPECT_EQ(rows.Filled(), (QStringList{"/b/", "/a/", "/c/"}));
  EXPECT_EQ(rows.Add("/d/"), kEmptyRow);
  EXPECT_EQ(rows.Count(), 4);
  EXPECT_EQ(rows.Add("/e/"), "/d/");  // no free row: the last one is replaced
  EXPECT_EQ(rows.Count(), 4);
  EXPECT_TRUE(rows.Delete(0));
  EXPECT_EQ(rows.Rows(), (QStringList{"/a/", "/c/", "/e/", kEmptyRow}));
  EXPECT_EQ(rows.Count(), 3);
}

TEST(FolderLists, PathsOfSaveFoldersAndFavourites) {
  EXPECT_EQ(SaveFolderPathOf("/work"), "/work/");
  EXPECT_EQ(SaveFolderPathOf("/"), "/");
  EXPECT_EQ(FavouritePathOf("/photos/"), "/photos");
  EXPECT_EQ(FavouritePathOf("/"), "/");
}

TEST(FolderLists, SaveFoldersAreStoredCompactWithTheCurrentOne) {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  ini.Write(keys::SaveFolderList, 1, "/a/");
  ini.Write(keys::SaveFolderList, 2, "/b/");
  ini.Write(keys::SaveFolderList, 3, "/c/");
  ini.Write(keys::SaveFolderIndex, 0);
  ini.Write(keys::SaveFolderPath, "/a/");
  // Deleting the first of three: the other two become Path1 and Path2.
  EXPECT_EQ(StoreSaveFolders(ini, {"/b/", "/c/"}, "/c/"), "/c/");
  EXPECT_EQ(StoredSaveFolders(ini).mid(0, 3), (QStringList{"/b/", "/c/", ""}));
  EXPECT_EQ(ini.Read(keys::SaveFolderIndex), 1);
  const auto menu = SaveFolderMenu(ini);
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_FALSE(menu[0].Checked);
  EXPECT_TRUE(menu[1].Checked);
  SelectSaveFolder(ini, 0, "/b/");
  EXPECT_EQ(ini.Read(keys::SaveFolderPath), "/b/");
  EXPECT_TRUE(SaveFolderMenu(ini)[0].Checked);
  // A current folder that is in no row: Path written, Index not.
  ini.DeleteKey("SaveFolder", "Index");
  EXPECT_EQ(StoreSaveFolders(ini, {"/b/"}, "/x/"), "/x/");
  EXPECT_EQ(ini.ReadString("SaveFolder", "Index", "none"), "none");
  // No current folder: Path and Index go.
  ini.Write(keys::SaveFolderIndex, 0);
  EXPECT_EQ(StoreSaveFolders(ini, {"/b/"}, ""), "");
  EXPECT_EQ(ini.ReadString("SaveFolder", "Path", "none"), "none");
  EXPECT_EQ(ini.ReadString("SaveFolder", "Index", "none"), "none");
  EXPECT_FALSE(SaveFolderMenu(ini)[0].Checked);
}

TEST(FolderLists, FavouritesRegisterAndStore) {
  QTemporaryDir dir;
  const settings::TIniFile ini(dir.path() + "/q.ini");
  for (int n = 1; n <= 10; ++n) EXPECT_TRUE(RegisterFavourite(ini, "/f" + QString::number(n)));
  EXPECT_FALSE(RegisterFavourite(ini, "/f3"));  // already registered
  EXPECT_TRUE(RegisterFavourite(ini, "/eleventh"));
  EXPECT_EQ(ini.Read(keys::ListPathItem, 10), "/eleventh");
  StoreFavourites(ini, {"/f2", "/f3"});
  EXPECT_EQ(FavouriteMenu(ini), (QStringList{"/f2", "/f3"}));
  EXPECT_EQ(ini.Read(keys::ListPathItem, 3), "");
}
