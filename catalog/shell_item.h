#pragma once
// Catalogue entries and the entry list: what one entry is, how a folder is listed through
// the shell (platform/shell.h), filtered (disp_types.h) and sorted, and the size and date
// texts of an entry. Entries are addressed by Id (never reused while the list lives), which
// background work uses instead of positions.
//
// A folder may hold a million entries, so an entry is small: its name lives once, in its
// RelativeId; names are made from it when asked and stored only when set from outside
// (SetDisplayName, SetParseName); find data is read when first asked, or for the whole
// list at once before a size, date or attribute sort. Listed entries are built in large
// blocks owned by the list, not one heap object each.
#include <QString>
#include <cstdint>
#include <functional>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "catalog/disp_types.h"
#include "catalog/image_type.h"
#include "platform/shell.h"

namespace catalog {

namespace shell = platform::shell;
using FolderPtr = std::shared_ptr<shell::TShellFolder>;

enum class TViewMode { ivmFolder, ivmFile };
enum class TSortTypeEx { istName, istSize, istType, istDate, istAttr };

// Texts the main window shows: "%8d%s" of (size >> 10) + 1 and "KB", trimmed (low 32 bits
// of the size, so 4 GB and more wrap); local time "yyyy/mm/dd hh:nn" at 2-second resolution.
QString SizeTextOf(uint64_t size);
QString DateTextOf(int64_t secondsSinceEpoch);
// Why a rename to `newName` was refused, from the name and the errno it failed with.
QString RenameRefusalText(const QString& newName, int error);

class TShellItems;
class TShellItem;

// An entry held across an event loop. A dialog, a message box or the loading notice lets the
// folder watcher list the folder again, which frees every entry and moves the positions; the
// Id and path outlive that, and TShellItems::IndexOfKey finds the entry again.
struct TEntryKey {
  int Id = -1;
  QString Path;
  bool IsNull() const { return Id < 0 && Path.isEmpty(); }
};

// Destroys an entry of a list, wherever it was built.
struct TShellItemDelete {
  void operator()(TShellItem* item) const;
};
using TShellItemPtr = std::unique_ptr<TShellItem, TShellItemDelete>;

class TShellItem {
 public:
  TShellItem(TShellItems* owner, int id);
  virtual ~TShellItem();
  TShellItem(const TShellItem&) = delete;
  TShellItem& operator=(const TShellItem&) = delete;

  TShellItems* Owner;
  const int Id;
  int Size = 0;  // low 32 bits of the file size
  int SysIconIndex = -1;
  int Overlay = -1;  // -1 none, 0 shared folder, 1 shortcut (symbolic link)
  shell::PIDL RelativeId = nullptr;  // owned
  uint32_t Attributes = 0;
  bool IsFolder = false;
  TImageType ImageType = TImageType::iitNone;
  int ImageWidth = 0, ImageHeight = 0;
  int ThumbIndex = -1;
  int IconIndex = -1;
  shell::PIDL ParentId = nullptr;  // owned; file-list mode only

  QString GetDisplayName();
  void SetDisplayName(const QString& name);
  QString GetParseName();
  void SetParseName(const QString& name);
  int GetSize();
  QString GetSizeText();
  QString GetDateText();
  uint32_t GetAttributes();
  int GetSysIconIndex();
  TImageType GetImageType();
  void MarkNotImage();
  // combine(folder, RelativeId); the caller frees it. Null without a RelativeId.
  shell::PIDL AbsoluteId() const;
  bool HasAttributes(uint32_t mask);
  // Renames through the shell; false when refused (the entry is then unchanged and *error,
  // when given, holds the errno).
  bool Rename(const QString& newName, int* error = nullptr);
  // Folder -> navigate; symbolic link to a folder -> navigate to the target; else the
  // desktop's association.
  void Open();
  // The folder every shell call of this entry uses (null when none).
  FolderPtr Folder() const;
  // Find data read in bulk by the list (a sort that needs it).
  void SetFindData(const shell::TFindData& fd);
  bool HasFindData() const { return FindDataValid; }
  const shell::TFindData& FindData() const { return find_; }

 protected:
  bool ParseNameValid = false, DisplayNameValid = false, SysIconValid = false, FindDataValid = false,
       ImageTypeValid = false;

 private:
  friend struct TShellItemDelete;
  friend class TShellItems;
  // What only some entries need, made on first use.
  struct TExtra {
    QString DisplayName, ParseName;
    FolderPtr ParentFolder;  // file-list mode: bound from ParentId
  };
  TExtra& extra() const;
  void readFindData();
  mutable std::unique_ptr<TExtra> extra_;
  shell::TFindData find_;
  bool inBlock_ = false;  // built in the list's block storage
};

class TPanelItem : public TShellItem {
 public:
  using TShellItem::TShellItem;
  bool Selected = false;
  bool Loaded = false;
  bool SkipRenameClick = false;
};

class TShellItems {
 public:
  virtual ~TShellItems();
  virtual void Clear();
  virtual FolderPtr FolderInterface() const = 0;
  virtual bool IsFileMode() const = 0;
  virtual shell::PCIDL FolderId() const = 0;
  virtual bool IsImage(int index) = 0;
  virtual void NavigateId(shell::PCIDL absoluteId) = 0;
  virtual void NavigatePath(const QString& path) = 0;
  virtual int IndexOfId(int id) const;
  // Picture-kind test of a path (pure: it must not change shared state).
  virtual TImageType DetectType(const QString& path) const = 0;
  // Opens a file with the desktop's association.
  virtual void Execute(const QString& path) = 0;

  int Count() const { return int(items_.size()); }
  TShellItem* Item(int i) const { return items_[size_t(i)].get(); }
  int IndexOf(const TShellItem* item) const;
  // The key of the entry at a position (null when there is none).
  TEntryKey KeyOf(int index) const;
  // Where that entry is now: by Id while the list is the one it came from (so an entry renamed
  // in place is still found), else by path in a list made since; -1 when it is gone.
  int IndexOfKey(const TEntryKey& key) const;
  void Add(std::unique_ptr<TShellItem> item) { Add(TShellItemPtr(item.release())); }
  void Add(TShellItemPtr item);
  int TakeNextId() { return nextId_++; }

 protected:
  // Builds an entry in the list's block storage (it is still added with Add).
  template <class T>
  TShellItemPtr MakeInBlock(int id) {
    void* at = blockAlloc(sizeof(T), alignof(T));
    T* item = new (at) T(this, id);
    item->inBlock_ = true;
    return TShellItemPtr(item);
  }
  // To be called whenever items_ changed order or content outside Add, Clear and Sort.
  void ItemsChanged() { idIndexValid_ = false; }

  // Declared first: the blocks outlive the entries built in them.
  std::vector<std::unique_ptr<std::byte[]>> blocks_;
  size_t blockUsed_ = 0;
  std::vector<TShellItemPtr> items_;
  int nextId_ = 0;

 private:
  void* blockAlloc(size_t size, size_t align);
  void buildIdIndex() const;
  // Position by Id - idBase_ (-1 none); rebuilt when the list changed.
  mutable std::vector<int> idIndex_;
  // Lowest and highest Id added since the last Clear (lo > hi: none), so the table is
  // made in one pass over the entries.
  mutable int idLo_ = 1, idHi_ = 0;
  mutable int idBase_ = 0;
  mutable size_t idIndexCount_ = 0;
  mutable bool idIndexValid_ = false;
};

// What the entry list needs from its control (TImgPanel implements it).
class TPanelItemsOwner {
 public:
  virtual ~TPanelItemsOwner() = default;
  virtual FolderPtr PanelFolder() const = 0;
  virtual shell::PCIDL PanelFolderId() const = 0;
  virtual bool PanelFileMode() const = 0;
  virtual TDispImage PanelDispImage() const = 0;
  virtual TImageType PanelDetectType(const QString& path) const = 0;
  virtual void PanelNavigateId(shell::PCIDL absoluteId) = 0;
  virtual void PanelNavigatePath(const QString& path) = 0;
  virtual void PanelExecute(const QString& path) = 0;
};

class TPanelItems : public TShellItems {
 public:
  explicit TPanelItems(TPanelItemsOwner* owner) : owner_(owner) {}
  TPanelItem* Item(int i) const { return static_cast<TPanelItem*>(TShellItems::Item(i)); }

  FolderPtr FolderInterface() const override { return owner_->PanelFolder(); }
  bool IsFileMode() const override { return owner_->PanelFileMode(); }
  shell::PCIDL FolderId() const override { return owner_->PanelFolderId(); }
  bool IsImage(int index) override;
  void NavigateId(shell::PCIDL absoluteId) override { owner_->PanelNavigateId(absoluteId); }
  void NavigatePath(const QString& path) override { owner_->PanelNavigatePath(path); }
  TImageType DetectType(const QString& path) const override { return owner_->PanelDetectType(path); }
  void Execute(const QString& path) override { owner_->PanelExecute(path); }

  // Called for each new entry; clearing accept drops it (OnImgItemAdd).
  using TAddFilter = std::function<void(TPanelItem* item, bool& accept)>;
  // Called for each listed non-folder (the loader's look-ahead queue).
  using TListed = std::function<void(TPanelItem* item)>;
  // Lists the current folder through the shell (appending to the list).
  void Enumerate(const TDispTypes& types, const TAddFilter& filter = {}, const TListed& listed = {});
  // File-list mode: one entry for a path (an empty path adds an empty entry); null when
  // the path does not name an item.
  TPanelItem* AddFile(const QString& path);
  // Shell comparison order of the sort type, reversed when descending.
  void Sort(TSortTypeEx type, bool descend);
  int CompareItems(TShellItem* a, TShellItem* b, TSortTypeEx type, bool descend) const;

 private:
  // Folder mode: the shell's column order from the entries' own names, folder flags and
  // find data (read in bulk first when the column needs it).
  void sortFolder(shell::TShellFolder* folder, TSortTypeEx type, bool descend);
  void sortByName(bool descend);
  // folder: the current folder in folder mode, null in file-list mode.
  int compare(shell::TShellFolder* folder, TShellItem* a, TShellItem* b, TSortTypeEx type, bool descend) const;
  TPanelItemsOwner* owner_;
};

}  // namespace catalog
