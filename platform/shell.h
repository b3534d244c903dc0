#pragma once
// The shell namespace over the POSIX file system.
// - The desktop is the root "/" with the display name "/"; ID lists are platform/idlist.h.
// - Attributes: a directory is SFGAO_FOLDER | SFGAO_FILESYSANCESTOR; a symbolic link is
//   SFGAO_LINK only (a non-folder, so it is listed, filtered and opened like a shortcut:
//   opening one that points at a folder goes to its target); SFGAO_SHARE is never set.
//   Everything in a folder can be copied, deleted and renamed (SFGAO_CANCOPY,
//   SFGAO_CANDELETE, SFGAO_CANRENAME) and is SFGAO_FILESYSTEM.
// - Hidden = name starting with ".".
// - Display name in folder = the component decoded as UTF-8 (bytes that are not UTF-8
//   show as U+FFFD); the editing name and the parsing name (absolute path) keep every byte
//   (platform/path_bytes.h). Operations on items use the raw component bytes of the ID
//   list, so names that are not UTF-8 still work.
// - CompareIDs columns: 0 name (natural, case-insensitive), 1 size, 2 type (extension),
//   3 date (modification time), 4 attributes. Folders come first in every column; ties are
//   broken by name and then by the raw bytes, so only the same item compares equal.
// - Find data: size, modification time and attributes of the item (links followed; a
//   dangling link reports the link itself). Attributes use the Windows bits: 0x1 read-only,
//   0x2 hidden, 0x10 directory, 0x20 archive (regular file), 0x400 symbolic link.
// - Only folders and links are remembered from an enumeration (plus the item just
//   returned, for the attribute call that follows it); a regular file is known by the
//   caller's own list, so a huge folder is not held twice. Items asked about later are
//   looked up then.
// - SetNameOf renames with renameat2(RENAME_NOREPLACE) (link + unlink where the file system
//   lacks it) and never replaces an existing file.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/idlist.h"

namespace platform::shell {

// Enumeration flags.
inline constexpr uint32_t SHCONTF_FOLDERS = 0x20;
inline constexpr uint32_t SHCONTF_NONFOLDERS = 0x40;
inline constexpr uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;
// Attribute bits.
inline constexpr uint32_t SFGAO_CANCOPY = 0x1;
inline constexpr uint32_t SFGAO_CANRENAME = 0x10;
inline constexpr uint32_t SFGAO_CANDELETE = 0x20;
inline constexpr uint32_t SFGAO_LINK = 0x00010000;
inline constexpr uint32_t SFGAO_SHARE = 0x00020000;
inline constexpr uint32_t SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr uint32_t SFGAO_FOLDER = 0x20000000;
inline constexpr uint32_t SFGAO_FILESYSTEM = 0x40000000;
// Display name flags.
inline constexpr uint32_t SHGDN_NORMAL = 0;
inline constexpr uint32_t SHGDN_INFOLDER = 0x1;
inline constexpr uint32_t SHGDN_FOREDITING = 0x1000;
inline constexpr uint32_t SHGDN_FORPARSING = 0x8000;
// File attribute bits of the find data.
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

struct TFindData {
  uint64_t size = 0;
  int64_t mtimeSec = 0;   // seconds since the epoch (UTC)
  int32_t mtimeNsec = 0;
  uint32_t attributes = 0;
};

// Natural, case-insensitive order of two names: runs of digits compare by value, other
// bytes by their ASCII lower case. Equal-looking names ("a01", "A1") are then ordered by
// their raw bytes, so 0 means identical.
int CompareNamesNatural(std::string_view a, std::string_view b);
// A sort key for that order: plain byte order of two keys (a key that is a prefix of the
// other first) is CompareNamesNatural's order but for its last tie-break on the raw bytes,
// so equal keys still need that one. Letters are lowered; a run of digits becomes '0', its
// length without leading zeros, and those digits. No key byte is 0, so keys padded with
// zeros keep their order. Writes at most cap bytes and returns the whole key's length.
size_t NaturalNameKey(std::string_view name, uint8_t* out, size_t cap);

// What one item compares by: its name, whether it is a folder, and (for the size, date and
// attribute columns) its find data.
struct TItemKey {
  std::string_view name;
  bool folder = false;
  const TFindData* find = nullptr;  // null reads as all zero
};
// The column order of CompareIDs for two items of one folder: folders first, then the
// column, then the name. Lists that keep their items' names and folder flags sort with it
// directly, in the same order CompareIDs gives.
int CompareItemKeys(int column, const TItemKey& a, const TItemKey& b);

class TShellFolder;

// Walks one folder's items, one relative ID list at a time.
class TEnumIdList {
 public:
  ~TEnumIdList();
  TEnumIdList(const TEnumIdList&) = delete;
  TEnumIdList& operator=(const TEnumIdList&) = delete;
  // The next item's relative list (caller owns it); false at the end.
  bool Next(PIDL& item);

 private:
  friend class TShellFolder;
  TEnumIdList(std::shared_ptr<TShellFolder> folder, void* dir, uint32_t flags);
  std::shared_ptr<TShellFolder> folder_;
  void* dir_;  // DIR*
  uint32_t flags_;
};

// One folder of the namespace (the IShellFolder stand-in). Items are named by relative
// ID lists of one record. Not thread-safe: use one instance per thread.
class TShellFolder : public std::enable_shared_from_this<TShellFolder> {
 public:
  // The desktop folder ("/").
  static std::shared_ptr<TShellFolder> Desktop();
  // The folder of an absolute ID list; null when it is not a readable directory path.
  static std::shared_ptr<TShellFolder> Bind(PCIDL absoluteId);

  // This folder's absolute list and path bytes.
  PCIDL AbsoluteId() const { return id_.get(); }
  const QByteArray& PathBytes() const { return path_; }
  bool IsDesktop() const { return IdListIsDesktop(id_.get()); }

  // Path of an absolute list in this namespace, parsed from a display name. Null for a
  // relative path or a place that does not exist. Only meaningful on the desktop.
  PIDL ParseDisplayName(const QString& path, uint32_t* attributes = nullptr) const;
  // The folder of a relative (or, on the desktop, absolute) list below this one.
  std::shared_ptr<TShellFolder> BindToObject(PCIDL relativeId) const;
  // Null when the folder cannot be read.
  std::unique_ptr<TEnumIdList> EnumObjects(uint32_t flags);
  // The requested attribute bits an item has (0 when it cannot be read).
  uint32_t GetAttributesOf(PCIDL relativeId, uint32_t mask);
  // Names by SHGDN_* flags; the empty string when the item has no name.
  QString GetDisplayNameOf(PCIDL relativeId, uint32_t flags) const;
  // Raw path bytes of an item (this folder's path joined with the item's records).
  QByteArray ItemPath(PCIDL relativeId) const;
  // Signed comparison of two items in a column (see the header comment).
  int CompareIDs(int column, PCIDL a, PCIDL b);
  // Renames an item; the new relative list, or null when refused or failed (the old
  // name stays; *error, when given, gets the errno). Names holding "/" or a zero byte, ".",
  // ".." and "" are refused (EINVAL).
  PIDL SetNameOf(PCIDL relativeId, const QString& newName, int* error = nullptr);
  // Size, time and attributes; false when the item cannot be read.
  bool GetFindData(PCIDL relativeId, TFindData& out);
  // The same for many one-record items at once, through one open handle of the folder and
  // without remembering them: found(i, data) for each item that could be read.
  void GetFindDataMany(size_t count, const std::function<PCIDL(size_t)>& itemAt,
                       const std::function<void(size_t, const TFindData&)>& found) const;

 private:
  struct Info {
    bool folder = false;
    bool link = false;
    bool statted = false;
    bool statOk = false;
    TFindData find;
  };
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  friend class TEnumIdList;
  TShellFolder(PIDL id);
  Info* info(PCIDL relativeId, bool needStat);
  void remember(std::string_view name, unsigned char dirType);
  void forget(std::string_view name);
  bool isFolder(PCIDL relativeId);

  TIdListPtr id_;
  QByteArray path_;
  std::unordered_map<std::string, Info, NameHash, std::equal_to<>> cache_;
  // Names of the folders among the cached items: a small table the name order can ask
  // without touching the large one. Complete once an enumeration has run to its end.
  std::unordered_map<std::string, bool, NameHash, std::equal_to<>> folders_;
  bool enumerated_ = false;
  // The item the enumeration returned last (its attributes are asked for next).
  std::string lastName_;
  Info lastInfo_;
};

// Target of a symbolic link as an absolute path ("" when the path is no link or the link
// cannot be read); relative targets are taken against the link's folder.
QString ResolveLink(const QString& linkPath);
// True when the path names a directory (links followed).
bool IsDirectoryPath(const QString& path);
// Opens a file with the desktop's association; false when no application took it.
bool ShellExecuteOpen(const QString& path);

}  // namespace platform::shell
