#include "catalog/shell_change.h"

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/handover.h"
#include "platform/path_bytes.h"

namespace catalog {

namespace {

constexpr uint32_t kNameChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The watched folder itself went away, or the kernel dropped events.
constexpr uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

struct TypeRow {
  TNotifyTypes type;
  uint32_t mask;
};
// intFileName and intDirName share their bits; ChangeWanted tells them apart by IN_ISDIR.
constexpr TypeRow kTypes[] = {
    {intFileName, kNameChanges | IN_CLOSE_WRITE},
    {intDirName, kNameChanges},
    {intAttributes, IN_ATTRIB},
    {intSize, IN_MODIFY | IN_CLOSE_WRITE},
    {intLastWrite, IN_MODIFY | IN_CLOSE_WRITE},
    {intLastAccess, IN_ACCESS},
    {intCreation, IN_CREATE},
    {intSecurity, IN_ATTRIB},
};

int64_t Nanos(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

void Drain(int fd) {
  uint64_t n;
  while (::read(fd, &n, sizeof n) > 0) {
  }
}

}  // namespace

uint32_t InotifyMask(TNotifyTypes types) {
  uint32_t mask = 0;
  for (const TypeRow& row : kTypes)
    if (types & row.type) mask |= row.mask;
  return mask;
}

bool ChangeWanted(uint32_t eventMask, TNotifyTypes types) {
  if (eventMask & (IN_Q_OVERFLOW | kFolderGone)) return true;
  const bool folder = eventMask & IN_ISDIR;
  for (const TypeRow& row : kTypes) {
    if (!(types & row.type) || !(eventMask & row.mask)) continue;
    if (row.type == intFileName && folder) continue;
    if (row.type == intDirName && !folder) continue;
    return true;
  }
  return false;
}

std::chrono::milliseconds PauseAfter(std::chrono::nanoseconds took, std::chrono::milliseconds minPause) {
  const auto three = std::chrono::ceil<std::chrono::milliseconds>(took * 3);
  return std::max(minPause, three);
}

TFolderStamp FolderStampNow() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME_COARSE, &t);
  return Nanos(t);
}

// ---------------------------------------------------------------- thread

TShellChangeThread::TShellChangeThread(QByteArray path, TNotifyTypes types, std::chrono::milliseconds minPause,
                                       std::optional<TFolderStamp> listedSince)
    : path_(std::move(path)), types_(types), minPause_(minPause), listedSince_(listedSince) {
  // Made here, not in run(): a stop may come before the thread has started.
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TShellChangeThread::~TShellChangeThread() {
  if (stopFd_ >= 0) ::close(stopFd_);
}

void TShellChangeThread::SignalStop() {
  terminated_.store(true);
  const uint64_t one = 1;
  if (stopFd_ >= 0) (void)!::write(stopFd_, &one, sizeof one);
}

void TShellChangeThread::run() {
  watch();
  // Joined through QThread::wait, whose wake-up the sanitizer cannot see.
  platform::HandOver(this);
}

void TShellChangeThread::watch() {
  using clock = std::chrono::steady_clock;
  if (stopFd_ < 0) {
    error_.store(EMFILE);
    armed_.release();
    return;
  }
  const int in = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  const int wd = in < 0 ? -1
                        : ::inotify_add_watch(in, path_.constData(),
                                              InotifyMask(types_) | IN_ONLYDIR | IN_EXCL_UNLINK | IN_DELETE_SELF |
                                                  IN_MOVE_SELF);
  if (wd < 0) {
    error_.store(errno);
    if (in >= 0) ::close(in);
    armed_.release();
    return;
  }
  armed_.release();

  bool pending = false;
  if (listedSince_) {
    struct stat st{};
    pending = ::stat(path_.constData(), &st) == 0 && Nanos(st.st_mtim) > *listedSince_;
  }
  bool gone = false;
  clock::time_point nextAllowed = clock::now();
  alignas(inotify_event) char buffer[16384];
  while (!terminated_.load()) {
    if (!pending) {
      pollfd fds[2] = {{in, POLLIN, 0}, {stopFd_, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[1].revents) break;
    }
    // The pause after the last call: only the stop event ends it early.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextAllowed - clock::now());
    if (wait.count() > 0) {
      pollfd stop = {stopFd_, POLLIN, 0};
      if (::poll(&stop, 1, int(wait.count())) > 0) break;
    }
    for (;;) {
      const ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
        if (ChangeWanted(ev->mask, types_)) pending = true;
        if (ev->mask & kFolderGone) gone = true;
        at += ssize_t(sizeof(inotify_event)) + ev->len;
      }
    }
    if (!pending) continue;
    if (terminated_.load()) break;
    const clock::time_point t0 = clock::now();
    emit Changed();
    const clock::time_point t1 = clock::now();
    pending = false;
    nextAllowed = t1 + PauseAfter(t1 - t0, minPause_);
    if (gone) break;
  }
  ::close(in);
  Drain(stopFd_);
}

// ---------------------------------------------------------------- notification

TShellChangeNotification::TShellChangeNotification(QObject* owner) : QObject(owner) {}

TShellChangeNotification::~TShellChangeNotification() {
  Stop();
  joinRetired();
}

void TShellChangeNotification::SetEnabled(bool on) {
  enabled_ = on;
  if (!on) Stop();
}

void TShellChangeNotification::Start(const QString& folder, std::optional<TFolderStamp> listedSince) {
  if (!enabled_) return;
  Stop();
  joinRetired();
  if (platform::KindOfPath(folder) != platform::PathKind::Folder) return;
  thread_ = std::make_unique<TShellChangeThread>(platform::PathBytes(folder), notifyTypes_, MinPause, listedSince);
  TShellChangeThread* t = thread_.get();
  connect(t, &TShellChangeThread::Changed, this, [this, t] {
    if (t == thread_.get() && !t->Terminated()) deliver();
  }, Qt::BlockingQueuedConnection);
  t->start();
  t->WaitArmed();
  lastError_ = t->Error();
  if (lastError_ != 0) join(thread_.release());
}

void TShellChangeNotification::deliver() {
  ++calls_;
  delivering_ = true;
  if (OnChange) OnChange();
  delivering_ = false;
  // A watcher stopped inside its own call is released as this call returns.
  if (!retired_.empty()) QTimer::singleShot(0, this, [this] { joinRetired(); });
}

void TShellChangeNotification::Stop() {
  if (!thread_) return;
  thread_->SignalStop();
  if (delivering_) {
    retired_.push_back(std::move(thread_));
    return;
  }
  join(thread_.release());
}

void TShellChangeNotification::join(TShellChangeThread* t) {
  std::unique_ptr<TShellChangeThread> owned(t);
  // A watcher may be blocked in its call to this thread: handle that call (it sees the stop
  // and does nothing) while waiting.
  while (!t->wait(QDeadlineTimer(5))) QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  platform::TakeOver(t);
}

void TShellChangeNotification::joinRetired() {
  if (delivering_) return;
  auto retired = std::move(retired_);
  retired_.clear();
  for (auto& t : retired) join(t.release());
}

}  // namespace catalog
