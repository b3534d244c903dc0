#include "view/slide_preparer.h"

#include <exception>

#include "catalog/spi_hook.h"
#include "view/picture_loader.h"

namespace view {

namespace {
// The default loader: the worker's own plug-in list, loaded on first use on its thread.
TSlidePreparer::Loader WorkerLoader() {
  auto plugins = std::make_shared<std::unique_ptr<catalog::TSPluginHook>>();
  return [plugins](const QString& path, QSize screen, bool smooth) {
    if (!*plugins) {
      *plugins = std::make_unique<catalog::TSPluginHook>();
      (*plugins)->List.LoadFromAppDir();
    }
    return LoadPictureFitted(path, screen, smooth, plugins->get());
  };
}
}  // namespace

TSlidePreparer::TSlidePreparer() : TSlidePreparer(WorkerLoader()) {}

TSlidePreparer::TSlidePreparer(Loader loader) : loader_(std::move(loader)), worker_([this] { Run(); }) {}

TSlidePreparer::~TSlidePreparer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void TSlidePreparer::Prepare(const QString& path, QSize screen, bool smooth) {
  TRequest r{path, screen, smooth};
  {
    std::lock_guard lock(mutex_);
    if (resultFor_ == r || (working_ == r && !request_)) return;
    request_ = std::move(r);
    resultFor_.reset();
    result_ = {};
  }
  wake_.notify_one();
}

std::optional<TPreparedPicture> TSlidePreparer::Take(const QString& path, QSize screen, bool smooth) {
  const TRequest r{path, screen, smooth};
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return !(working_ == r || request_ == r); });
  if (resultFor_ != r) return std::nullopt;
  resultFor_.reset();
  return std::exchange(result_, {});
}

void TSlidePreparer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || request_.has_value(); });
    if (stop_) return;
    working_ = std::exchange(request_, std::nullopt);
    const TRequest job = *working_;
    lock.unlock();

    TPreparedPicture made{job.path, nullptr, {}};
    try {
      made.Bitmap = std::make_shared<const graphics::TBitmap>(loader_(job.path, job.screen, job.smooth));
    } catch (const std::exception& e) {
      made.Error = QString::fromUtf8(e.what());
    }

    lock.lock();
    working_.reset();
    // A newer request replaced this one meanwhile: the picture is not wanted any more.
    if (!request_) {
      result_ = std::move(made);
      resultFor_ = job;
    }
    done_.notify_all();
  }
}

}  // namespace view
