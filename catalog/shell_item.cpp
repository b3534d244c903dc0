#include "catalog/shell_item.h"

#include "platform/path_bytes.h"
#include "platform/shell_icons.h"

#include <QDateTime>
#include <algorithm>

namespace catalog {

using namespace platform::shell;

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

FolderPtr TShellItem::Folder() const {
  if (!Owner) return nullptr;
  if (!Owner->IsFileMode()) return Owner->FolderInterface();
  if (!ParentId) return nullptr;
  if (!parentFolder_) parentFolder_ = TShellFolder::Bind(ParentId);
  return parentFolder_;
}

QString TShellItem::GetDisplayName() {
  if (!DisplayNameValid) {
    const FolderPtr f = Folder();
    DisplayName = f && RelativeId ? f->GetDisplayNameOf(RelativeId, SHGDN_INFOLDER) : QString();
    DisplayNameValid = true;
  }
  return DisplayName;
}

void TShellItem::SetDisplayName(const QString& name) {
  DisplayName = name;
  DisplayNameValid = true;
}

QString TShellItem::GetParseName() {
  if (!ParseNameValid) {
    const FolderPtr f = Folder();
    ParseName = f && RelativeId ? f->GetDisplayNameOf(RelativeId, SHGDN_FORPARSING) : QString();
    ParseNameValid = true;
  }
  return ParseName;
}

void TShellItem::SetParseName(const QString& name) {
  ParseName = name;
  ParseNameValid = true;
}

void TShellItem::readFindData() {
  if (FindDataValid) return;
  const FolderPtr f = Folder();
  TFindData fd;
  if (!f || !RelativeId || !f->GetFindData(RelativeId, fd)) return;
  Size = int(uint32_t(fd.size));
  SizeText = SizeTextOf(fd.size);
  if (DateText.isEmpty()) DateText = DateTextOf(fd.mtimeSec);
  Attributes = fd.attributes;
  FindDataValid = true;
}

int TShellItem::GetSize() {
  readFindData();
  return Size;
}

QString TShellItem::GetSizeText() {
  readFindData();
  return SizeText;
}

QString TShellItem::GetDateText() {
  readFindData();
  return DateText;
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

bool TShellItem::Rename(const QString& newName) {
  const FolderPtr f = Folder();
  if (!f || !RelativeId) return false;
  PIDL fresh = f->SetNameOf(RelativeId, newName);
  if (!fresh) return false;
  IdListFree(RelativeId);
  RelativeId = fresh;
  ParseNameValid = DisplayNameValid = SysIconValid = ImageTypeValid = false;
  GetParseName();
  GetDisplayName();
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

TShellItems::~TShellItems() = default;

void TShellItems::Clear() { items_.clear(); }

int TShellItems::IndexOfId(int id) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Id == id) return int(i);
  return -1;
}

int TShellItems::IndexOf(const TShellItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return int(i);
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
    QString parseName;
    if (filtering) {
      parseName = folder->GetDisplayNameOf(id, SHGDN_FORPARSING);
      if (!(a & SFGAO_FILESYSANCESTOR) && !types.Match(parseName)) {
        IdListFree(id);
        continue;
      }
    }
    auto item = std::make_unique<TPanelItem>(this, TakeNextId());
    item->RelativeId = id;
    id = nullptr;
    applyAttributes(*item, a);
    if (filtering) item->SetParseName(parseName);
    bool accept = true;
    if (filter) filter(item.get(), accept);
    if (!accept) continue;
    TPanelItem* raw = item.get();
    Add(std::move(item));
    if (!raw->IsFolder && listed) listed(raw);
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
  TShellFolder* f = folder.get();
  std::sort(items_.begin(), items_.end(), [&](const auto& a, const auto& b) {
    return compare(f, a.get(), b.get(), type, descend) < 0;
  });
}

}  // namespace catalog
