#include "platform/fileop.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
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

int MoveToTrash(const QString& path) {
  if (!PathTaken(path)) return ENOENT;
  if (!IsTextPath(path)) return EILSEQ;
  // Qt 6.4 puts the file into "./files" of the working folder and reports success when the
  // data folder that holds the home Trash does not exist yet.
  QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  QFile file(path);
  errno = 0;
  if (!file.moveToTrash()) return errno != 0 ? errno : EIO;
  const QString there = file.fileName();
  if (QDir::isAbsolutePath(there)) return 0;
  // Somewhere relative is no Trash: the file goes back where it was.
  const QString name = there.mid(there.lastIndexOf(QLatin1Char('/')) + 1);
  if (RenameNoReplace(PathBytes(QDir::current().absoluteFilePath(there)), PathBytes(path)) == 0)
    QFile::remove(QDir::current().absoluteFilePath(QStringLiteral("info/") + name + QStringLiteral(".trashinfo")));
  return EIO;
}

}  // namespace platform
