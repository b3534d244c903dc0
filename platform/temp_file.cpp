#include "platform/temp_file.h"

#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char kPrefix[] = ".qivo2-";
constexpr char kSuffix[] = ".tmp";
constexpr int kHexDigits = 8;
constexpr int kAttempts = 100;

// The host name and the process-id namespace: a pid means a process only within both, so a
// folder shared over the network or with a container never sees a living writer as ended.
uint32_t hostTag() {
  static const uint32_t tag = [] {
    char buf[HOST_NAME_MAX + 1 + 64] = {};
    if (::gethostname(buf, HOST_NAME_MAX) != 0) buf[0] = '\0';
    size_t n = ::strnlen(buf, HOST_NAME_MAX);
    buf[n++] = '\n';
    const ssize_t ns = ::readlink("/proc/self/ns/pid", buf + n, sizeof buf - n - 1);
    if (ns > 0) n += size_t(ns);
    uint32_t h = 2166136261u;  // FNV-1a
    for (size_t i = 0; i < n; ++i) h = (h ^ uint8_t(buf[i])) * 16777619u;
    return h;
  }();
  return tag;
}

QByteArray hex8(uint32_t v) { return QByteArray::number(v, 16).rightJustified(kHexDigits, '0'); }

bool isHex8(const char* p) {
  for (int i = 0; i < kHexDigits; ++i)
    if (!((p[i] >= '0' && p[i] <= '9') || (p[i] >= 'a' && p[i] <= 'f'))) return false;
  return true;
}

// The pid in a name of exactly our form with our host tag; 0 for any other name.
pid_t ownerOf(const char* name) {
  const size_t len = ::strlen(name);
  const size_t prefix = sizeof kPrefix - 1, suffix = sizeof kSuffix - 1;
  const size_t fixed = prefix + kHexDigits + 1 + 1 + kHexDigits + suffix;
  if (len <= fixed || len > fixed + 10) return 0;
  if (::strncmp(name, kPrefix, prefix) != 0 || ::strcmp(name + len - suffix, kSuffix) != 0) return 0;
  const char* p = name + prefix;
  if (!isHex8(p) || QByteArray(p, kHexDigits) != hex8(hostTag()) || p[kHexDigits] != '-') return 0;
  p += kHexDigits + 1;
  const char* digits = p;
  long long pid = 0;
  while (*p >= '0' && *p <= '9') pid = pid * 10 + (*p++ - '0');
  const size_t nDigits = size_t(p - digits);
  if (nDigits == 0 || nDigits > 10 || *digits == '0' || *p != '-') return 0;
  ++p;
  if (!isHex8(p) || p + kHexDigits != name + len - suffix) return 0;
  if (pid <= 0 || pid > INT_MAX) return 0;
  return pid_t(pid);
}

QByteArray folderOf(const QByteArray& target) {
  const qsizetype slash = target.lastIndexOf('/');
  if (slash < 0) return ".";
  return slash == 0 ? QByteArray("/") : target.left(slash);
}

}  // namespace

QByteArray TempFileName(pid_t pid) {
  return kPrefix + hex8(hostTag()) + "-" + QByteArray::number(qint64(pid)) + "-" +
         hex8(QRandomGenerator::global()->generate()) + kSuffix;
}

int RemoveEndedTempFiles(const QByteArray& folder) {
  const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return 0;
  DIR* dir = ::fdopendir(dirFd);
  if (!dir) {
    ::close(dirFd);
    return 0;
  }
  const pid_t self = ::getpid();
  int removed = 0;
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN) continue;
    const pid_t pid = ownerOf(e->d_name);
    if (pid == 0 || pid == self) continue;
    if (!(::kill(pid, 0) == -1 && errno == ESRCH)) continue;
    struct stat st {};
    if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::unlinkat(dirFd, e->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

int CreateTempFileBeside(const QByteArray& target, mode_t mode, QByteArray& tempPath) {
  const QByteArray folder = folderOf(target);
  RemoveEndedTempFiles(folder);
  const QByteArray base = folder == "/" ? folder : folder + "/";
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const QByteArray candidate = base + TempFileName(::getpid());
    const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd >= 0) tempPath = candidate;
    return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace platform
