#pragma once
// TShellChangeNotification: the catalogue watches the folder it shows and lists it again when
// any program adds, deletes or renames something there. One watcher thread,
// TShellChangeThread, waits with poll on an inotify watch of the folder itself and on an
// eventfd (the stop event); each change is handed to the user-interface thread by a blocking
// queued call, so OnChange always runs there and the watcher touches no catalogue data.
//
// NotifyTypes (the bits of the old change filter) to inotify:
//   intFileName   files created, deleted, moved in or out, and a file written and closed:
//                 a file copied in is shown once it is complete, not as the empty file of
//                 its creation;
//   intDirName    the same for folders (decided by IN_ISDIR of each event);
//   intAttributes, intSecurity  IN_ATTRIB;  intSize, intLastWrite  IN_MODIFY, IN_CLOSE_WRITE;
//   intLastAccess IN_ACCESS;  intCreation  IN_CREATE.
// Changes in sub-folders are never seen: inotify reports only the folder's own entries.
//
// Bursts: changes made while a refresh runs, or during the pause after it, come as one more
// call once the pause is over. The pause is max(MinPause, 3 x the time the last call took),
// so copying thousands of files in costs a few listings a second and the window keeps
// answering input; the kernel keeps the events meanwhile (an overflowed queue also counts as
// a change), so the last change always shows.
// The folder deleted or moved away: one last call, then the watcher ends.
// A change made between the listing and the watch being armed is not lost either: Start may
// be given the time the listing began (the kernel's coarse clock, which stamps files), and a
// folder modified later than that gives one call.
#include <QByteArray>
#include <QObject>
#include <QSemaphore>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace catalog {

// TNotifyTypes: a set of these bits.
enum TNotifyType : unsigned {
  intFileName = 0x1,
  intDirName = 0x2,
  intAttributes = 0x4,
  intSize = 0x8,
  intLastWrite = 0x10,
  intLastAccess = 0x20,
  intCreation = 0x40,
  intSecurity = 0x100,
};
using TNotifyTypes = unsigned;
inline constexpr TNotifyTypes kDefaultNotifyTypes = intFileName | intDirName;

// The inotify mask that a set of notify types needs (without the watch's own bits).
uint32_t InotifyMask(TNotifyTypes types);
// Whether one inotify event (its mask) is a change the types ask for.
bool ChangeWanted(uint32_t eventMask, TNotifyTypes types);
// The pause after a call that took `took`.
std::chrono::milliseconds PauseAfter(std::chrono::nanoseconds took, std::chrono::milliseconds minPause);
// Now on the clock that stamps files (for Start's `listedSince`), in nanoseconds.
using TFolderStamp = int64_t;
TFolderStamp FolderStampNow();

class TShellChangeThread : public QThread {
  Q_OBJECT
 public:
  TShellChangeThread(QByteArray path, TNotifyTypes types, std::chrono::milliseconds minPause,
                     std::optional<TFolderStamp> listedSince);
  ~TShellChangeThread() override;  // only after the thread has ended

  // Sets the stop event; the thread ends at its next wake-up, without another call.
  void SignalStop();
  bool Terminated() const { return terminated_.load(); }
  // Blocks until the watch is armed or has failed.
  void WaitArmed() { armed_.acquire(); }
  // errno of a watch that could not be made (0 while it runs or after a clean end).
  int Error() const { return error_.load(); }

 signals:
  // Connected with Qt::BlockingQueuedConnection: the thread waits until it has been handled.
  void Changed();

 protected:
  void run() override;

 private:
  void watch();

  const QByteArray path_;
  const TNotifyTypes types_;
  const std::chrono::milliseconds minPause_;
  const std::optional<TFolderStamp> listedSince_;
  int stopFd_ = -1;
  std::atomic<bool> terminated_{false};
  std::atomic<int> error_{0};
  QSemaphore armed_;
};

class TShellChangeNotification : public QObject {
  Q_OBJECT
 public:
  explicit TShellChangeNotification(QObject* owner = nullptr);
  ~TShellChangeNotification() override;

  bool Enabled() const { return enabled_; }
  // false stops the watcher; true starts none (the next folder opening does).
  void SetEnabled(bool on);
  TNotifyTypes NotifyTypes() const { return notifyTypes_; }
  void SetNotifyTypes(TNotifyTypes types) { notifyTypes_ = types; }
  // Shortest pause between two calls (tests shorten it).
  std::chrono::milliseconds MinPause{250};
  // Runs on the user-interface thread for each change (the catalogue: Refresh(false)).
  std::function<void()> OnChange;

  // Watches the folder (when Enabled and it is a folder); a running watcher is stopped
  // first. Returns once the watch is armed or has failed.
  void Start(const QString& folder, std::optional<TFolderStamp> listedSince = std::nullopt);
  // Stops the watcher and waits for it, handling its pending call meanwhile, so a watcher
  // blocked on the user-interface thread cannot hold the stop up.
  void Stop();
  bool Watching() const { return thread_ != nullptr; }
  // errno of the last watch that could not be made (0 when it was made).
  int LastError() const { return lastError_; }
  // Calls made so far (the burst measurements count them).
  int Calls() const { return calls_; }

 private:
  void deliver();
  void join(TShellChangeThread* t);
  void joinRetired();

  bool enabled_ = true;
  TNotifyTypes notifyTypes_ = kDefaultNotifyTypes;
  std::unique_ptr<TShellChangeThread> thread_;
  // Stopped from inside their own call: joined once that call has returned.
  std::vector<std::unique_ptr<TShellChangeThread>> retired_;
  bool delivering_ = false;
  int lastError_ = 0;
  int calls_ = 0;
};

}  // namespace catalog
