#include "platform/no_replace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int RenameNoReplace(const QByteArray& from, const QByteArray& to) {
  if (from.isEmpty() || to.isEmpty()) return ENOENT;
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
  // File systems without RENAME_NOREPLACE; a link keeps the file under one name at least
  // at every moment. Folders cannot be linked.
  struct stat st {};
  if (::lstat(from.constData(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) {
    if (::lstat(to.constData(), &st) == 0) return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
  }
  if (::link(from.constData(), to.constData()) != 0) return errno;
  if (::unlink(from.constData()) != 0) {
    const int unlinkErr = errno;
    ::unlink(to.constData());
    return unlinkErr;
  }
  return 0;
}

}  // namespace platform
