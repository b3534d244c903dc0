#include "platform/shell.h"

#include "platform/path_bytes.h"

#include <QDesktopServices>
#include <QUrl>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::shell {

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Extension including its dot, or empty.
std::string_view extensionOf(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

int compareCaseless(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
    if (x != y) return (unsigned char)x < (unsigned char)y ? -1 : 1;
  }
  return sign((long long)a.size() - (long long)b.size());
}

// lstat, then the target of a link; name is the item's own name (for the hidden bit).
bool statAt(int dirFd, const char* path, std::string_view name, TFindData& out, bool& isDir, bool& isLink) {
  struct stat st {};
  if (fstatat(dirFd, path, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  isLink = S_ISLNK(st.st_mode);
  if (isLink) {
    struct stat target {};
    if (fstatat(dirFd, path, &target, 0) == 0) st = target;
  }
  isDir = S_ISDIR(st.st_mode);
  out.size = uint64_t(st.st_size);
  out.mtimeSec = int64_t(st.st_mtim.tv_sec);
  out.mtimeNsec = int32_t(st.st_mtim.tv_nsec);
  uint32_t a = 0;
  if (isDir) a |= FILE_ATTRIBUTE_DIRECTORY;
  else if (S_ISREG(st.st_mode)) a |= FILE_ATTRIBUTE_ARCHIVE;
  if (isLink) a |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (faccessat(dirFd, path, W_OK, 0) != 0 && errno == EACCES) a |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.') a |= FILE_ATTRIBUTE_HIDDEN;
  out.attributes = a;
  return true;
}

bool statPath(const QByteArray& path, TFindData& out, bool& isDir, bool& isLink) {
  const int slash = path.lastIndexOf('/');
  const std::string_view name(path.constData() + slash + 1, size_t(path.size() - slash - 1));
  return statAt(AT_FDCWD, path.constData(), name, out, isDir, isLink);
}

std::string_view lastName(PCIDL list) {
  std::string_view n;
  for (PCIDL r = list; r && !IdListIsDesktop(r); r = IdListNext(r)) n = IdRecordName(r);
  return n;
}

QByteArray joinPath(const QByteArray& folder, std::string_view name) {
  QByteArray p = folder;
  if (!p.endsWith('/')) p += '/';
  p.append(name.data(), qsizetype(name.size()));
  return p;
}

}  // namespace

int CompareNamesNatural(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      const int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (c) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const char x = lowerAscii(a[i]), y = lowerAscii(b[j]);
    if (x != y) return (unsigned char)x < (unsigned char)y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

size_t NaturalNameKey(std::string_view name, uint8_t* out, size_t cap) {
  size_t n = 0;
  auto put = [&](uint8_t b) {
    if (n < cap) out[n] = b;
    ++n;
  };
  for (size_t i = 0; i < name.size();) {
    if (!isDigit(name[i])) {
      // Never in '0'..'9', so against a digit run it decides as the run's first digit would.
      put(uint8_t(lowerAscii(name[i++])));
      continue;
    }
    while (i < name.size() && name[i] == '0') ++i;
    size_t end = i;
    while (end < name.size() && isDigit(name[end])) ++end;
    put('0');
    // Longer runs are larger: 254 digits per 0xFF, then the rest + 1 (never 0, never 0xFF).
    size_t len = end - i;
    for (; len >= 254; len -= 254) put(0xFF);
    put(uint8_t(len + 1));
    for (; i < end; ++i) put(uint8_t(name[i]));
  }
  return n;
}

// ---- enumeration ----

TEnumIdList::TEnumIdList(std::shared_ptr<TShellFolder> folder, void* dir, uint32_t flags)
    : folder_(std::move(folder)), dir_(dir), flags_(flags) {}

TEnumIdList::~TEnumIdList() {
  if (dir_) closedir(static_cast<DIR*>(dir_));
}

bool TEnumIdList::Next(PIDL& item) {
  item = nullptr;
  DIR* dir = static_cast<DIR*>(dir_);
  if (!dir) return false;
  while (struct dirent* e = readdir(dir)) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    if (name[0] == '.' && !(flags_ & SHCONTF_INCLUDEHIDDEN)) continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        type = S_ISDIR(st.st_mode) ? DT_DIR : (S_ISLNK(st.st_mode) ? DT_LNK : DT_REG);
    }
    const bool folder = type == DT_DIR;
    if (folder && !(flags_ & SHCONTF_FOLDERS)) continue;
    if (!folder && !(flags_ & SHCONTF_NONFOLDERS)) continue;
    PIDL id = IdListFromName(name);
    if (!id) continue;
    if (type != DT_REG) folder_->remember(name, type);
    else folder_->forget(name);
    folder_->lastName_.assign(name);
    folder_->lastInfo_ = TShellFolder::Info{type == DT_DIR, type == DT_LNK, false, false, {}};
    item = id;
    return true;
  }
  folder_->enumerated_ = true;
  return false;
}

// ---- folder ----

TShellFolder::TShellFolder(PIDL id) : id_(id), path_(IdListToPath(id)) {}

std::shared_ptr<TShellFolder> TShellFolder::Desktop() {
  return std::shared_ptr<TShellFolder>(new TShellFolder(IdListFromPath("/")));
}

std::shared_ptr<TShellFolder> TShellFolder::Bind(PCIDL absoluteId) {
  if (!absoluteId) return nullptr;
  if (IdListIsDesktop(absoluteId)) return Desktop();
  const QByteArray path = IdListToPath(absoluteId);
  struct stat st {};
  if (stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  return std::shared_ptr<TShellFolder>(new TShellFolder(IdListClone(absoluteId)));
}

PIDL TShellFolder::ParseDisplayName(const QString& path, uint32_t* attributes) const {
  if (attributes) *attributes = 0;
  if (!path.startsWith('/')) return nullptr;
  PIDL id = IdListFromPath(platform::PathBytes(path));
  if (!id) return nullptr;
  TFindData fd;
  bool dir = false, link = false;
  if (!statPath(IdListToPath(id), fd, dir, link)) {
    IdListFree(id);
    return nullptr;
  }
  if (attributes) {
    uint32_t a = SFGAO_CANCOPY | SFGAO_CANDELETE | SFGAO_CANRENAME | SFGAO_FILESYSTEM;
    if (link) a |= SFGAO_LINK;
    else if (dir) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    *attributes = a;
  }
  return id;
}

std::shared_ptr<TShellFolder> TShellFolder::BindToObject(PCIDL relativeId) const {
  if (!relativeId) return nullptr;
  TIdListPtr abs(IdListCombine(id_.get(), relativeId));
  return Bind(abs.get());
}

std::unique_ptr<TEnumIdList> TShellFolder::EnumObjects(uint32_t flags) {
  DIR* dir = opendir(path_.constData());
  if (!dir) return nullptr;
  return std::unique_ptr<TEnumIdList>(new TEnumIdList(shared_from_this(), dir, flags));
}

void TShellFolder::remember(std::string_view name, unsigned char dirType) {
  Info& i = cache_[std::string(name)];
  i.folder = dirType == DT_DIR;
  i.link = dirType == DT_LNK;
  i.statted = false;
  if (i.folder) folders_[std::string(name)] = true;
  else if (!folders_.empty()) folders_.erase(std::string(name));
}

void TShellFolder::forget(std::string_view name) {
  if (!cache_.empty()) {
    const auto it = cache_.find(name);
    if (it != cache_.end()) cache_.erase(it);
  }
  if (!folders_.empty()) {
    const auto it = folders_.find(name);
    if (it != folders_.end()) folders_.erase(it);
  }
}

bool TShellFolder::isFolder(PCIDL relativeId) {
  if (enumerated_ && IdListCount(relativeId) == 1) {
    if (folders_.empty()) return false;
    const auto it = folders_.find(IdRecordName(relativeId));
    if (it != folders_.end()) return true;
    // Not a listed folder; a name never listed here is looked up the slow way.
    if (cache_.find(IdRecordName(relativeId)) != cache_.end()) return false;
  }
  const Info* i = info(relativeId, false);
  return i && i->folder;
}

TShellFolder::Info* TShellFolder::info(PCIDL relativeId, bool needStat) {
  if (!relativeId || IdListIsDesktop(relativeId)) return nullptr;
  TFindData fd;
  bool dir = false, link = false;
  if (IdListCount(relativeId) > 1) {
    // Deeper lists (absolute lists on the desktop) are looked up by path, not cached.
    static thread_local Info scratch;
    const bool ok = statPath(ItemPath(relativeId), fd, dir, link);
    if (!ok) return nullptr;
    scratch = Info{dir && !link, link, true, true, fd};
    return &scratch;
  }
  const std::string_view name = IdRecordName(relativeId);
  if (!needStat && name == lastName_) return &lastInfo_;
  auto it = cache_.find(name);
  if (it != cache_.end() && (!needStat || it->second.statted)) return &it->second;
  const bool ok = statPath(ItemPath(relativeId), fd, dir, link);
  if (!ok && it == cache_.end()) return nullptr;
  if (it == cache_.end()) it = cache_.emplace(std::string(name), Info{}).first;
  Info& i = it->second;
  i.statted = true;
  i.statOk = ok;
  if (ok) {
    i.find = fd;
    i.link = link;
    i.folder = dir && !link;
    if (i.folder) folders_[std::string(name)] = true;
    else if (!folders_.empty()) folders_.erase(std::string(name));
  }
  return &i;
}

uint32_t TShellFolder::GetAttributesOf(PCIDL relativeId, uint32_t mask) {
  const Info* i = info(relativeId, false);
  if (!i) return 0;
  uint32_t a = SFGAO_CANCOPY | SFGAO_CANDELETE | SFGAO_CANRENAME | SFGAO_FILESYSTEM;
  if (i->link) a |= SFGAO_LINK;
  else if (i->folder) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
  return a & mask;
}

QByteArray TShellFolder::ItemPath(PCIDL relativeId) const {
  QByteArray p = path_;
  for (PCIDL r = relativeId; r && !IdListIsDesktop(r); r = IdListNext(r)) p = joinPath(p, IdRecordName(r));
  return p;
}

QString TShellFolder::GetDisplayNameOf(PCIDL relativeId, uint32_t flags) const {
  if (!relativeId) return QString();
  if (flags & SHGDN_FORPARSING) return platform::PathFromBytes(ItemPath(relativeId));
  if (IdListIsDesktop(relativeId)) return IsDesktop() ? QStringLiteral("/") : QString();
  // In-folder and editing names: the last component.
  PCIDL last = relativeId;
  for (PCIDL r = relativeId; r && !IdListIsDesktop(r); r = IdListNext(r)) last = r;
  const QString name = platform::PathFromBytes(IdRecordName(last));
  // The editing name keeps the bytes, so an edit of part of it renames losslessly.
  return (flags & SHGDN_FOREDITING) ? name : platform::DisplayName(name);
}

namespace {

// Folders first, then the column; 0 leaves the order to the name.
int compareColumn(int column, const TItemKey& a, const TItemKey& b) {
  if (a.folder != b.folder) return a.folder ? -1 : 1;
  static const TFindData none;
  const TFindData& fa = a.find ? *a.find : none;
  const TFindData& fb = b.find ? *b.find : none;
  int c = 0;
  switch (column) {
    case 1:
      c = fa.size < fb.size ? -1 : (fa.size > fb.size ? 1 : 0);
      break;
    case 2:
      c = compareCaseless(extensionOf(a.name), extensionOf(b.name));
      break;
    case 3:
      c = sign(fa.mtimeSec - fb.mtimeSec);
      if (!c) c = sign(fa.mtimeNsec - fb.mtimeNsec);
      break;
    case 4:
      c = sign((long long)fa.attributes - (long long)fb.attributes);
      break;
    default:
      break;
  }
  return c;
}

}  // namespace

int CompareItemKeys(int column, const TItemKey& a, const TItemKey& b) {
  const int c = compareColumn(column, a, b);
  return c ? c : CompareNamesNatural(a.name, b.name);
}

int TShellFolder::CompareIDs(int column, PCIDL a, PCIDL b) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  const bool deep = IdListCount(a) != 1 || IdListCount(b) != 1;
  if (deep && column == 0) return IdListSame(a, b);
  if (deep && !IdListSame(a, b)) return 0;
  const std::string_view na = lastName(a), nb = lastName(b);
  if (!deep && na == nb) return 0;
  TItemKey ka{na}, kb{nb};
  Info ca, cb;
  if (column == 0 || column == 2) {
    // Name and type need only the folder flag.
    ka.folder = isFolder(a);
    kb.folder = isFolder(b);
  } else {
    Info* ia = info(a, true);
    if (ia) ca = *ia;  // the second lookup may reuse the scratch slot
    Info* ib = info(b, true);
    if (ib) cb = *ib;
    ka = {na, ca.folder, &ca.find};
    kb = {nb, cb.folder, &cb.find};
  }
  if (!deep) return CompareItemKeys(column, ka, kb);
  const int c = compareColumn(column, ka, kb);
  return c ? c : IdListSame(a, b);
}

PIDL TShellFolder::SetNameOf(PCIDL relativeId, const QString& newName, int* error) {
  auto refuse = [error](int e) -> PIDL {
    if (error) *error = e;
    return nullptr;
  };
  if (!relativeId || IdListCount(relativeId) != 1) return refuse(EINVAL);
  const QByteArray nameBytes = platform::PathBytes(newName);
  const std::string_view newView(nameBytes.constData(), size_t(nameBytes.size()));
  PIDL fresh = IdListFromName(newView);
  if (!fresh) return refuse(EINVAL);
  const std::string_view oldView = IdRecordName(relativeId);
  if (oldView == newView) return fresh;
  const QByteArray from = ItemPath(relativeId), to = joinPath(path_, newView);
  int rc = renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // No RENAME_NOREPLACE here: link refuses an existing target, so nothing is replaced.
    rc = link(from.constData(), to.constData());
    if (rc == 0 && unlink(from.constData()) != 0) {
      unlink(to.constData());
      rc = -1;
    }
  }
  if (rc != 0) {
    const int e = errno;
    IdListFree(fresh);
    return refuse(e);
  }
  if (lastName_ == oldView) lastName_.clear();
  auto it = cache_.find(oldView);
  if (it != cache_.end()) {
    Info moved = it->second;
    cache_.erase(it);
    cache_[std::string(newView)] = moved;
  }
  auto f = folders_.find(oldView);
  if (f != folders_.end()) {
    folders_.erase(f);
    folders_[std::string(newView)] = true;
  }
  return fresh;
}

bool TShellFolder::GetFindData(PCIDL relativeId, TFindData& out) {
  const Info* i = info(relativeId, true);
  if (!i || !i->statOk) return false;
  out = i->find;
  return true;
}

void TShellFolder::GetFindDataMany(size_t count, const std::function<PCIDL(size_t)>& itemAt,
                                   const std::function<void(size_t, const TFindData&)>& found) const {
  const int dirFd = open(path_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  std::string name;
  for (size_t i = 0; i < count; ++i) {
    PCIDL id = itemAt(i);
    if (!id || IdListCount(id) != 1) continue;
    name.assign(IdRecordName(id));
    TFindData fd;
    bool dir = false, link = false;
    if (statAt(dirFd, name.c_str(), name, fd, dir, link)) found(i, fd);
  }
  close(dirFd);
}

// ---- helpers ----

QString ResolveLink(const QString& linkPath) {
  const QByteArray p = platform::PathBytes(linkPath);
  char buf[PATH_MAX];
  const ssize_t n = readlink(p.constData(), buf, sizeof buf);
  if (n <= 0 || size_t(n) >= sizeof buf) return QString();
  QByteArray target(buf, n);
  if (!target.startsWith('/')) {
    const int slash = p.lastIndexOf('/');
    target = p.left(slash + 1) + target;
  }
  TIdListPtr id(IdListFromPath(target));
  return id ? platform::PathFromBytes(IdListToPath(id.get())) : QString();
}

bool IsDirectoryPath(const QString& path) {
  return platform::KindOfPath(path) == platform::PathKind::Folder;
}

bool ShellExecuteOpen(const QString& path) {
  if (path.isEmpty()) return false;
  // Percent-encoded bytes: a name that is not UTF-8 reaches the application unchanged.
  return QDesktopServices::openUrl(QUrl::fromEncoded("file://" + platform::PathBytes(path).toPercentEncoding("/")));
}

}  // namespace platform::shell
