#include "extras/cache_files.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_bytes.h"

namespace extras {

namespace {

QByteArray RealFolder(const QString& folder) {
  char buffer[PATH_MAX];
  const char* real = ::realpath(platform::PathBytes(folder).constData(), buffer);
  return real ? QByteArray(real) : QByteArray();
}

// The file name of `path` when its folder is the cache folder, else empty.
QByteArray NameInCache(const QString& cacheFolder, const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  if (slash < 0) return {};
  const QByteArray name = platform::PathBytes(path.mid(slash + 1));
  if (name.isEmpty() || name == "." || name == "..") return {};
  const QByteArray cache = RealFolder(cacheFolder);
  if (cache.isEmpty() || RealFolder(slash == 0 ? QStringLiteral("/") : path.left(slash)) != cache) return {};
  return name;
}

}  // namespace

bool IsCacheFile(const QString& cacheFolder, const QString& path) {
  const QByteArray name = NameInCache(cacheFolder, path);
  if (name.isEmpty()) return false;
  struct stat st {};
  return ::lstat(platform::PathBytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DeleteCacheFile(const QString& cacheFolder, const QString& path) {
  const QByteArray name = NameInCache(cacheFolder, path);
  if (name.isEmpty()) return false;
  // By name within the folder itself, so a folder swapped meanwhile cannot redirect it.
  const int dir = ::open(platform::PathBytes(cacheFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  struct stat st {};
  const bool done = ::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
                    ::unlinkat(dir, name.constData(), 0) == 0;
  ::close(dir);
  return done;
}

}  // namespace extras
