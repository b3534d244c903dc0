#pragma once
// Makes the slide show's next picture while the current one is on screen, so a tick only
// swaps pictures. One worker thread with its own plug-in list; it shares nothing with the
// window or the catalogue's worker but the one request/result slot below, handed over under
// its mutex. At most one picture is kept prepared: a new request drops the old result.
#include <QSize>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "graphics/bitmap.h"

namespace view {

struct TPreparedPicture {
  QString Path;
  std::shared_ptr<const graphics::TBitmap> Bitmap;  // null when the file failed
  QString Error;                                    // why it failed
};

class TSlidePreparer {
 public:
  // The loader the worker runs (the screen-fitting loader with the worker's plug-ins by
  // default); tests give their own.
  using Loader = std::function<graphics::TBitmap(const QString& path, QSize screen, bool smooth)>;
  TSlidePreparer();
  explicit TSlidePreparer(Loader loader);
  ~TSlidePreparer();  // stops and joins the worker
  TSlidePreparer(const TSlidePreparer&) = delete;
  TSlidePreparer& operator=(const TSlidePreparer&) = delete;

  // Starts making `path` fitted to `screen`; a result or request for another file is dropped.
  void Prepare(const QString& path, QSize screen, bool smooth);
  // The picture of `path` at `screen`: the prepared one, waiting for it while it is being
  // made; nullopt when it was never asked for (the caller loads it itself).
  std::optional<TPreparedPicture> Take(const QString& path, QSize screen, bool smooth);

 private:
  struct TRequest {
    QString path;
    QSize screen;
    bool smooth = false;
    bool operator==(const TRequest&) const = default;
  };
  void Run();

  Loader loader_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::optional<TRequest> request_;   // waiting for the worker
  std::optional<TRequest> working_;   // being made
  std::optional<TRequest> resultFor_;
  TPreparedPicture result_;
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace view
