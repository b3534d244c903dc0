#include "catalog/img_thread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>

#include "catalog/img_util.h"
#include "catalog/panel_events.h"
#include "platform/handover.h"

namespace catalog {

TImgThread::TImgThread(QObject* receiver, const QString& path, int id, int boxWidth, int boxHeight,
                       TImgJob job, bool skipLoad)
    : receiver_(receiver),
      path_(path),
      id_(id),
      boxWidth_(boxWidth),
      boxHeight_(boxHeight),
      job_(std::move(job)),
      skipLoad_(skipLoad) {}

TImgThread::~TImgThread() {
  terminated_ = true;
  wait();
  platform::TakeOver(this);
}

void TImgThread::Abandon() {
  // Under the lock, so a cache read or write in progress ends before the caller goes on.
  std::unique_lock<std::mutex> hold;
  if (job_.ThumbnailLock) hold = std::unique_lock<std::mutex>(*job_.ThumbnailLock);
  terminated_ = true;
  abandoned_ = true;
}

void TImgThread::run() {
  std::unique_ptr<TThumbDoneEvent> e;
  if (!terminated_) e = load();
  QObject* to = e && !terminated_ ? receiver_.data() : nullptr;
  const bool post = e && to && !terminated_;
  // The last touch of this object: once Done() is seen the slot may be joined and freed,
  // so what follows the hand-over works on locals only.
  done_ = true;
  platform::HandOver(this);
  if (!post) return;
  platform::HandOver(e.get());
  QCoreApplication::postEvent(to, e.release(), Qt::LowEventPriority);
}

std::unique_ptr<TThumbDoneEvent> TImgThread::load() {
  int result = -1;
  TImgUtil util;
  util.Apply(job_.Settings);
  util.Thumbnail = job_.Thumbnail;
  util.ThumbnailLock = job_.ThumbnailLock.get();
  util.Abandoned = &abandoned_;
  util.SPlugin = job_.Plugins;
  util.Custom = job_.Custom;
  if (!skipLoad_) {
    try {
      result = util.Load(path_, boxWidth_, 0, boxHeight_);
    } catch (...) {
      // Whatever went wrong, the queue must hear of this job.
      result = -1;
    }
  }
  if (terminated_) return nullptr;
  result_ = result;
  auto e = std::make_unique<TThumbDoneEvent>(id_, result);
  e->Picture = std::move(util.Bitmap);
  e->SourceWidth = util.SourceWidth;
  e->SourceHeight = util.SourceHeight;
  e->Cached = util.CacheUse == TImgUtil::ctRead || util.CacheUse == TImgUtil::ctWritten;
  return e;
}

#ifdef QIVO2_TSAN
// Marks each completion event taken over by the receiver's thread before it is handled.
class TImgThreads::THandOverFilter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    platform::TakeOver(e);  // before its type is read; harmless for other events
    return false;
  }
};
#endif

TImgThreads::TImgThreads(QObject* receiver) : receiver_(receiver) {
#ifdef QIVO2_TSAN
  if (receiver) {
    handOverFilter_ = std::make_unique<THandOverFilter>();
    receiver->installEventFilter(handOverFilter_.get());
  }
#endif
}

TImgThreads::~TImgThreads() {
  finishWorker();
  reapAbandoned();
  // Still inside a decoder: deleting a running thread ends the process, and its plug-in
  // must stay loaded under it. The owner ends the process without waiting for them.
  for (auto& w : abandoned_) (void)w.release();
}

void TImgThreads::Add(int id, bool toEnd) {
  const qsizetype at = queue_.indexOf(id);
  if (at >= 0) {
    queue_.move(at, queue_.size() - 1);
  } else if (toEnd) {
    queue_.append(id);
  } else {
    queue_.prepend(id);
  }
}

void TImgThreads::AddAndStart(int id, bool toEnd) {
  Add(id, toEnd);
  Start();
}

void TImgThreads::AddBatch(int id, bool toEnd) {
  if (toEnd)
    queue_.append(id);
  else
    queue_.prepend(id);
}

int TImgThreads::TakeLast() { return queue_.takeLast(); }

TImgThread* TImgThreads::Worker() const {
  if (worker_) return worker_.get();
  for (const auto& w : slots_)
    if (w) return w.get();
  return nullptr;
}

void TImgThreads::SetThreads(int n) {
  n = std::max(1, n);
  if (n == threads_) return;
  Stop();
  threads_ = n;
}

void TImgThreads::finishSlot(size_t slot, std::chrono::steady_clock::time_point deadline) {
  if (slot >= slots_.size() || !slots_[slot]) return;
  TImgThread* w = slots_[slot].get();
  if (w->isRunning()) w->setPriority(QThread::NormalPriority);
  w->Terminate();
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  // One that has posted is past its decoder and ends at once, however busy the machine is.
  const bool ended = w->Done() ? w->wait() : w->wait(QDeadlineTimer(std::max<qint64>(left.count(), 0)));
  if (!ended) {
    w->Abandon();
    abandoned_.push_back(std::move(slots_[slot]));
    SlotAbandoned(int(slot));
    return;
  }
  platform::TakeOver(w);
  slots_[slot].reset();
}

void TImgThreads::reapAbandoned() {
  std::erase_if(abandoned_, [](std::unique_ptr<TImgThread>& w) {
    if (!w->isFinished()) return false;
    w->wait();
    platform::TakeOver(w.get());
    return true;
  });
}

int TImgThreads::Abandoned() {
  reapAbandoned();
  return int(abandoned_.size());
}

void TImgThreads::finishWorker() {
  // All are told first, so their decodes wind down together within the one grace period.
  for (auto& w : slots_)
    if (w) w->Terminate();
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  for (size_t s = 0; s < slots_.size(); ++s) finishSlot(s, deadline);
  reapAbandoned();
  if (!worker_) return;
  worker_->Terminate();
  worker_->wait();
  platform::TakeOver(worker_.get());
  worker_.reset();
}

int TImgThreads::freeSlot() const {
  // A slot whose worker has posted is free: the thread is about to end and is joined.
  for (size_t s = 0; s < slots_.size(); ++s)
    if (!slots_[s] || slots_[s]->Done()) return int(s);
  return -1;
}

void TImgThreads::Start() {
  if (starting_) return;
  starting_ = true;
  slots_.resize(size_t(threads_));
  while (running_ < threads_ && !queue_.isEmpty()) {
    const int slot = freeSlot();
    if (slot < 0) break;
    // A worker that has posted is past its decoder: it ends at once.
    finishSlot(size_t(slot), std::chrono::steady_clock::now() + kStopGrace);
    startingSlot_ = slot;
    // Skipped Ids (gone or already loaded) create no worker; the next one is taken.
    while (!queue_.isEmpty() && !(StartNext() && worker_)) {
    }
    if (!worker_) break;
    slots_[size_t(slot)] = std::move(worker_);
    ++running_;
    slots_[size_t(slot)]->start(QThread::LowPriority);
  }
  busy_ = running_ > 0;
  starting_ = false;
}

void TImgThreads::Stop() {
  queue_.clear();
  finishWorker();
  if (receiver_) QCoreApplication::removePostedEvents(receiver_.data(), TThumbDoneEvent::EventType());
  running_ = 0;
  busy_ = false;
}

bool TImgThreads::IsRunning(int id) const {
  // A worker that has posted is not counted: its completion may already be handled, and if
  // not, it is on its way and a second job only costs time.
  return std::any_of(slots_.begin(), slots_.end(), [id](const auto& w) { return w && w->Id() == id && !w->Done(); });
}

void TImgThreads::ClearQueue() { queue_.clear(); }

void TImgThreads::Restart() {
  if (running_ < threads_) Start();
}

void TImgThreads::JobDone() {
  if (running_ > 0) --running_;
  busy_ = running_ > 0;
  Start();
}

}  // namespace catalog
