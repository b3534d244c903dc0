// qivo2-thumbs [-j N] FOLDER...: fills each folder's thumbnail cache file in the program's "Cache"
// folder exactly as the catalogue would (same box, quality, decoding mode and file name),
// without a window. Prints how many thumbnails were made, stored, found valid, failed and
// skipped (files that are no pictures, hidden files), and the time. A thumbnail that could not
// be stored gives one line per folder on stderr and exit status 1.
// -j N: N threads make thumbnails at once (default: the number of cores), each with its own
// decoder and plug-in list, taking the files in name order; they take turns on the one
// cache object, which alone appends to the file.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/catalog_config.h"
#include "app/folder_change.h"
#include "platform/settings.h"
#include "catalog/img_util.h"
#include "catalog/img_util_png.h"
#include "catalog/spi_hook.h"
#include "catalog/thumb_cache.h"
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

// What every thread decodes with, made the same way for each.
struct Worker {
  TImgUtil util;
  TSPluginHook plugins;
  Counts counts;
  bool allStored = true;
  QString firstError;
};

void setUpWorker(Worker& w, const app::TCatalogConfig& config, TThumb& thumb, std::mutex* lock) {
  app::ConfigureImgUtil(w.util, config);
  w.util.Thumbnail = &thumb;
  w.util.ThumbnailLock = lock;
  w.util.Custom = PngHandler();
  w.plugins.List.LoadFromAppDir();
  w.util.SPlugin = &w.plugins;
}

void makeOne(Worker& w, const QString& path, int boxW, int boxH) {
  if (w.util.Load(path, boxW, 0, boxH) != 0) {
    ++w.counts.failed;
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
bool fillFolder(const QString& folder, std::vector<std::unique_ptr<Worker>>& workers, TThumb& thumb, int boxW,
                int boxH, Counts& counts) {
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
  std::atomic<qsizetype> next{0};
  auto run = [&](Worker& w) {
    for (qsizetype i; (i = next++) < pictures.size();) makeOne(w, pictures[i], boxW, boxH);
  };
  std::vector<std::thread> threads;
  for (size_t t = 1; t < workers.size(); ++t) threads.emplace_back(run, std::ref(*workers[t]));
  run(*workers.front());
  for (auto& t : threads) t.join();
  bool allStored = true;
  for (auto& w : workers) {
    counts.made += w->counts.made;
    counts.stored += w->counts.stored;
    counts.cached += w->counts.cached;
    counts.failed += w->counts.failed;
    if (!w->allStored && allStored)
      std::fprintf(stderr, "qivo2-thumbs: cannot write the cache file %s: %s\n",
                   qPrintable(thumb.CacheFileName(pictures.value(0))), qPrintable(w->firstError));
    allStored = allStored && w->allStored;
    w->counts = Counts{};
    w->allStored = true;
  }
  return allStored;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);  // fonts for text thumbnails
  QStringList args;  // by their bytes, as filesOf lists names
  int jobs = std::clamp(QThread::idealThreadCount(), 1, 64);
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "-j" && i + 1 < argc) {
      jobs = std::clamp(QByteArray(argv[++i]).toInt(), 1, 64);
    } else if (a.startsWith("-j") && a.size() > 2) {
      jobs = std::clamp(a.mid(2).toInt(), 1, 64);
    } else {
      args << platform::PathFromBytes(a);
    }
  }
  if (args.isEmpty()) {
    std::fprintf(stderr, "usage: qivo2-thumbs [-j N] FOLDER...\n");
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
  std::vector<std::unique_ptr<Worker>> workers;
  for (int t = 0; t < jobs; ++t) {
    workers.push_back(std::make_unique<Worker>());
    setUpWorker(*workers.back(), config, thumb, jobs > 1 ? &thumbLock : nullptr);
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
    if (!fillFolder(QDir::cleanPath(fi.absoluteFilePath()), workers, thumb, boxW, boxH, counts)) status = 1;
  }
  std::printf("made %d, stored %d, valid in cache %d, failed %d, skipped %d, time %.3f s\n", counts.made,
              counts.stored, counts.cached, counts.failed, counts.skipped, double(timer.nsecsElapsed()) / 1e9);
  return status;
}
