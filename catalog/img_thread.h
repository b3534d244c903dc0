#pragma once
// The thumbnail job queue and its workers. Up to Threads() workers run at a time per queue
// (1: one at a time, the hand-over strictly sequential), at low priority, created per job,
// each in a slot of its own whose decoding resources no other thread uses. Jobs are handed
// out in queue order; each completion is still handled one at a time on the receiver's
// thread, and a new job starts only after a completion was handled or on Start. Threads share nothing mutable: the worker gets a copy of the
// settings when its job is made and decodes with a utility of its own, through a plug-in
// list and a cache object that no other thread uses while it runs; it posts the picture out
// in the completion event (TThumbDoneEvent). The receiver's handler then calls JobDone,
// which frees the worker and starts the next job. Cancelling is cooperative: a decode in
// progress is waited for, but only for kStopGrace. A worker still inside a decoder then (a
// plug-in that never returns) is left behind: it posts nothing and never touches the cache
// object again, its plug-in list goes with it (never used or unloaded while it runs) and its
// slot gets a fresh one. Such a thread object is kept until it ends and never deleted while
// it runs; the queue's owner ends the process rather than wait for it (Abandoned()).
#include <QList>
#include <QPointer>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "catalog/img_util.h"

class QObject;

namespace catalog {

class TThumbDoneEvent;

// What one job decodes with. The pointers are the worker's alone while it runs.
struct TImgJob {
  TImgSettings Settings;
  TThumb* Thumbnail = nullptr;
  TImgPlugins* Plugins = nullptr;
  TImgCustom* Custom = nullptr;  // stateless handler, may be shared
  // Held around every use of Thumbnail; shared so that a worker left behind still has it.
  std::shared_ptr<std::mutex> ThumbnailLock;
  // Keeps the job's plug-in list (and whatever else Plugins needs) alive while it runs.
  std::shared_ptr<void> Keep;
};

class TImgThread : public QThread {
 public:
  // skipLoad: the entry is no picture; the job only reports failure.
  TImgThread(QObject* receiver, const QString& path, int id, int boxWidth, int boxHeight, TImgJob job,
             bool skipLoad = false);
  ~TImgThread() override;

  void Terminate() { terminated_ = true; }
  // Leaves the worker behind: from now on it posts nothing and never uses the job's
  // Thumbnail, also when its decode returns one day.
  void Abandon();
  // The completion is posted (or the job ended without one): the slot may be reused.
  bool Done() const { return done_; }
  bool Terminated() const { return terminated_; }
  int Id() const { return id_; }
  int Result() const { return result_; }

 protected:
  void run() override;

 private:
  // Decodes; null when terminated meanwhile.
  std::unique_ptr<TThumbDoneEvent> load();

  QPointer<QObject> receiver_;
  QString path_;
  int id_;
  int boxWidth_, boxHeight_;
  TImgJob job_;
  bool skipLoad_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> done_{false};
  std::atomic<bool> abandoned_{false};
  int result_ = -1;
};

class TImgThreads {
 public:
  // How long Stop waits for running decodes before it leaves their workers behind.
  static constexpr std::chrono::milliseconds kStopGrace{500};

  // receiver: where the workers post their completion events.
  explicit TImgThreads(QObject* receiver);
  virtual ~TImgThreads();
  TImgThreads(const TImgThreads&) = delete;
  TImgThreads& operator=(const TImgThreads&) = delete;

  // Moves a queued Id to the end, or queues it at the end (toEnd) or the front.
  void Add(int id, bool toEnd);
  void AddAndStart(int id, bool toEnd);
  // Appends or prepends without looking for the Id first (while listing).
  void AddBatch(int id, bool toEnd);
  void Start();
  // Drops the queue, finishes the running job and drops its completion if still pending,
  // so a job of the old listing can never end one started after the stop.
  void Stop();
  // Drops the queue; a running job goes on.
  void ClearQueue();
  void Restart();
  // The completion was handled: the next job may start.
  void JobDone();

  bool Busy() const { return busy_; }
  // Front first; jobs are taken from the end.
  const QList<int>& Queue() const { return queue_; }
  // A worker still held (the first slot's first), or null.
  TImgThread* Worker() const;
  // How many jobs may run at once (at least 1). Changing it stops the queue first.
  int Threads() const { return threads_; }
  void SetThreads(int n);
  // Jobs handed out whose completion was not handled yet.
  int Running() const { return running_; }
  // A job for the Id is still working.
  bool IsRunning(int id) const;
  // Workers left behind by Stop that still run (inside a decoder that has not returned).
  int Abandoned();

 protected:
  // Takes one Id from the end and creates the worker (held in worker_, not yet started)
  // for slot StartingSlot().
  virtual bool StartNext() = 0;
  int StartingSlot() const { return startingSlot_; }
  int TakeLast();
  void finishWorker();
  // A slot's worker was left behind: whatever it decodes with must not serve another job.
  virtual void SlotAbandoned(int slot) { (void)slot; }

  QPointer<QObject> receiver_;
  QList<int> queue_;
  bool busy_ = false;
  std::unique_ptr<TImgThread> worker_;

 private:
  // Joins the slot's worker, or leaves it behind when it is still running at the deadline.
  void finishSlot(size_t slot, std::chrono::steady_clock::time_point deadline);
  void reapAbandoned();
  int freeSlot() const;
  int threads_ = 1;
  int running_ = 0;
  int startingSlot_ = 0;
  bool starting_ = false;
  std::vector<std::unique_ptr<TImgThread>> slots_;
  std::vector<std::unique_ptr<TImgThread>> abandoned_;
#ifdef QIVO2_TSAN
  class THandOverFilter;
  std::unique_ptr<THandOverFilter> handOverFilter_;
#endif
};

}  // namespace catalog
