#pragma once
// Special files for tests of code that must never block on them: FIFOs, a listening
// socket, a dangling link. FinishesWithoutBlocking runs a call on another thread; when it
// has not returned after a generous bound, every FIFO made here is opened for writing, which
// releases a reader stuck in open() or dlopen(), and the call counts as blocked.
// FinishesOnThisThread does the same for calls that must stay on their thread (widgets):
// a watchdog thread does the releasing, which also frees the call's own worker threads.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

class SpecialFiles {
 public:
  ~SpecialFiles() {
    for (int fd : fds_) ::close(fd);
  }

  QString Fifo(const QString& path) {
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0) << path.toStdString();
    fifos_ << path;
    return path;
  }

  QString Socket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    EXPECT_LT(size_t(name.size()), sizeof addr.sun_path) << path.toStdString();
    std::copy(name.begin(), name.end(), addr.sun_path);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path.toStdString();
    ::listen(fd, 1);
    fds_.push_back(fd);
    return path;
  }

  static QString DanglingLink(const QString& path) {
    EXPECT_EQ(::symlink("/nonexistent/qivo2-missing-target", QFile::encodeName(path).constData()), 0);
    return path;
  }

  // Every kind at once in `folder`, named name + each of the suffixes.
  QStringList All(const QDir& folder, const QString& suffix) {
    return {Fifo(folder.filePath("fifo" + suffix)), Socket(folder.filePath("sock" + suffix)),
            DanglingLink(folder.filePath("dangling" + suffix))};
  }

  template <class Fn>
  bool FinishesWithoutBlocking(Fn&& fn) {
    auto done = std::async(std::launch::async, std::forward<Fn>(fn));
    if (done.wait_for(kBound) == std::future_status::ready) {
      done.get();
      return true;
    }
    do ReleaseReaders();
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
    return false;
  }

  template <class Fn>
  bool FinishesOnThisThread(Fn&& fn) {
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::atomic<bool> blocked{false};
    std::thread watchdog([&] {
      if (done.wait_for(kBound) == std::future_status::ready) return;
      blocked = true;
      do ReleaseReaders();
      while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
    });
    auto stop = [&] {
      finished.set_value();
      watchdog.join();
    };
    try {
      std::forward<Fn>(fn)();
    } catch (...) {
      stop();
      throw;
    }
    stop();
    return !blocked;
  }

 private:
  static constexpr std::chrono::seconds kBound{20};

  // A writer that comes and goes wakes a blocked open; the read after it sees the end.
  void ReleaseReaders() const {
    for (const QString& f : fifos_) {
      const int fd = ::open(QFile::encodeName(f).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    }
  }

  QStringList fifos_;
  std::vector<int> fds_;
};
