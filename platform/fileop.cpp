#include "platform/fileop.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/no_replace.h"
#include "platform/path_bytes.h"
#include "platform/regular_file.h"

namespace platform {

namespace {

constexpr size_t kChunk = size_t(1) << 20;

// The system's own errno where it gave one (ELOOP stays ELOOP); a file that opened but is no
// regular file says what it is.
int ErrorOfOpen(const RegularFile& f, const QString& path) {
  if (f.Error() == FileError::NotRegular) return KindOfPath(path) == PathKind::Folder ? EISDIR : ENOTSUP;
  if (f.Errno() != 0) return f.Errno();
  return f.Error() == FileError::NotFound ? ENOENT : f.Error() == FileError::NoPermission ? EACCES : EIO;
}

ssize_t PlainWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }

// Writes all of `size` bytes; 0 or the errno.
int WriteAll(const TCopyOptions& o, int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = o.Write ? o.Write(fd, data, size) : PlainWrite(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno != 0 ? errno : EIO;
    if (n == 0) return ENOSPC;
    data += n;
    size -= size_t(n);
  }
  return 0;
}

void SyncFolderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  const QByteArray folder = slash <= 0 ? QByteArray(slash == 0 ? "/" : ".") : path.left(slash);
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool SameFile(const QString& a, const QString& b) {
  struct stat sa {}, sb {};
  return ::stat(PathBytes(a).constData(), &sa) == 0 && ::stat(PathBytes(b).constData(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString ErrorText(int error) { return qt_error_string(error); }

int CopyFileChecked(const QString& from, const QString& to, const TCopyOptions& options) {
  if (SameFile(from, to)) return EINVAL;
  if (KindOfPath(to) == PathKind::Folder) return EISDIR;
  RegularFile source = RegularFile::Open(from);
  if (!source) return ErrorOfOpen(source, from);
  struct stat st {};
  if (::fstat(source.Fd(), &st) != 0) return errno;

  TSaveFile target(to, options.Replace);
  if (!target.Open()) return target.Error();
  auto& file = static_cast<QFile&>(target.Device());
  const int out = file.handle();

  std::unique_ptr<char[]> buffer(new char[kChunk]);
  int64_t done = 0;
  for (;;) {
    const ssize_t n = ::read(source.Fd(), buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno != 0 ? errno : EIO;
    if (n == 0) break;
    if (const int err = WriteAll(options, out, buffer.get(), size_t(n))) return err;
    done += n;
    if (options.Progress && !options.Progress(done)) return ECANCELED;
  }
  // The copy must hold exactly what the source held when it was opened.
  struct stat now {}, written {};
  if (::fstat(source.Fd(), &now) != 0 || ::fstat(out, &written) != 0) return EIO;
  if (done != st.st_size || now.st_size != st.st_size || written.st_size != done) return EIO;
  ::fchmod(out, st.st_mode & 0777);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(out, times);
  if (!target.Commit()) return target.Error() != 0 ? target.Error() : EIO;
  SyncFolderOf(PathBytes(to));
  return 0;
}

int MoveFileChecked(const QString& from, const QString& to, const TCopyOptions& options) {
  if (SameFile(from, to)) return EINVAL;
  const QByteArray src = PathBytes(from), dst = PathBytes(to);
  int err = 0;
  if (options.Replace == TReplace::Never) {
    err = RenameNoReplace(src, dst);
  } else {
    if (KindOfPath(to) == PathKind::Folder) return EISDIR;
    err = ::rename(src.constData(), dst.constData()) == 0 ? 0 : errno;
  }
  if (err != EXDEV) return err;
  // Another file system: the source goes only once its copy is complete and on disk.
  if (const int copyErr = CopyFileChecked(from, to, options)) return copyErr;
  return ::unlink(src.constData()) == 0 ? 0 : errno;
}

namespace {

// The freedesktop Trash: info/NAME.trashinfo is made first (O_EXCL), then the file is renamed
// to files/NAME. A file never leaves its file system on the way to the Trash, so a file on
// another file system than the home Trash goes to the Trash at the top of its own.

constexpr int kTrashAttempts = 200;
constexpr int kCountedAttempts = 50;  // "name.2" .. then random parts
constexpr qsizetype kMaxKeptExtension = 16;
constexpr char kInfoSuffix[] = ".trashinfo";
constexpr qsizetype kInfoSuffixSize = sizeof kInfoSuffix - 1;

struct TTrashPlace {
  QByteArray Folder;  // holds files/ and info/
  QByteArray Top;     // Path= is relative to this; empty: absolute (the home Trash)
};

QByteArray homeDataFolder() {
  const char* xdg = ::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = ::getenv("HOME");
  if (!home || home[0] != '/') return {};
  return QByteArray(home) + "/.local/share";
}

// The device of `path`, or of its nearest existing folder above; false when none is found.
bool deviceOf(QByteArray path, dev_t& dev) {
  struct stat st {};
  for (;;) {
    if (::stat(path.constData(), &st) == 0) {
      dev = st.st_dev;
      return true;
    }
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return false;
    path = slash == 0 ? QByteArray("/") : path.left(slash);
  }
}

// mkdir -p; the folders made here get 0700, as the data folder and the Trash want.
int makeFolders(const QByteArray& path) {
  struct stat st {};
  if (::stat(path.constData(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  const qsizetype slash = path.lastIndexOf('/');
  if (slash > 0)
    if (const int err = makeFolders(path.left(slash))) return err;
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return errno;
  return 0;
}

// A Trash folder on a shared file system: a folder of ours, not a link; made 0700 if missing.
int ownFolder(const QByteArray& path) {
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return errno;
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  return st.st_uid == ::geteuid() ? 0 : EACCES;
}

int topTrashAt(const QByteArray& folder, TTrashPlace& place, const QByteArray& top) {
  if (const int err = ownFolder(folder)) return err;
  if (const int err = ownFolder(folder + "/files")) return err;
  if (const int err = ownFolder(folder + "/info")) return err;
  place = {folder, top};
  return 0;
}

// The mount point above the real folder `folder` (of device `dev`).
QByteArray topOf(QByteArray folder, dev_t dev) {
  struct stat st {};
  while (folder != "/") {
    const qsizetype slash = folder.lastIndexOf('/');
    const QByteArray parent = slash <= 0 ? QByteArray("/") : folder.left(slash);
    if (::stat(parent.constData(), &st) != 0 || st.st_dev != dev) break;
    folder = parent;
  }
  return folder;
}

int findTrash(const QByteArray& realFolder, dev_t dev, TTrashPlace& place) {
  const QByteArray data = homeDataFolder();
  dev_t homeDev = 0;
  if (!data.isEmpty() && deviceOf(data + "/Trash", homeDev) && homeDev == dev) {
    const QByteArray trash = data + "/Trash";
    if (const int err = makeFolders(trash + "/files")) return err;
    if (const int err = makeFolders(trash + "/info")) return err;
    place = {trash, {}};
    return 0;
  }
  const QByteArray top = topOf(realFolder, dev);
  const QByteArray base = top == "/" ? QByteArray() : top;
  const QByteArray uid = QByteArray::number(qulonglong(::geteuid()));
  // An administrator's shared $topdir/.Trash counts only as a sticky folder, not a link.
  struct stat st {};
  if (::lstat((base + "/.Trash").constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
      topTrashAt(base + "/.Trash/" + uid, place, top) == 0)
    return 0;
  return topTrashAt(base + "/.Trash-" + uid, place, top);
}

// Cuts `bytes` to at most `size` bytes without splitting a UTF-8 sequence.
QByteArray cutBytes(const QByteArray& bytes, qsizetype size) {
  if (bytes.size() <= size) return bytes;
  qsizetype n = std::max<qsizetype>(size, 0);
  while (n > 0 && (uchar(bytes[n]) & 0xC0) == 0x80) --n;
  return bytes.left(n);
}

// The attempt-th name for `name` in the Trash, at most `limit` bytes: the name itself, then
// "stem.2.ext", "stem.3.ext", .., then random parts; the stem is shortened to fit.
QByteArray trashName(const QByteArray& name, int attempt, qsizetype limit) {
  if (attempt == 0 && name.size() <= limit) return name;
  const qsizetype dot = name.lastIndexOf('.');
  const bool keepExt = dot > 0 && name.size() - dot <= kMaxKeptExtension && limit > 4 * kMaxKeptExtension;
  const QByteArray stem = keepExt ? name.left(dot) : name, ext = keepExt ? name.mid(dot) : QByteArray();
  QByteArray mark;
  if (attempt > 0)
    mark = "." + (attempt < kCountedAttempts ? QByteArray::number(attempt + 1)
                                             : QByteArray::number(QRandomGenerator::global()->generate(), 36));
  return cutBytes(stem, limit - mark.size() - ext.size()) + mark + ext;
}

QByteArray deletionDate() {
  const time_t now = ::time(nullptr);
  struct tm local {};
  char text[32] = {};
  ::localtime_r(&now, &local);
  ::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

}  // namespace

int MoveToTrash(const QString& path) {
  QByteArray bytes = PathBytes(path);
  while (bytes.size() > 1 && bytes.endsWith('/')) bytes.chop(1);
  struct stat st {};
  if (::lstat(bytes.constData(), &st) != 0) return errno;
  const qsizetype slash = bytes.lastIndexOf('/');
  const QByteArray name = bytes.mid(slash + 1);
  if (name.isEmpty() || name == "." || name == "..") return EINVAL;
  const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : bytes.left(slash);
  char* resolved = ::realpath(folder.constData(), nullptr);
  if (!resolved) return errno;
  const QByteArray realFolder(resolved);
  ::free(resolved);
  const QByteArray original = (realFolder == "/" ? QByteArray() : realFolder) + "/" + name;

  TTrashPlace place;
  if (const int err = findTrash(realFolder, st.st_dev, place)) return err;
  const QByteArray files = place.Folder + "/files/", info = place.Folder + "/info/";
  const long infoMax = ::pathconf(info.constData(), _PC_NAME_MAX), filesMax = ::pathconf(files.constData(), _PC_NAME_MAX);
  const qsizetype limit = qsizetype(std::min(infoMax > 0 ? infoMax : 255, filesMax > 0 ? filesMax : 255)) - kInfoSuffixSize;
  if (limit < 8) return ENAMETOOLONG;

  const QByteArray shown = place.Top.isEmpty() ? original : original.mid(place.Top == "/" ? 1 : place.Top.size() + 1);
  const QByteArray content =
      "[Trash Info]\nPath=" + shown.toPercentEncoding("/") + "\nDeletionDate=" + deletionDate() + "\n";
  for (int attempt = 0; attempt < kTrashAttempts; ++attempt) {
    const QByteArray trashed = trashName(name, attempt, limit);
    const QByteArray infoPath = info + trashed + kInfoSuffix;
    const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return errno;
    int err = WriteAll(TCopyOptions{}, fd, content.constData(), size_t(content.size()));
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0) err = RenameNoReplace(bytes, files + trashed);
    if (err == 0) return 0;
    ::unlink(infoPath.constData());
    if (err != EEXIST) return err;
  }
  return EEXIST;
}

}  // namespace platform
