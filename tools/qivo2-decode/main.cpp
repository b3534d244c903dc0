// qivo2-decode: the decode worker QIVO2 and its tools start (decode/decode_worker.h). It
// talks over descriptor 3 only. It loads the plug-ins it is asked to load; before the first
// call into a plug-in that faces a picture it shuts itself in: no new privileges (set at
// once), a memory limit (set at once), and a seccomp filter that lets through only reading
// and writing descriptors it already has, memory, threads of its own, time and exit. Every
// other system call fails with EPERM and is reported with the call's answer.
//
// A plug-in that opens the picture's name gets a copy of the descriptor the host passed;
// any other name is refused (and reported) without asking the system.
#include <QString>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <memory>
#include <new>
#include <poll.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

#include "decode/decode_protocol.h"
#include "decode/decode_worker.h"
#include "decode/spi_errors.h"
#include "decode/spi_host.h"
#include "decode/spi_plugin_list.h"
#include "decode/spi_support.h"

namespace {

constexpr int kSocket = 3;
constexpr int kMaxDenied = 16;

// What the stand-ins for open need, and what they and the SIGSYS handler saw. The one
// process-wide state of the worker: libc's open has no other way to reach it.
struct TGate {
  bool shut = false;            // after the filter is in: names are no longer opened
  const char* name = nullptr;   // the picture's name during a call
  int fd = -1;                  // its descriptor
  char refused[kMaxDenied][128] = {};
  int refusedCount = 0;
  volatile sig_atomic_t syscalls[kMaxDenied] = {};
  volatile sig_atomic_t syscallCount = 0;
};
TGate gGate;

void Refuse(const char* path) {
  if (gGate.refusedCount < kMaxDenied)
    std::snprintf(gGate.refused[gGate.refusedCount++], sizeof gGate.refused[0], "open %s", path ? path : "");
}

// -2: not ours to decide (before the filter is in); -1 refused (errno set); else a new
// descriptor of the picture, at its start.
int Gated(const char* path) {
  if (!gGate.shut) return -2;
  if (path && gGate.name && gGate.fd >= 0 && std::strcmp(path, gGate.name) == 0) {
    const int fd = dup(gGate.fd);
    if (fd >= 0) lseek(fd, 0, SEEK_SET);
    return fd;
  }
  Refuse(path);
  errno = EACCES;
  return -1;
}

int OpenAt(int dirfd, const char* path, int flags, mode_t mode) {
  const int g = Gated(path);
  if (g != -2) return g;
  return int(syscall(SYS_openat, dirfd, path, flags, mode));
}

mode_t ModeArg(int flags, va_list ap) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(ap, int)) : 0;
}

using FOpen = FILE* (*)(const char*, const char*);

FILE* GatedFOpen(const char* path, const char* mode, const char* real) {
  const int g = Gated(path);
  if (g == -1) return nullptr;
  if (g >= 0) {
    FILE* f = fdopen(g, "rb");
    if (!f) close(g);
    return f;
  }
  static const auto next = reinterpret_cast<FOpen>(dlsym(RTLD_NEXT, real));
  if (!next) {
    errno = ENOSYS;
    return nullptr;
  }
  return next(path, mode);
}

}  // namespace

// The plug-ins' (and everyone's in this process) open and fopen.
extern "C" {
FILE* fopen(const char* path, const char* mode) { return GatedFOpen(path, mode, "fopen"); }
FILE* fopen64(const char* path, const char* mode) { return GatedFOpen(path, mode, "fopen64"); }
int open(const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t m = ModeArg(flags, ap);
  va_end(ap);
  return OpenAt(AT_FDCWD, path, flags, m);
}
int open64(const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t m = ModeArg(flags, ap);
  va_end(ap);
  return OpenAt(AT_FDCWD, path, flags, m);
}
int openat(int dirfd, const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t m = ModeArg(flags, ap);
  va_end(ap);
  return OpenAt(dirfd, path, flags, m);
}
int openat64(int dirfd, const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t m = ModeArg(flags, ap);
  va_end(ap);
  return OpenAt(dirfd, path, flags, m);
}
int __open_2(const char* path, int flags) { return OpenAt(AT_FDCWD, path, flags, 0); }
int __open64_2(const char* path, int flags) { return OpenAt(AT_FDCWD, path, flags, 0); }
int __openat_2(int dirfd, const char* path, int flags) { return OpenAt(dirfd, path, flags, 0); }
int __openat64_2(int dirfd, const char* path, int flags) { return OpenAt(dirfd, path, flags, 0); }
}

namespace {

#if defined(__x86_64__)
// A refused system call: note it and answer EPERM, as if the system had.
void OnSigsys(int, siginfo_t* info, void* context) {
  const int n = gGate.syscallCount;
  if (n < kMaxDenied) {
    gGate.syscalls[n] = info->si_syscall;
    gGate.syscallCount = n + 1;
  }
  static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RAX] = -EPERM;
}
#endif

bool Allow(scmp_filter_ctx ctx, int nr) { return seccomp_rule_add(ctx, SCMP_ACT_ALLOW, nr, 0) == 0; }

// What a decoding library needs once its file is open.
bool ShutIn() {
#if defined(__x86_64__)
  struct sigaction sa{};
  sa.sa_sigaction = OnSigsys;
  sa.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigaction(SIGSYS, &sa, nullptr);
  const uint32_t refuse = SCMP_ACT_TRAP;
#else
  const uint32_t refuse = SCMP_ACT_ERRNO(EPERM);
#endif
  scmp_filter_ctx ctx = seccomp_init(refuse);
  if (!ctx) return false;
  bool ok = seccomp_attr_set(ctx, SCMP_FLTATR_CTL_TSYNC, 1) == 0;
  const int allowed[] = {
      SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(pread64), SCMP_SYS(preadv), SCMP_SYS(write), SCMP_SYS(writev),
      SCMP_SYS(pwrite64), SCMP_SYS(lseek), SCMP_SYS(close), SCMP_SYS(fstat), SCMP_SYS(dup), SCMP_SYS(fcntl),
      SCMP_SYS(recvmsg), SCMP_SYS(sendmsg), SCMP_SYS(memfd_create), SCMP_SYS(ftruncate), SCMP_SYS(mmap),
      SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(mprotect), SCMP_SYS(madvise), SCMP_SYS(brk),
      SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq), SCMP_SYS(exit), SCMP_SYS(exit_group),
      SCMP_SYS(rt_sigreturn), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigaction), SCMP_SYS(sigaltstack),
      SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(gettimeofday), SCMP_SYS(nanosleep),
      SCMP_SYS(clock_nanosleep), SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity), SCMP_SYS(getpid),
      SCMP_SYS(gettid), SCMP_SYS(getrandom), SCMP_SYS(poll), SCMP_SYS(ppoll), SCMP_SYS(getrlimit),
      SCMP_SYS(prlimit64), SCMP_SYS(sysinfo), SCMP_SYS(uname)};
  for (int nr : allowed) ok = ok && Allow(ctx, nr);
  // fstat of a descriptor only (glibc asks with an empty name), never of a path.
  ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(newfstatat), 1,
                              SCMP_A3(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH)) == 0;
  // Threads of its own, no new processes; clone3 hides its flags, so glibc falls back.
  ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                              SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)) == 0;
  ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
  // A signal to itself only (abort).
  ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1, SCMP_A0(SCMP_CMP_EQ, uint64_t(getpid()))) == 0;
  ok = ok && seccomp_load(ctx) == 0;
  seccomp_release(ctx);
  gGate.shut = ok;
  return ok;
}

void SetMemoryLimit(long long bytes) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  (void)bytes;  // the sanitizers reserve terabytes of address space up front
#else
  if (bytes <= 0) return;
  rlimit r{rlim_t(bytes), rlim_t(bytes)};
  setrlimit(RLIMIT_AS, &r);
#endif
}

[[noreturn]] void OutOfMemory() { _exit(decode::kWorkerOutOfMemoryExit); }

void BeginCall(const QByteArray& name, int fd) {
  gGate.name = name.constData();
  gGate.fd = fd;
  gGate.refusedCount = 0;
  gGate.syscallCount = 0;
}

// Ends a call: what was refused, in words.
void EndCall(decode::wire::TWriter& w) {
  gGate.name = nullptr;
  gGate.fd = -1;
  QStringList denied;
  for (int i = 0; i < gGate.refusedCount; ++i) denied << QString::fromUtf8(gGate.refused[i]);
  for (int i = 0; i < gGate.syscallCount && i < kMaxDenied; ++i) {
    char* name = seccomp_syscall_resolve_num_arch(SCMP_ARCH_NATIVE, gGate.syscalls[i]);
    denied << (name ? QString::fromLatin1(name) : QString::number(gGate.syscalls[i]));
    std::free(name);
  }
  w.u32(uint32_t(denied.size()));
  for (const QString& d : denied) w.text(d);
}

// TSpi's entry of each of the manager's (decode::kSPIEntryNames).
constexpr decode::TSpi::Entry kEntryOf[decode::seCount] = {
    decode::TSpi::eGetPluginInfo, decode::TSpi::eConfigurationDlg, decode::TSpi::eIsSupported,
    decode::TSpi::eGetPictureInfo, decode::TSpi::eGetPicture, decode::TSpi::eGetPreview,
    decode::TSpi::eGetArchiveInfo, decode::TSpi::eGetFileInfo, decode::TSpi::eGetFile};

class TServer {
 public:
  QByteArray Handle(const QByteArray& request, int fd, int& replyFd) {
    replyFd = -1;
    decode::wire::TReader r(request);
    uint32_t kind;
    if (!r.u32(kind)) return {};
    if (kind == decode::wire::kLoad) return load(r);
    if (!gGate.shut && !ShutIn()) return {};
    int32_t slot;
    if (!r.i32(slot) || slot < 0 || size_t(slot) >= slots_.size() || !slots_[size_t(slot)]) return {};
    decode::TSpi& spi = *slots_[size_t(slot)];
    if (kind == decode::wire::kSupports) return supports(r, spi, fd);
    if (kind == decode::wire::kPicture || kind == decode::wire::kInfo) {
      TSource src;
      if (!source(r, fd, src)) return {};
      return kind == decode::wire::kPicture ? picture(spi, src, replyFd) : info(spi, src);
    }
    return {};
  }

 private:
  QByteArray load(decode::wire::TReader& r) {
    QString path;
    if (!r.text(path)) return {};
    decode::wire::TWriter w;
    const int32_t slot = int32_t(slots_.size());
    std::unique_ptr<decode::TSpi> spi;
    int32_t status = 0;
    try {
      spi = std::make_unique<decode::TSpi>(path);
    } catch (const decode::ESPILoadError& e) {
      status = e.Code();
    } catch (const std::exception&) {
      status = decode::wire::kLoadOpenError;
    }
    w.i32(status).i32(slot);
    w.text(spi ? spi->APIVersion : QString()).text(spi ? spi->PluginName : QString());
    w.u32(spi ? uint32_t(spi->Filters.size()) : 0);
    if (spi)
      for (const QString& f : spi->Filters) w.text(f);
    // The manager's plug-in classes need the descriptions and which functions there are.
    QStringList descriptions;
    uint32_t entries = 0;
    if (spi) {
      const auto about = reinterpret_cast<SPI_GetPluginInfo>(spi->EntryPoint(decode::TSpi::eGetPluginInfo));
      for (int i = 0; i < spi->Filters.size(); ++i) {
        QString d;
        decode::ReadPluginInfo(about, SPI_INFO_FIRST_PATTERN + 2 * i + 1, d);
        descriptions << d;
      }
      for (int e = 0; e < decode::seCount; ++e)
        if (spi->EntryPoint(kEntryOf[e])) entries |= 1u << e;
    }
    w.u32(uint32_t(descriptions.size()));
    for (const QString& d : descriptions) w.text(d);
    w.u32(entries);
    // Only picture import plug-ins are ever asked anything.
    if (spi && spi->APIVersion != QLatin1String("00IN")) spi.reset();
    slots_.push_back(std::move(spi));
    return w.data();
  }

  QByteArray supports(decode::wire::TReader& r, decode::TSpi& spi, int fd) {
    QByteArray name;
    const uint8_t* head = nullptr;
    if (!r.bytes(name, 4096) || !(head = r.raw(decode::kHeaderBufferSize))) return {};
    uint8_t buf[decode::kHeaderBufferSize];
    std::memcpy(buf, head, sizeof buf);
    const auto fn = reinterpret_cast<SPI_IsSupported>(spi.EntryPoint(decode::TSpi::eIsSupported));
    BeginCall(name, fd);
    const int result = fn ? fn(name.constData(), buf) : 0;
    decode::wire::TWriter w;
    w.i32(result);
    EndCall(w);
    return w.data();
  }

  // What a kInfo or kPicture call decodes: the file by name, or the passed bytes as memory.
  struct TSource {
    uint32_t flags = 0;
    QByteArray name;
    const char* buf = nullptr;
    long len = 0;
    unsigned kind = SPI_SOURCE_FILE;
    int fd = -1;
    std::shared_ptr<void> map;
  };

  static bool source(decode::wire::TReader& r, int fd, TSource& src) {
    uint64_t offset;
    if (!r.u32(src.flags) || !r.bytes(src.name, 4096) || !r.u64(offset)) return false;
    src.fd = fd;
    if (!(src.flags & decode::wire::kMemory)) {
      if (offset > uint64_t(LONG_MAX)) return false;
      src.buf = src.name.constData();
      src.len = long(offset);
      return true;
    }
    struct stat st{};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size <= 0 || offset >= uint64_t(st.st_size)) return false;
    const size_t size = size_t(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) return false;
    src.map = std::shared_ptr<void>(map, [size](void* p) { munmap(p, size); });
    src.buf = static_cast<const char*>(map) + offset;
    src.len = long(size - offset);
    src.kind = SPI_SOURCE_MEMORY;
    return true;
  }

  QByteArray info(decode::TSpi& spi, const TSource& src) {
    const auto fn = reinterpret_cast<SPI_GetPictureInfo>(spi.EntryPoint(decode::TSpi::eGetPictureInfo));
    SpiPictureInfo pi{};
    BeginCall(src.name, src.fd);
    const int result = fn ? fn(src.buf, src.len, src.kind, &pi) : SPI_NO_FUNCTION;
    QByteArray text;
    if (result == 0 && pi.hInfo) {
      const decode::THandle hold(pi.hInfo);
      const auto* c = static_cast<const char*>(hold.get());
      text = QByteArray(c, qsizetype(strnlen(c, std::min<size_t>(decode::HandleSize(c), 64 * 1024))));
    }
    if (result != 0) pi = {};
    decode::wire::TWriter w;
    w.i32(result).i32(pi.left).i32(pi.top).i32(pi.width).i32(pi.height);
    w.u32(pi.x_density).u32(pi.y_density).u32(uint32_t(uint16_t(pi.colorDepth))).bytes(text);
    EndCall(w);
    return w.data();
  }

  QByteArray picture(decode::TSpi& spi, const TSource& src, int& replyFd) {
    const auto getPicture = reinterpret_cast<SPI_GetPicture>(spi.EntryPoint(decode::TSpi::eGetPicture));
    const auto getPreview = reinterpret_cast<SPI_GetPicture>(spi.EntryPoint(decode::TSpi::eGetPreview));
    void* hinfo = nullptr;
    void* hbits = nullptr;
    int result = SPI_NO_FUNCTION;
    BeginCall(src.name, src.fd);
    // As TSpi::LoadBitmap makes them.
    if ((src.flags & decode::wire::kPreview) && getPreview)
      result = getPreview(src.buf, src.len, src.kind, &hinfo, &hbits, nullptr, 0);
    if (result != 0) {
      hinfo = hbits = nullptr;
      result = getPicture ? getPicture(src.buf, src.len, src.kind, &hinfo, &hbits, nullptr, 0) : SPI_NO_FUNCTION;
    }
    uint64_t infoSize = 0, bitsSize = 0;
    if (result == 0) {
      const decode::THandle info(hinfo), bits(hbits);
      infoSize = decode::HandleSize(info.get());
      bitsSize = decode::HandleSize(bits.get());
      replyFd = sealedCopy(info.get(), infoSize, bits.get(), bitsSize);
      if (replyFd < 0) result = SPI_NO_MEMORY;
    }
    decode::wire::TWriter w;
    w.i32(result).u64(infoSize).u64(bitsSize);
    EndCall(w);
    return w.data();
  }

  // The picture's BITMAPINFO and bits in a memfd no one can change any more.
  static int sealedCopy(const void* info, size_t infoSize, const void* bits, size_t bitsSize) {
    const int fd = memfd_create("qivo2-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return -1;
    auto put = [fd](const void* p, size_t n) {
      const auto* c = static_cast<const char*>(p);
      while (n > 0) {
        const ssize_t k = write(fd, c, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        c += k;
        n -= size_t(k);
      }
      return true;
    };
    if (!put(info, infoSize) || !put(bits, bitsSize) ||
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }

  std::vector<std::unique_ptr<decode::TSpi>> slots_;
};

}  // namespace

int main(int argc, char** argv) {
  long long memory = 0;
  long long parent = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--memory") == 0) memory = std::atoll(argv[i + 1]);
    if (std::strcmp(argv[i], "--parent") == 0) parent = std::atoll(argv[i + 1]);
  }
  // Only ever started by a host that handed over its end of the socket.
  if (fcntl(kSocket, F_GETFD) < 0 || (parent > 0 && getppid() != pid_t(parent))) {
    std::fprintf(stderr, "qivo2-decode: started by QIVO2 only\n");
    return 2;
  }
  fcntl(kSocket, F_SETFD, FD_CLOEXEC);
  prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  SetMemoryLimit(memory);
  std::set_new_handler(OutOfMemory);
  // A host that is gone, even killed, hangs up: end, even inside a plug-in that never returns.
  std::thread([] {
    pollfd p{kSocket, 0, 0};
    while (poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    _exit(0);
  }).detach();

  TServer server;
  for (;;) {
    int fd = -1;
    const auto request = decode::wire::Receive(kSocket, &fd);
    if (!request) return 0;
    int replyFd = -1;
    const QByteArray reply = server.Handle(*request, fd, replyFd);
    if (fd >= 0) close(fd);
    if (reply.isEmpty()) return 3;  // a request we do not understand: the host is not ours
    const bool sent = decode::wire::Send(kSocket, reply, replyFd);
    if (replyFd >= 0) close(replyFd);
    if (!sent) return 0;
  }
}
