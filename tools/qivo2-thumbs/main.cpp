// qivo2-thumbs [-j N] [--timeout SECONDS] FOLDER...: fills each folder's thumbnail cache file in the program's "Cache"
// folder exactly as the catalogue would (same box, quality, decoding mode and file name),
// without a window. Prints how many thumbnails were made, stored, found valid, failed and
// skipped (files that are no pictures, hidden files), and the time. A thumbnail that could not
// be stored gives one line per folder on stderr and exit status 1.
// -j N: N threads make thumbnails at once (default: the number of cores), each with its own
// decoder and plug-in list, taking the files in name order; they take turns on the one
// cache object, which alone appends to the file.
// --timeout SECONDS (default 30, 0 none): a picture whose thumbnail takes longer (a plug-in
// that never returns) gives a line on stderr, counts as failed and makes the exit status 1;
// its thread is left behind with its plug-in list, never used again, a new one takes its
// place, and at the end the tool ends without waiting for it.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/catalog_config.h"
#include "app/folder_change.h"
#include "platform/settings.h"
#include "catalog/img_util.h"
#include "catalog/img_util_png.h"
#include "catalog/spi_hook.h"
#include "catalog/thumb_cache.h"
#include "decode/spi_plugin_list.h"
#include "platform/app_folder.h"
#include "platform/path_bytes.h"
#include "platform/shell.h"

using namespace catalog;
using app::CacheFileName;
using app::CachePath;

namespace {

// The catalogue's executable: its settings file and, for the root folder, its cache name.
const QString kProgram = QStringLiteral("qivo2");

struct Counts {
  int made = 0, stored = 0, cached = 0, failed = 0, skipped = 0;
};

// The folder's files (hidden ones too, to count them) by their own bytes, in name order;
// Qt's listing would lose the names that are not UTF-8.
QStringList filesOf(const QString& folder) {
  namespace sh = platform::shell;
  const sh::TIdListPtr id(sh::IdListFromPath(platform::PathBytes(folder)));
  const auto shell = id ? sh::TShellFolder::Bind(id.get()) : nullptr;
  QStringList out;
  if (!shell) return out;
  std::vector<sh::TIdListPtr> items;
  if (auto en = shell->EnumObjects(sh::SHCONTF_NONFOLDERS | sh::SHCONTF_INCLUDEHIDDEN))
    for (sh::PIDL item = nullptr; en->Next(item);) items.emplace_back(item);
  // Only non-folders are listed: the name order of CompareIDs is the name alone.
  std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return sh::CompareItemKeys(0, {sh::IdRecordName(a.get())}, {sh::IdRecordName(b.get())}) < 0;
  });
  for (const auto& item : items) out << shell->GetDisplayNameOf(item.get(), sh::SHGDN_FORPARSING);
  return out;
}

using Clock = std::chrono::steady_clock;

// What every thread decodes with, made the same way for each. A worker left behind keeps
// it: it is never deleted while its thread may still run.
struct Worker {
  TImgUtil util;
  TSPluginHook plugins;
  Counts counts;
  bool allStored = true;
  QString firstError;
  QStringList faults;  // "file: reason" of pictures a plug-in failed on
  std::mutex* thumbLock = nullptr;
  // The picture in hand and since when (Clock ticks, 0: none); read by the main thread.
  std::atomic<qsizetype> current{-1};
  std::atomic<Clock::rep> since{0};
  std::atomic<bool> abandoned{false};  // set under thumbLock: the cache is no longer ours
  std::atomic<bool> finished{false};
  std::mutex countsLock;  // counts, allStored, firstError once it may be left behind
};

void setUpWorker(Worker& w, const app::TCatalogConfig& config, TThumb& thumb, std::mutex* lock) {
  app::ConfigureImgUtil(w.util, config);
  w.util.Thumbnail = &thumb;
  w.util.ThumbnailLock = lock;
  w.util.Abandoned = &w.abandoned;
  w.thumbLock = lock;
  w.util.Custom = PngHandler();
  w.plugins.List.Sandbox = decode::TSandboxSettings::FromIni(platform::programFolder() + "/" + kProgram + ".ini");
  w.plugins.List.LoadFromAppDir();
  w.util.SPlugin = &w.plugins;
}

void makeOne(Worker& w, const QString& path, int boxW, int boxH) {
  const int result = w.util.Load(path, boxW, 0, boxH);
  std::lock_guard hold(w.countsLock);
  if (w.abandoned) return;  // reported as timed out already
  if (result != 0) {
    ++w.counts.failed;
    // A plug-in that crashed, hung or ran out of memory is worth a line and the exit status.
    const QString fault = decode::SpiFaultText(result);
    if (!fault.isEmpty()) w.faults << platform::DisplayName(path) + ": " + fault;
    return;
  }
  switch (w.util.CacheUse) {
    case TImgUtil::ctRead: ++w.counts.cached; break;
    case TImgUtil::ctWritten:
      ++w.counts.made;
      ++w.counts.stored;
      break;
    default:
      ++w.counts.made;
      if (w.allStored) w.firstError = w.util.CacheError;
      w.allStored = false;
  }
}

// Returns false when a thumbnail could not be stored; the first reason is printed.
// A picture over `timeout` sets timedOut; its worker goes to `left`.
bool fillFolder(const QString& folder, std::vector<std::unique_ptr<Worker>>& workers,
                std::vector<std::unique_ptr<Worker>>& left, const app::TCatalogConfig& config, TThumb& thumb,
                int boxW, int boxH, std::chrono::seconds timeout, Counts& counts, bool& timedOut) {
  // The catalogue's cache file name; for the root the catalogue's own program name, not ours.
  const QString name = CacheFileName(folder);
  thumb.FileName = name.isEmpty() ? kProgram + ".dat" : name;
  TImgUtil& util = workers.front()->util;
  QStringList pictures;
  for (const QString& path : filesOf(folder)) {
    const QString fileName = path.mid(path.lastIndexOf('/') + 1);
    // The main window lists picture files only (its own formats and the plug-ins').
    auto isPicture = [&] {
      const TImageType type = util.DetectType(path);
      return type == TImageType::iitBmp || type == TImageType::iitJpeg || type == TImageType::iitCustom ||
             type == TImageType::iitSusie;
    };
    if (platform::KindOfPath(path) != platform::PathKind::File || fileName.startsWith('.') || !isPicture()) {
      ++counts.skipped;
      continue;
    }
    pictures << path;
  }
  // Shared with the threads, which may outlive this call when left behind.
  struct Run {
    explicit Run(const QStringList& p) : pictures(p) {}
    const QStringList pictures;  // read only: a non-const access would detach it
    std::atomic<qsizetype> next{0};
  };
  auto shared = std::make_shared<Run>(pictures);
  auto run = [shared, boxW, boxH](Worker* w) {
    for (qsizetype i; !w->abandoned && (i = shared->next++) < shared->pictures.size();) {
      w->since = Clock::now().time_since_epoch().count();
      w->current = i;
      makeOne(*w, shared->pictures[i], boxW, boxH);
      w->since = 0;
    }
    w->finished = true;
  };
  bool allStored = true;
  // Adds a worker's counts (under its lock) and says why its thumbnails were not stored.
  auto harvest = [&](Worker& w) {
    std::lock_guard hold(w.countsLock);
    counts.made += w.counts.made;
    counts.stored += w.counts.stored;
    counts.cached += w.counts.cached;
    counts.failed += w.counts.failed;
    if (!w.allStored && allStored)
      std::fprintf(stderr, "qivo2-thumbs: cannot write the cache file %s: %s\n",
                   qPrintable(thumb.CacheFileName(pictures.value(0))), qPrintable(w.firstError));
    allStored = allStored && w.allStored;
    for (const QString& line : w.faults) std::fprintf(stderr, "qivo2-thumbs: %s\n", line.toUtf8().constData());
    if (!w.faults.isEmpty()) timedOut = true;
    w.faults.clear();
    w.counts = Counts{};
    w.allStored = true;
  };
  std::vector<std::thread> threads;
  for (auto& w : workers) {
    w->finished = false;
    threads.emplace_back(run, w.get());
  }
  // Watches the time of each picture; one over the limit leaves its worker behind.
  for (bool busy = true; busy;) {
    busy = false;
    for (size_t t = 0; t < workers.size(); ++t) {
      Worker& w = *workers[t];
      if (w.finished) continue;
      busy = true;
      const Clock::rep since = w.since;
      if (timeout.count() == 0 || since == 0 || Clock::now() - Clock::time_point(Clock::duration(since)) < timeout)
        continue;
      {
        // Under the cache lock, so the worker is done with the cache object once this ends.
        std::lock_guard cache(*w.thumbLock);
        std::lock_guard hold(w.countsLock);
        w.abandoned = true;
      }
      harvest(w);
      const QString path = shared->pictures.value(w.current);
      std::fprintf(stderr, "qivo2-thumbs: %s: timed out after %lld s\n", platform::DisplayName(path).toUtf8().constData(),
                   static_cast<long long>(timeout.count()));
      ++counts.failed;
      timedOut = true;
      threads[t].detach();
      left.push_back(std::move(workers[t]));
      workers[t] = std::make_unique<Worker>();
      setUpWorker(*workers[t], config, thumb, left.back()->thumbLock);
      threads[t] = std::thread(run, workers[t].get());
    }
    if (busy) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (auto& t : threads)
    if (t.joinable()) t.join();
  for (auto& w : workers) harvest(*w);
  return allStored;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);  // fonts for text thumbnails
  QStringList args;  // by their bytes, as filesOf lists names
  int jobs = std::clamp(QThread::idealThreadCount(), 1, 64);
  std::chrono::seconds timeout(30);
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "--timeout" || a.startsWith("--timeout=")) {
      const QByteArray v = a.size() > 9 ? a.mid(10) : i + 1 < argc ? QByteArray(argv[++i]) : QByteArray();
      bool ok = false;
      const int seconds = v.toInt(&ok);
      if (!ok || seconds < 0) {
        std::fprintf(stderr, "qivo2-thumbs: --timeout takes a number of seconds (0: no limit)\n");
        return 2;
      }
      timeout = std::chrono::seconds(seconds);
    } else if (a == "-j" && i + 1 < argc) {
      jobs = std::clamp(QByteArray(argv[++i]).toInt(), 1, 64);
    } else if (a.startsWith("-j") && a.size() > 2) {
      jobs = std::clamp(a.mid(2).toInt(), 1, 64);
    } else {
      args << platform::PathFromBytes(a);
    }
  }
  if (args.isEmpty()) {
    std::fprintf(stderr,
                 "usage: qivo2-thumbs [-j N] [--timeout SECONDS] FOLDER...\n"
                 "  -j N               make N thumbnails at a time (default: the number of cores)\n"
                 "  --timeout SECONDS  give up on a picture that takes longer (a plug-in that never\n"
                 "                     returns): reported, counted as failed, exit status 1\n"
                 "                     (default 30, 0: no limit)\n");
    return 2;
  }
  const settings::TIniFile ini(platform::programFolder() + "/" + kProgram + ".ini");
  const app::TCatalogConfig config = app::ReadCatalogConfig(ini);
  const int boxW = config.Box.width(), boxH = config.Box.height();
  const QString cacheFolder = CachePath(platform::programFolder(), true);
  if (!QDir().mkpath(cacheFolder)) {
    std::fprintf(stderr, "qivo2-thumbs: cannot create %s\n", qPrintable(cacheFolder));
    return 1;
  }

  TThumb thumb;
  thumb.Path = cacheFolder;
  std::mutex thumbLock;
  std::vector<std::unique_ptr<Worker>> workers, left;
  for (int t = 0; t < jobs; ++t) {
    workers.push_back(std::make_unique<Worker>());
    setUpWorker(*workers.back(), config, thumb, &thumbLock);
  }

  Counts counts;
  QElapsedTimer timer;
  timer.start();
  int status = 0;
  for (const QString& arg : args) {
    const QFileInfo fi(arg);
    if (platform::KindOfPath(arg) != platform::PathKind::Folder) {
      std::fprintf(stderr, "qivo2-thumbs: not a folder: %s\n", platform::DisplayName(arg).toUtf8().constData());
      status = 1;
      continue;
    }
    bool timedOut = false;
    if (!fillFolder(QDir::cleanPath(fi.absoluteFilePath()), workers, left, config, thumb, boxW, boxH, timeout, counts,
                    timedOut) ||
        timedOut)
      status = 1;
  }
  std::printf("made %d, stored %d, valid in cache %d, failed %d, skipped %d, time %.3f s\n", counts.made,
              counts.stored, counts.cached, counts.failed, counts.skipped, double(timer.nsecsElapsed()) / 1e9);
  if (std::any_of(left.begin(), left.end(), [](const auto& w) { return !w->finished; })) {
    // A decoder that never returned: its thread cannot be joined nor its plug-in unloaded.
    // The cache file is written record by record; end without the destructors.
    std::fflush(nullptr);
    ::_exit(status);
  }
  return status;
}
