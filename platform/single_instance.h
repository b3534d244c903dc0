#pragma once
// The per-user single-instance lock: an exclusive flock on a file named after the lock
// (e.g. "EX_Mutex") in $XDG_RUNTIME_DIR, or /tmp/<name>-<uid> without one. The kernel drops
// the lock when the process ends, also after a crash, so a stale lock never blocks a start.
#include <QString>

namespace platform {

class TSingleInstance {
 public:
  explicit TSingleInstance(const QString& name);
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Takes the lock. False when another process holds it; also true when no lock file can be
  // made at all (a start is never refused for want of a lock).
  bool TryAcquire();
  void Release();
  // Where the lock file lives.
  QString LockFilePath() const { return path_; }

 private:
  QString path_;
  int fd_ = -1;
};

}  // namespace platform
