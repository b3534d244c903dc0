#pragma once
// Every section and key of the settings file with the default used when the key is missing.
// Use these with settings::TIniFile:  TIniFile ini; ini.Read(keys::MainCWidth);
// Yes/no keys are tested against 1 (ReadBool1) except MainPathCheck, HistoryMenu and
// SlideName, which mean yes for any value but 0 (ReadBoolNot0).
#include <QLatin1StringView>
#include <QString>

namespace settings {

struct IntKey {
  const char* section;
  const char* name;
  int def;
};

struct StrKey {
  const char* section;
  const char* name;
  const char* def;
};

// A numbered family of keys (H0..H7, Path1..Path15, 1..10 ...): name(i) = prefix + i.
template <class Def>
struct IndexedKey {
  const char* section;
  const char* prefix;
  Def def;
  int first;
  int last;
  QString name(int i) const { return QLatin1StringView(prefix) + QString::number(i); }
  bool valid(int i) const { return i >= first && i <= last; }
};
using IndexedIntKey = IndexedKey<int>;
using IndexedStrKey = IndexedKey<const char*>;

namespace keys {

// Colour values as stored: 0x00BBGGRR, or 0x80000000 | index for a system colour.
inline constexpr int kColorNone = -1;
inline constexpr int kColorBtnFace = int(0x8000000Fu);  // stored as -2147483633
inline constexpr int kColorWindow = int(0x80000005u);

// Marks an integer default that the reader computes (centred positions).
inline constexpr int kComputed = 0;

// [Main]
inline constexpr IntKey MainState{"Main", "State", 0};
inline constexpr IntKey MainCWidth{"Main", "CWidth", 742};
inline constexpr IntKey MainCHeight{"Main", "CHeight", 464};
inline constexpr IntKey MainLeft{"Main", "Left", kComputed};  // (screen - window width) / 2
inline constexpr IntKey MainTop{"Main", "Top", kComputed};    // (screen - window height) / 2
inline constexpr IntKey MainTVWidth{"Main", "TVWidth", 200};
inline constexpr IntKey MainPreview{"Main", "Preview", 0};
inline constexpr IntKey MainPrevHeight{"Main", "PrevHeight", 140};
inline constexpr StrKey MainRootPath{"Main", "RootPath", ""};
inline constexpr IntKey MainPathCheck{"Main", "PathCheck", 1};
// Susie plug-ins decode in worker processes (1) or in QIVO2 itself (0, for debugging);
// the workers' time limits (milliseconds) and memory limit (MiB).
inline constexpr IntKey MainSandbox{"Main", "Sandbox", 0};
inline constexpr IntKey MainSandboxInfoTime{"Main", "SandboxInfoTime", 5000};
inline constexpr IntKey MainSandboxPictureTime{"Main", "SandboxPictureTime", 30000};
inline constexpr IntKey MainSandboxMemory{"Main", "SandboxMemory", 2048};
inline constexpr IntKey MainDblClick{"Main", "DblClick", 0};

// [History]
inline constexpr IntKey HistoryMenu{"History", "Menu", 1};
inline constexpr IntKey HistoryCount{"History", "Count", 0};
inline constexpr IndexedStrKey HistoryItem{"History", "H", "History List", 0, 7};
inline constexpr int kHistoryMax = 8;

// [View]
inline constexpr IntKey ViewAdSize{"View", "AdSize", 0};
inline constexpr IntKey ViewShowName{"View", "ShowName", 0};
// 1: JPEG files turned as their EXIF orientation says; 0: as stored.
inline constexpr IntKey ViewAutoRotate{"View", "AutoRotate", 1};

// [Catalog]
inline constexpr IntKey CatalogAWidth{"Catalog", "AWidth", 100};
inline constexpr IntKey CatalogAHeight{"Catalog", "AHeight", 80};
inline constexpr IntKey CatalogSize{"Catalog", "Size", 1};
// Bounds of the options window's size sample frame: written only, no default.
inline constexpr IntKey CatalogFLeft{"Catalog", "FLeft", 0};
inline constexpr IntKey CatalogFTop{"Catalog", "FTop", 0};
inline constexpr IntKey CatalogFWidth{"Catalog", "FWidth", 0};
inline constexpr IntKey CatalogFHeight{"Catalog", "FHeight", 0};
inline constexpr IntKey CatalogColor{"Catalog", "Color", kColorBtnFace};
inline constexpr IntKey CatalogCache{"Catalog", "Cache", 0};
// Thumbnail worker threads; 0 (no key) means the number of cores, up to 4.
inline constexpr IntKey CatalogThreads{"Catalog", "Threads", 0};
// Thumbnails of the whole folder made in the background after the visible ones (1 = yes).
inline constexpr IntKey CatalogLookAhead{"Catalog", "LookAhead", 0};
// The cap on the thumbnails kept in memory, in MB.
inline constexpr IntKey CatalogThumbMemory{"Catalog", "ThumbMemory", 64};
inline constexpr IntKey CatalogSort{"Catalog", "Sort", 0};

// Thumbnail size choices of [Catalog] Size.
struct ThumbSize {
  int width;
  int height;
};
inline constexpr ThumbSize kThumbSizes[4] = {{90, 70}, {100, 80}, {110, 85}, {120, 90}};

// [Slide]
inline constexpr IntKey SlideInterval{"Slide", "Interval", 2000};
inline constexpr IntKey SlideLoop{"Slide", "Loop", 0};
inline constexpr IntKey SlideName{"Slide", "Name", 1};

// [OtherSoft]
inline constexpr IndexedStrKey OtherSoftPath{"OtherSoft", "Path", "", 1, 3};
inline constexpr StrKey OtherSoftOpenDir{"OtherSoft", "OpenDir", ""};

// [SaveFolder]
inline constexpr StrKey SaveFolderPath{"SaveFolder", "Path", ""};
inline constexpr IntKey SaveFolderIndex{"SaveFolder", "Index", -1};
inline constexpr IndexedStrKey SaveFolderList{"SaveFolder", "Path", "", 1, 15};
inline constexpr StrKey SaveFolderOpenDir{"SaveFolder", "OpenDir", ""};

// [ListPath] (favourites)
inline constexpr IndexedStrKey ListPathItem{"ListPath", "", "", 1, 10};
inline constexpr StrKey ListPathOpenDir{"ListPath", "OpenDir", ""};

// [Convert]
inline constexpr IntKey ConvertItem{"Convert", "Item", 0};
inline constexpr IndexedIntKey ConvertSize{"Convert", "Size", 100, 1, 4};
inline constexpr IntKey ConvertExt{"Convert", "Ext", 0};
inline constexpr IntKey ConvertScale{"Convert", "Scale", 0};

// [Color]
inline constexpr IntKey ColorBit{"Color", "Bit", 0};

// [JPEG]
inline constexpr IntKey JpegCompress{"JPEG", "Compress", 80};
inline constexpr IntKey JpegProgressive{"JPEG", "Progressive", 0};
inline constexpr IntKey JpegGrayscale{"JPEG", "Grayscale", 0};

// [PNG]
inline constexpr IntKey PngLevel{"PNG", "Level", 1};
inline constexpr IntKey PngInterlace{"PNG", "Interlace", 0};
inline constexpr IntKey PngColor{"PNG", "Color", 0};

// [Rotate] (image editor window)
inline constexpr IntKey RotateLeft{"Rotate", "Left", kComputed};  // centred on the screen
inline constexpr IntKey RotateTop{"Rotate", "Top", kComputed};    // centred on the screen
inline constexpr IntKey RotateWidth{"Rotate", "Width", 750};
inline constexpr IntKey RotateHeight{"Rotate", "Height", 530};
inline constexpr IntKey RotateState{"Rotate", "State", 0};
inline constexpr StrKey RotateSaveDir{"Rotate", "SaveDir", ""};

// [Media]
inline constexpr IntKey MediaWidth{"Media", "Width", 300};
inline constexpr StrKey MediaOpenDir{"Media", "OpenDir", ""};

// The registry values the program reads, kept in sections named after their registry key.
// The mouse snap setting is on when the value is the text "1".
inline constexpr StrKey MouseSnapToDefaultButton{"Control Panel\\Mouse", "SnapToDefaultButton", ""};
// The wallpaper values: "1" tiles, "0" does not; the wallpaper file last set.
inline constexpr StrKey DesktopTileWallpaper{"Control Panel\\desktop", "TileWallpaper", ""};
inline constexpr StrKey DesktopWallpaper{"Control Panel\\desktop", "Wallpaper", ""};

}  // namespace keys
}  // namespace settings
