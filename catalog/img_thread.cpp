#include "catalog/img_thread.h"

#include <QCoreApplication>

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

void TImgThread::run() {
  if (terminated_) return platform::HandOver(this);
  int result = -1;
  TImgUtil util;
  util.Apply(job_.Settings);
  util.Thumbnail = job_.Thumbnail;
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
  if (terminated_) return platform::HandOver(this);
  result_ = result;
  auto* e = new TThumbDoneEvent(id_, result);
  e->Picture = std::move(util.Bitmap);
  e->SourceWidth = util.SourceWidth;
  e->SourceHeight = util.SourceHeight;
  if (terminated_ || !receiver_) {
    delete e;
    platform::HandOver(this);
    return;
  }
  QObject* to = receiver_.data();
  platform::HandOver(e);
  platform::HandOver(this);
  QCoreApplication::postEvent(to, e, Qt::LowEventPriority);
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

TImgThreads::~TImgThreads() { finishWorker(); }

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

void TImgThreads::finishWorker() {
  if (!worker_) return;
  if (worker_->isRunning()) worker_->setPriority(QThread::NormalPriority);
  worker_->Terminate();
  worker_->wait();
  platform::TakeOver(worker_.get());
  worker_.reset();
}

void TImgThreads::Start() {
  if (busy_) return;
  busy_ = true;
  finishWorker();
  while (!queue_.isEmpty()) {
    if (StartNext() && worker_) {
      worker_->start(QThread::LowPriority);
      return;
    }
  }
  busy_ = false;
}

void TImgThreads::Stop() {
  queue_.clear();
  finishWorker();
  if (receiver_) QCoreApplication::removePostedEvents(receiver_.data(), TThumbDoneEvent::EventType());
  busy_ = false;
}

void TImgThreads::ClearQueue() { queue_.clear(); }

void TImgThreads::Restart() {
  if (!busy_) Start();
}

void TImgThreads::JobDone() {
  busy_ = false;
  Start();
}

}  // namespace catalog
