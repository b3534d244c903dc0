#include "decode/decode_worker.h"

#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <span>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "decode/decode_protocol.h"
#include "decode/spi_support.h"
#include "platform/app_folder.h"
#include "platform/settings.h"

extern char** environ;

namespace decode {

namespace {

// A BITMAPINFO larger than this is no plug-in's (header, masks and 256 colours fit in 1 KiB).
constexpr uint64_t kMaxInfoBytes = 64 * 1024;

bool ReadDenied(wire::TReader& r, QStringList& out) {
  out.clear();
  uint32_t n;
  if (!r.u32(n) || n > 64) return false;
  for (uint32_t i = 0; i < n; ++i) {
    QString s;
    if (!r.text(s)) return false;
    out << s;
  }
  return true;
}

}  // namespace

TSandboxSettings TSandboxSettings::FromIni() { return FromIni(settings::TIniFile().FileName()); }

TSandboxSettings TSandboxSettings::FromIni(const QString& settingsFile) {
  namespace k = settings::keys;
  const settings::TIniFile ini(settingsFile);
  TSandboxSettings s;
  s.Enabled = ini.ReadBool1(k::MainSandbox);
  s.InfoTimeoutMs = std::max(1, ini.Read(k::MainSandboxInfoTime));
  s.PictureTimeoutMs = std::max(1, ini.Read(k::MainSandboxPictureTime));
  s.MemoryLimit = int64_t(std::max(0, ini.Read(k::MainSandboxMemory))) << 20;
  return s;
}

QString TSandboxSettings::Worker() const {
  if (!WorkerPath.isEmpty()) return WorkerPath;
  return QFileInfo(platform::executablePath()).absolutePath() + QStringLiteral("/qivo2-decode");
}

TDecodeWorker::TDecodeWorker(TSandboxSettings settings) : settings_(std::move(settings)) {}

TDecodeWorker::~TDecodeWorker() { stop(); }

bool TDecodeWorker::start() {
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
    fault_ = TWorkerFault::NoWorker;
    return false;
  }
  const QByteArray program = QFileInfo(settings_.Worker()).absoluteFilePath().toLocal8Bit();
  const QByteArray memory = QByteArray::number(qlonglong(settings_.MemoryLimit));
  const QByteArray parent = QByteArray::number(qlonglong(getpid()));
  char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("--memory"),
                  const_cast<char*>(memory.constData()), const_cast<char*>("--parent"),
                  const_cast<char*>(parent.constData()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The worker's end becomes its descriptor 3; everything else of ours is close-on-exec.
  posix_spawn_file_actions_adddup2(&actions, sv[1], 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.constData(), &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(sv[1]);
  if (rc != 0) {
    close(sv[0]);
    fault_ = TWorkerFault::NoWorker;
    return false;
  }
  pid_ = pid;
  socket_ = sv[0];
  // The plug-ins of the worker before, in their slots.
  used_ = false;
  const std::vector<QString> again = std::move(loaded_);
  loaded_.clear();
  for (size_t i = 0; i < again.size(); ++i) {
    TPluginAnswer answer;
    if (!Load(again[i], answer)) {
      // It loaded before and fails now: the next worker goes without it.
      loaded_ = again;
      loaded_[i].clear();
      return false;
    }
  }
  return true;
}

void TDecodeWorker::stop() {
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
  if (pid_ > 0) {
    // The worker's own group: anything a plug-in started goes with it.
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = 0;
}

bool TDecodeWorker::ensureRunning() {
  if (socket_ >= 0) return true;
  if (!start()) {
    stop();
    return false;
  }
  return true;
}

bool TDecodeWorker::call(const QByteArray& request, int fd, int timeoutMs, QByteArray& reply, int* replyFd) {
  *replyFd = -1;
  fault_ = TWorkerFault::None;
  denied_.clear();
  if (!ensureRunning()) return false;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool hung = false;
  if (wire::Send(socket_, request, fd)) {
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        hung = true;
        break;
      }
      pollfd p{socket_, POLLIN, 0};
      const int n = poll(&p, 1, int(std::min<long long>(left, 60 * 1000)));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) continue;
      if (auto got = wire::Receive(socket_, replyFd)) {
        reply = std::move(*got);
        return true;
      }
      break;
    }
  }
  // Hung, dead, or talking nonsense: it goes, and the next call starts a new one.
  int status = 0;
  if (hung) {
    fault_ = TWorkerFault::Hung;
  } else {
    // A dying worker closes its end before the kernel lets us reap it: wait briefly.
    pid_t got = 0;
    for (int i = 0; i < 100 && got == 0; ++i) {
      got = waitpid(pid_, &status, WNOHANG);
      if (got == 0) usleep(2000);
    }
    if (got == pid_) pid_ = 0;
    fault_ = TWorkerFault::Crashed;
    if (got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == kWorkerOutOfMemoryExit)
      fault_ = TWorkerFault::OutOfMemory;
  }
  stop();
  return false;
}

bool TDecodeWorker::Load(const QString& path, TPluginAnswer& answer) {
  // A worker that has made a call can open no library any more: a new one loads them all.
  if (used_) stop();
  QByteArray reply;
  int fd;
  if (!call(wire::TWriter().u32(wire::kLoad).text(path).data(), -1, settings_.InfoTimeoutMs, reply, &fd)) {
    loaded_.emplace_back();  // an empty slot keeps later plug-ins' slots where they are
    return false;
  }
  if (fd >= 0) close(fd);
  wire::TReader r(reply);
  const auto broken = [this] {
    fault_ = TWorkerFault::Crashed;
    stop();
    return false;
  };
  const auto texts = [&r](QStringList& out) {
    uint32_t n;
    if (!r.u32(n) || n > 256) return false;
    for (uint32_t i = 0; i < n; ++i) {
      QString t;
      if (!r.text(t)) return false;
      out << t;
    }
    return true;
  };
  int32_t slot;
  answer = {};
  if (!r.i32(answer.Status) || !r.i32(slot) || !r.text(answer.APIVersion) || !r.text(answer.PluginName) ||
      !texts(answer.Filters) || !texts(answer.Descriptions) || !r.u32(answer.Entries) ||
      slot != int32_t(loaded_.size()))
    return broken();
  answer.Slot = slot;
  loaded_.push_back(path);
  return true;
}

bool TDecodeWorker::IsSupported(int slot, const QByteArray& name, int fd, const uint8_t* head, int& result) {
  QByteArray reply;
  int replyFd;
  const QByteArray request =
      wire::TWriter().u32(wire::kSupports).i32(slot).bytes(name).raw(head, kHeaderBufferSize).data();
  const bool answered = call(request, fd, settings_.InfoTimeoutMs, reply, &replyFd);
  used_ = true;
  if (!answered) return false;
  if (replyFd >= 0) close(replyFd);
  wire::TReader r(reply);
  int32_t value;
  if (!r.i32(value) || !ReadDenied(r, denied_)) {
    fault_ = TWorkerFault::Crashed;
    stop();
    return false;
  }
  result = value;
  return true;
}

bool TDecodeWorker::GetPicture(int slot, const QByteArray& name, int fd, bool preview, graphics::TBitmap& bits,
                               int& result) {
  const TDibSink toBitmap = [&bits](std::span<const uint8_t> info, std::span<const uint8_t> dib) {
    // The conversion into our bitmap is the one copy the pixels take on this side.
    graphics::TBitmap out;
    if (!DibToBitmap(info, dib, out)) return false;
    out.ConvertTo24();
    bits = std::move(out);
    return true;
  };
  return GetDib(slot, name, {fd, false, 0}, preview, toBitmap, result);
}

bool TDecodeWorker::GetDib(int slot, const QByteArray& name, const TWorkerSource& source, bool preview,
                           const TDibSink& dib, int& result) {
  QByteArray reply;
  int memfd;
  const uint32_t flags = (preview ? uint32_t(wire::kPreview) : 0u) | (source.Memory ? uint32_t(wire::kMemory) : 0u);
  const QByteArray request =
      wire::TWriter().u32(wire::kPicture).i32(slot).u32(flags).bytes(name).u64(uint64_t(source.Offset)).data();
  const bool answered = call(request, source.Fd, settings_.PictureTimeoutMs, reply, &memfd);
  used_ = true;
  if (!answered) return false;
  wire::TReader r(reply);
  int32_t value;
  uint64_t infoSize, bitsSize;
  if (!r.i32(value) || !r.u64(infoSize) || !r.u64(bitsSize) || !ReadDenied(r, denied_)) {
    if (memfd >= 0) close(memfd);
    fault_ = TWorkerFault::Crashed;
    stop();
    return false;
  }
  result = value;
  if (value != 0) {
    if (memfd >= 0) close(memfd);
    return true;
  }
  // The picture: only from a memfd the worker can no longer change.
  result = SPI_OUT_OF_ORDER;
  struct stat st{};
  const int seals = memfd >= 0 ? fcntl(memfd, F_GET_SEALS) : -1;
  constexpr int kNeeded = F_SEAL_WRITE | F_SEAL_SHRINK;
  if (memfd < 0 || seals < 0 || (seals & kNeeded) != kNeeded || fstat(memfd, &st) != 0 || infoSize == 0 ||
      infoSize > kMaxInfoBytes || bitsSize > uint64_t(st.st_size) || infoSize > uint64_t(st.st_size) - bitsSize) {
    if (memfd >= 0) close(memfd);
    return true;
  }
  const size_t total = size_t(infoSize + bitsSize);
  void* map = mmap(nullptr, total, PROT_READ, MAP_SHARED, memfd, 0);
  close(memfd);
  if (map == MAP_FAILED) return true;
  const auto* base = static_cast<const uint8_t*>(map);
  if (dib({base, size_t(infoSize)}, {base + infoSize, size_t(bitsSize)})) result = 0;
  munmap(map, total);
  return true;
}

bool TDecodeWorker::GetPictureInfo(int slot, const QByteArray& name, const TWorkerSource& source,
                                   SpiPictureInfo& info, QByteArray& text, int& result) {
  QByteArray reply;
  int replyFd;
  const uint32_t flags = source.Memory ? uint32_t(wire::kMemory) : 0u;
  const QByteArray request =
      wire::TWriter().u32(wire::kInfo).i32(slot).u32(flags).bytes(name).u64(uint64_t(source.Offset)).data();
  const bool answered = call(request, source.Fd, settings_.InfoTimeoutMs, reply, &replyFd);
  used_ = true;
  if (!answered) return false;
  if (replyFd >= 0) close(replyFd);
  wire::TReader r(reply);
  int32_t value, left, top, width, height;
  uint32_t xDensity, yDensity, depth;
  if (!r.i32(value) || !r.i32(left) || !r.i32(top) || !r.i32(width) || !r.i32(height) || !r.u32(xDensity) ||
      !r.u32(yDensity) || !r.u32(depth) || !r.bytes(text, 64 * 1024) || !ReadDenied(r, denied_)) {
    fault_ = TWorkerFault::Crashed;
    stop();
    return false;
  }
  result = value;
  info = {};
  info.left = left;
  info.top = top;
  info.width = width;
  info.height = height;
  info.x_density = uint16_t(xDensity);
  info.y_density = uint16_t(yDensity);
  info.colorDepth = int16_t(depth);
  return true;
}

}  // namespace decode
