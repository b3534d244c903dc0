#include "catalog/shell_item.h"

#include "platform/fileop.h"
#include "platform/path_bytes.h"
#include "platform/shell_icons.h"

#include <QDateTime>
#include <cerrno>
#include <algorithm>
#include <bit>
#include <cstring>
#include <thread>
#include <utility>

namespace catalog {

using namespace platform::shell;

QString RenameRefusalText(const QString& newName, int error) {
  if (newName.isEmpty()) return QStringLiteral("ファイル名が指定されていません。");
  if (newName.contains(u'/') || newName.contains(QChar(0)) || newName == u"." || newName == u"..")
    return QStringLiteral("ファイル名に使用できない文字が含まれています。");
  if (error == EEXIST || error == ENOTEMPTY)
    return QStringLiteral("指定されたファイル名は既に存在します。別の名前を指定して下さい｡ ");
  return platform::ErrorText(error);
}

QString SizeTextOf(uint64_t size) {
  const uint32_t low = uint32_t(size);
  return QString::number((low >> 10) + 1) + QStringLiteral("KB");
}

QString DateTextOf(int64_t secondsSinceEpoch) {
  // A DOS time keeps even seconds only; minutes are all the text shows.
  const int64_t even = secondsSinceEpoch - (((secondsSinceEpoch % 2) + 2) % 2);
  return QDateTime::fromSecsSinceEpoch(even).toLocalTime().toString(QStringLiteral("yyyy/MM/dd hh:mm"));
}

// ---- entry ----

TShellItem::TShellItem(TShellItems* owner, int id) : Owner(owner), Id(id) {}

TShellItem::~TShellItem() {
  IdListFree(RelativeId);
  IdListFree(ParentId);
}

void TShellItemDelete::operator()(TShellItem* item) const {
  if (!item) return;
  if (item->inBlock_) item->~TShellItem();  // the block goes with the list
  else delete item;
}

TShellItem::TExtra& TShellItem::extra() const {
  if (!extra_) extra_ = std::make_unique<TExtra>();
  return *extra_;
}

FolderPtr TShellItem::Folder() const {
  if (!Owner) return nullptr;
  if (!Owner->IsFileMode()) return Owner->FolderInterface();
  if (!ParentId) return nullptr;
  TExtra& x = extra();
  if (!x.ParentFolder) x.ParentFolder = TShellFolder::Bind(ParentId);
  return x.ParentFolder;
}

// The names follow from RelativeId, so they are made when asked rather than kept; a name
// set from outside is kept.
QString TShellItem::GetDisplayName() {
  if (DisplayNameValid) return extra_ ? extra_->DisplayName : QString();
  const FolderPtr f = Folder();
  return f && RelativeId ? f->GetDisplayNameOf(RelativeId, SHGDN_INFOLDER) : QString();
}

void TShellItem::SetDisplayName(const QString& name) {
  extra().DisplayName = name;
  DisplayNameValid = true;
}

QString TShellItem::GetParseName() {
  if (ParseNameValid) return extra_ ? extra_->ParseName : QString();
  const FolderPtr f = Folder();
  return f && RelativeId ? f->GetDisplayNameOf(RelativeId, SHGDN_FORPARSING) : QString();
}

void TShellItem::SetParseName(const QString& name) {
  extra().ParseName = name;
  ParseNameValid = true;
}

void TShellItem::SetFindData(const TFindData& fd) {
  find_ = fd;
  Size = int(uint32_t(fd.size));
  Attributes = fd.attributes;
  FindDataValid = true;
}

void TShellItem::readFindData() {
  if (FindDataValid) return;
  const FolderPtr f = Folder();
  TFindData fd;
  if (!f || !RelativeId || !f->GetFindData(RelativeId, fd)) return;
  SetFindData(fd);
}

int TShellItem::GetSize() {
  readFindData();
  return Size;
}

// Both texts follow from the find data, which is read once for the entry's life.
QString TShellItem::GetSizeText() {
  readFindData();
  return FindDataValid ? SizeTextOf(find_.size) : QString();
}

QString TShellItem::GetDateText() {
  readFindData();
  return FindDataValid ? DateTextOf(find_.mtimeSec) : QString();
}

uint32_t TShellItem::GetAttributes() {
  readFindData();
  return Attributes;
}

int TShellItem::GetSysIconIndex() {
  if (!SysIconValid) {
    SysIconIndex = platform::shell::SysIconIndex(GetDisplayName(), IsFolder, Overlay == 1);
    SysIconValid = true;
  }
  return SysIconIndex;
}

TImageType TShellItem::GetImageType() {
  if (!ImageTypeValid) {
    ImageType = IsFolder ? TImageType::iitDir : (Owner ? Owner->DetectType(GetParseName()) : TImageType::iitNone);
    ImageTypeValid = true;
  }
  return ImageType;
}

void TShellItem::MarkNotImage() {
  ImageType = TImageType::iitNone;
  ImageTypeValid = true;
}

PIDL TShellItem::AbsoluteId() const {
  if (!RelativeId || !Owner) return nullptr;
  PCIDL folder = Owner->IsFileMode() ? ParentId : Owner->FolderId();
  return IdListCombine(folder, RelativeId);
}

bool TShellItem::HasAttributes(uint32_t mask) {
  const FolderPtr f = Folder();
  return f && RelativeId && (f->GetAttributesOf(RelativeId, mask) & mask) != 0;
}

bool TShellItem::Rename(const QString& newName, int* error) {
  const FolderPtr f = Folder();
  if (!f || !RelativeId) {
    if (error) *error = ENOENT;
    return false;
  }
  PIDL fresh = f->SetNameOf(RelativeId, newName, error);
  if (!fresh) return false;
  IdListFree(RelativeId);
  RelativeId = fresh;
  ParseNameValid = DisplayNameValid = SysIconValid = ImageTypeValid = false;
  if (extra_) extra_->DisplayName = extra_->ParseName = QString();
  return true;
}

void TShellItem::Open() {
  if (!Owner) return;
  const bool fileMode = Owner->IsFileMode();
  if (IsFolder && !fileMode) {
    if (!RelativeId) return;
    TIdListPtr abs(AbsoluteId());
    Owner->NavigateId(abs.get());
    return;
  }
  if (!fileMode && Overlay == 1) {
    // A symbolic link plays the shortcut: one to a folder opens the folder it names.
    const QString target = ResolveLink(GetParseName());
    if (!target.isEmpty() && IsDirectoryPath(target)) {
      Owner->NavigatePath(target);
      return;
    }
  }
  const QString path = GetParseName();
  if (!path.isEmpty()) Owner->Execute(path);
}

// ---- lists ----

TShellItems::~TShellItems() {
  items_.clear();  // before the blocks they live in
}

void TShellItems::Clear() {
  items_.clear();
  blocks_.clear();
  blockUsed_ = 0;
  idLo_ = 1;
  idHi_ = 0;
  ItemsChanged();
}

void TShellItems::Add(TShellItemPtr item) {
  const int id = item->Id;
  if (idLo_ > idHi_) idLo_ = idHi_ = id;
  idLo_ = std::min(idLo_, id);
  idHi_ = std::max(idHi_, id);
  items_.push_back(std::move(item));
  ItemsChanged();
}

void* TShellItems::blockAlloc(size_t size, size_t align) {
  constexpr size_t kBlock = 256 * 1024;
  size_t at = (blockUsed_ + align - 1) / align * align;
  if (blocks_.empty() || at + size > kBlock) {
    blocks_.push_back(std::make_unique<std::byte[]>(std::max(kBlock, size)));
    at = 0;
  }
  blockUsed_ = at + size;
  return blocks_.back().get() + at;
}

void TShellItems::buildIdIndex() const {
  auto fill = [this] {
    idIndex_.assign(size_t(idHi_ - idLo_) + 1, -1);
    for (size_t i = 0; i < items_.size(); ++i) {
      const int id = items_[i]->Id;
      if (id < idLo_ || id > idHi_) return false;
      idIndex_[size_t(id - idLo_)] = int(i);
    }
    return true;
  };
  idIndex_.clear();
  idBase_ = 0;
  if (!items_.empty()) {
    // The bounds Add keeps spare a pass over every entry; one put in the list some other
    // way has them found again.
    if (idLo_ > idHi_ || !fill()) {
      idLo_ = idHi_ = items_[0]->Id;
      for (const auto& it : items_) {
        idLo_ = std::min(idLo_, it->Id);
        idHi_ = std::max(idHi_, it->Id);
      }
      fill();
    }
    idBase_ = idLo_;
  }
  idIndexCount_ = items_.size();
  idIndexValid_ = true;
}

int TShellItems::IndexOfId(int id) const {
  auto lookup = [&] {
    const long long k = (long long)id - idBase_;
    const int i = (k >= 0 && k < (long long)idIndex_.size()) ? idIndex_[size_t(k)] : -1;
    return i >= 0 && i < Count() && items_[size_t(i)]->Id == id ? i : (i < 0 ? -1 : -2);
  };
  if (!idIndexValid_ || idIndexCount_ != items_.size()) buildIdIndex();
  int i = lookup();
  if (i == -2) {
    // The list was changed without ItemsChanged: look again from scratch.
    buildIdIndex();
    i = lookup();
  }
  return i < 0 ? -1 : i;
}

TEntryKey TShellItems::KeyOf(int index) const {
  if (index < 0 || index >= Count()) return {};
  TShellItem* item = Item(index);
  return {item->Id, item->GetParseName()};
}

int TShellItems::IndexOfKey(const TEntryKey& key) const {
  if (key.Id >= 0) {
    const int i = IndexOfId(key.Id);
    if (i >= 0) return i;
  }
  if (key.Path.isEmpty()) return -1;
  for (int i = 0; i < Count(); ++i)
    if (Item(i)->GetParseName() == key.Path) return i;
  return -1;
}

int TShellItems::IndexOf(const TShellItem* item) const {
  if (!item) return -1;
  const int i = IndexOfId(item->Id);
  if (i >= 0 && items_[size_t(i)].get() == item) return i;
  for (size_t j = 0; j < items_.size(); ++j)
    if (items_[j].get() == item) return int(j);
  return -1;
}

bool TPanelItems::IsImage(int index) {
  if (index < 0 || index >= Count()) return false;
  const TImageType t = Item(index)->GetImageType();
  if (IsIconKind(t)) return false;
  return owner_->PanelDispImage().Has(t);
}

namespace {

constexpr uint32_t kListAttributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_SHARE | SFGAO_LINK;

void applyAttributes(TShellItem& item, uint32_t a) {
  item.IsFolder = (a & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR)) != 0;
  if (a & SFGAO_SHARE) item.Overlay = 0;
  if ((a & SFGAO_LINK) && !(a & SFGAO_FOLDER)) item.Overlay = 1;
}

}  // namespace

void TPanelItems::Enumerate(const TDispTypes& types, const TAddFilter& filter, const TListed& listed) {
  const FolderPtr folder = FolderInterface();
  if (!folder) return;
  uint32_t flags = 0;
  if (types.Folders()) flags |= SHCONTF_FOLDERS;
  if (types.NonFolders()) flags |= SHCONTF_NONFOLDERS;
  if (types.Hidden()) flags |= SHCONTF_INCLUDEHIDDEN;
  auto en = folder->EnumObjects(flags);
  if (!en) return;
  const bool filtering = types.FilterActive();
  PIDL id = nullptr;
  while (en->Next(id)) {
    const uint32_t a = folder->GetAttributesOf(id, kListAttributes);
    // The filter looks at the name alone, so no path is made for an entry.
    if (filtering && !(a & SFGAO_FILESYSANCESTOR) && !types.MatchName(IdRecordName(id))) {
      IdListFree(id);
      continue;
    }
    TShellItemPtr owned = MakeInBlock<TPanelItem>(TakeNextId());
    auto* item = static_cast<TPanelItem*>(owned.get());
    item->RelativeId = id;
    id = nullptr;
    applyAttributes(*item, a);
    bool accept = true;
    if (filter) filter(item, accept);
    if (!accept) continue;
    Add(std::move(owned));
    if (!item->IsFolder && listed) listed(item);
  }
}

TPanelItem* TPanelItems::AddFile(const QString& path) {
  if (path.isEmpty()) {
    auto item = std::make_unique<TPanelItem>(this, TakeNextId());
    TPanelItem* raw = item.get();
    Add(std::move(item));
    return raw;
  }
  const FolderPtr desktop = TShellFolder::Desktop();
  uint32_t attrs = 0;
  TIdListPtr abs(desktop->ParseDisplayName(path, &attrs));
  if (!abs) return nullptr;
  TIdListPtr parent(IdListParent(abs.get()));
  const FolderPtr folder = TShellFolder::Bind(parent.get());
  if (!folder) return nullptr;
  TIdListPtr last(IdListLast(abs.get()));
  const QString parsed = folder->GetDisplayNameOf(last.get(), SHGDN_FORPARSING);
  // Whole paths are case-sensitive here, so the parsed name must match exactly (after
  // the "." and ".." steps the parser resolves).
  if (parsed != platform::PathFromBytes(IdListToPath(abs.get()))) return nullptr;
  auto item = std::make_unique<TPanelItem>(this, TakeNextId());
  item->SetParseName(parsed);
  item->RelativeId = last.release();
  item->ParentId = parent.release();
  applyAttributes(*item, attrs & kListAttributes);
  TPanelItem* raw = item.get();
  Add(std::move(item));
  return raw;
}

int TPanelItems::CompareItems(TShellItem* a, TShellItem* b, TSortTypeEx type, bool descend) const {
  const FolderPtr folder = IsFileMode() ? nullptr : FolderInterface();
  return compare(folder.get(), a, b, type, descend);
}

int TPanelItems::compare(TShellFolder* folder, TShellItem* a, TShellItem* b, TSortTypeEx type, bool descend) const {
  if (a == b) return 0;
  int c = 0;
  if (!a->RelativeId || !b->RelativeId) {
    if (!a->RelativeId && !b->RelativeId) return 0;
    c = !a->RelativeId ? -1 : 1;
  } else if (folder) {
    c = int16_t(folder->CompareIDs(int(type), a->RelativeId, b->RelativeId) & 0xFFFF);
  } else if (IsFileMode() && type == TSortTypeEx::istName) {
    const QByteArray x = a->GetDisplayName().toUtf8(), y = b->GetDisplayName().toUtf8();
    int r = std::string_view(x.constData(), size_t(x.size())).compare(std::string_view(y.constData(), size_t(y.size())));
    // Names that differ only in bytes shown as U+FFFD still have one order.
    if (r == 0) r = IdRecordName(a->RelativeId).compare(IdRecordName(b->RelativeId));
    c = r < 0 ? -1 : (r > 0 ? 1 : 0);
  } else if (IsFileMode()) {
    // Entries of a file list live in different folders: compare their absolute lists.
    TIdListPtr x(a->AbsoluteId()), y(b->AbsoluteId());
    c = int16_t(TShellFolder::Desktop()->CompareIDs(int(type), x.get(), y.get()) & 0xFFFF);
  }
  return descend ? -c : c;
}

void TPanelItems::Sort(TSortTypeEx type, bool descend) {
  // One folder reference for the whole sort, not one per comparison.
  const FolderPtr folder = IsFileMode() ? nullptr : FolderInterface();
  if (!IsFileMode() && !folder) return;
  if (folder) {
    sortFolder(folder.get(), type, descend);
  } else {
    std::sort(items_.begin(), items_.end(),
              [&](const auto& a, const auto& b) { return compare(nullptr, a.get(), b.get(), type, descend) < 0; });
  }
  ItemsChanged();
}

namespace {

// One entry as the sort sees it: no pointer chase to reach its name.
struct TSortKey {
  TItemKey key;
  bool hasId;
  uint32_t index;
};

int compareKeys(int column, const TSortKey& a, const TSortKey& b) {
  if (!a.hasId || !b.hasId) return a.hasId == b.hasId ? 0 : (a.hasId ? 1 : -1);
  return CompareItemKeys(column, a.key, b.key);
}

// The name order's key of one entry: a kind byte (no Id, folder, file: the order the
// comparison puts them in) and the natural name key, its first bytes in place and the
// rest, for long names, in a side store. Most comparisons read nothing but this.
struct TNameKey {
  static constexpr size_t kHead = 24;
  uint8_t head[kHead];
  uint32_t tail;  // offset in the store of the key's rest; 0 none
  uint32_t index;
};

int compareHeads(const uint8_t* a, const uint8_t* b) {
  for (size_t k = 0; k < TNameKey::kHead; k += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + k, 8);
    std::memcpy(&y, b + k, 8);
    if (x == y) continue;
    if constexpr (std::endian::native == std::endian::little) {
      x = __builtin_bswap64(x);
      y = __builtin_bswap64(y);
    }
    return x < y ? -1 : 1;
  }
  return 0;
}

// The rest of every long key, each as a 32-bit length and its bytes.
class TKeyTails {
 public:
  TKeyTails() : bytes_(1) {}  // offset 0 means none
  uint32_t Add(const uint8_t* rest, size_t n) {
    const uint32_t at = uint32_t(bytes_.size());
    const uint32_t len = uint32_t(n);
    bytes_.insert(bytes_.end(), reinterpret_cast<const uint8_t*>(&len), reinterpret_cast<const uint8_t*>(&len) + 4);
    bytes_.insert(bytes_.end(), rest, rest + n);
    return at;
  }
  // Byte order of two rests, a prefix first.
  int Compare(uint32_t a, uint32_t b) const {
    const auto [pa, na] = at(a);
    const auto [pb, nb] = at(b);
    const int c = std::memcmp(pa, pb, std::min(na, nb));
    if (c) return c < 0 ? -1 : 1;
    return na < nb ? -1 : (na > nb ? 1 : 0);
  }

 private:
  std::pair<const uint8_t*, size_t> at(uint32_t offset) const {
    if (!offset) return {bytes_.data(), 0};
    uint32_t len;
    std::memcpy(&len, bytes_.data() + offset, 4);
    return {bytes_.data() + offset + 4, len};
  }
  std::vector<uint8_t> bytes_;
};

// Sorts keys in two halves side by side (a huge folder waits for half the time) and merges
// them straight into the new order of items.
template <class Key, class Less>
void sortInto(std::vector<Key>& keys, std::vector<TShellItemPtr>& items, Less less) {
  const auto half = std::ptrdiff_t(keys.size() / 2);
  if (keys.size() >= 20000) {
    std::thread other([&] { std::sort(keys.begin(), keys.begin() + half, less); });
    std::sort(keys.begin() + half, keys.end(), less);
    other.join();
  } else {
    std::sort(keys.begin(), keys.end(), less);
  }
  std::vector<TShellItemPtr> sorted;
  sorted.reserve(items.size());
  auto a = keys.begin(), aEnd = keys.size() >= 20000 ? keys.begin() + half : keys.end();
  auto b = aEnd, bEnd = keys.end();
  // Ties take the first half first, as a merge does.
  while (a != aEnd && b != bEnd) sorted.push_back(std::move(items[(less(*b, *a) ? b++ : a++)->index]));
  for (; a != aEnd; ++a) sorted.push_back(std::move(items[a->index]));
  for (; b != bEnd; ++b) sorted.push_back(std::move(items[b->index]));
  items = std::move(sorted);
}

}  // namespace

void TPanelItems::sortFolder(TShellFolder* folder, TSortTypeEx type, bool descend) {
  const int column = int(type);
  if (column == 0) {
    sortByName(descend);
    return;
  }
  if (column == 1 || column == 3 || column == 4) {
    // The column needs find data: read what is missing in one pass over the folder.
    std::vector<size_t> missing;
    for (size_t i = 0; i < items_.size(); ++i)
      if (!items_[i]->HasFindData() && items_[i]->RelativeId) missing.push_back(i);
    folder->GetFindDataMany(
        missing.size(), [&](size_t k) { return PCIDL(items_[missing[k]]->RelativeId); },
        [&](size_t k, const TFindData& fd) { items_[missing[k]]->SetFindData(fd); });
  }
  std::vector<TSortKey> keys(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    const TShellItem* it = items_[i].get();
    keys[i] = {{IdRecordName(it->RelativeId), it->IsFolder, it->HasFindData() ? &it->FindData() : nullptr},
               it->RelativeId != nullptr, uint32_t(i)};
  }
  sortInto(keys, items_, [column, descend](const TSortKey& a, const TSortKey& b) {
    return descend ? compareKeys(column, b, a) < 0 : compareKeys(column, a, b) < 0;
  });
}

// The same order as compareKeys for the name column, from keys made once per entry
// instead of a natural comparison of the names at every step.
void TPanelItems::sortByName(bool descend) {
  std::vector<TNameKey> keys(items_.size());
  TKeyTails tails;
  std::vector<uint8_t> whole;
  for (size_t i = 0; i < items_.size(); ++i) {
    const TShellItem* it = items_[i].get();
    TNameKey& k = keys[i];
    std::memset(k.head, 0, sizeof k.head);
    k.tail = 0;
    k.index = uint32_t(i);
    k.head[0] = !it->RelativeId ? 1 : (it->IsFolder ? 2 : 3);
    if (!it->RelativeId) continue;
    const std::string_view name = IdRecordName(it->RelativeId);
    const size_t n = NaturalNameKey(name, k.head + 1, TNameKey::kHead - 1);
    if (n > TNameKey::kHead - 1) {
      whole.resize(n);
      NaturalNameKey(name, whole.data(), n);
      k.tail = tails.Add(whole.data() + (TNameKey::kHead - 1), n - (TNameKey::kHead - 1));
    }
  }
  auto compare = [&](const TNameKey& a, const TNameKey& b) {
    if (const int c = compareHeads(a.head, b.head)) return c;
    if (a.tail || b.tail) {
      if (const int c = tails.Compare(a.tail, b.tail)) return c;
    }
    // Names alike but for letter case or leading zeros: their raw bytes decide.
    const int c = IdRecordName(items_[a.index]->RelativeId).compare(IdRecordName(items_[b.index]->RelativeId));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  };
  sortInto(keys, items_, [&](const TNameKey& a, const TNameKey& b) {
    return descend ? compare(b, a) < 0 : compare(a, b) < 0;
  });
}

}  // namespace catalog
