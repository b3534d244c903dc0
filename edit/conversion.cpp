#include "edit/conversion.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "platform/fileop.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"
#include "decode/png_graphic.h"
#include "edit/image_ops.h"
#include "graphics/bmp_graphic.h"
#include "graphics/builtin_formats.h"
#include "graphics/graphic.h"
#include "graphics/image_size.h"
#include "graphics/jpeg_image.h"

namespace edit {

using graphics::EInvalidGraphic;
using graphics::TBitmap;

TConvertSettings ReadConvertSettings(const settings::TIniFile& ini) {
  namespace k = settings::keys;
  TConvertSettings s;
  const int item = ini.Read(k::ConvertItem);
  s.SizeMode = item >= 1 && item <= 4 ? item : 0;
  s.SizeValue = s.SizeMode ? ini.Read(k::ConvertSize, s.SizeMode) : 100;
  s.ReduceBMP = ini.ReadBool1(k::ColorBit);
  s.Quality = ini.Read(k::JpegCompress);
  if (s.Quality == -1) s.Quality = 80;
  s.Progressive = ini.ReadBool1(k::JpegProgressive);
  s.Grayscale = ini.ReadBool1(k::JpegGrayscale);
  s.Level = ini.Read(k::PngLevel);
  if (s.Level == -1) s.Level = 1;
  s.Interlace = ini.ReadBool1(k::PngInterlace);
  s.ReducePNG = ini.ReadBool1(k::PngColor);
  return s;
}

QString FormatExtension(TConvertFormat format) {
  switch (format) {
    case cfBMP: return QStringLiteral(".bmp");
    case cfJPEG: return QStringLiteral(".jpg");
    case cfPNG: return QStringLiteral(".png");
  }
  return QString();
}

bool FormatFromExtension(const QString& ext, TConvertFormat& format) {
  const QString e = (ext.startsWith('.') ? ext.mid(1) : ext).toLower();
  if (e == "bmp") format = cfBMP;
  else if (e == "jpg" || e == "jpeg") format = cfJPEG;
  else if (e == "png") format = cfPNG;
  else return false;
  return true;
}

namespace {

int side(long double v) {
  v = std::trunc(v);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

}  // namespace

QSize ConvertTargetSize(int width, int height, int mode, int value) {
  if (width <= 0 || height <= 0) return QSize(0, 0);
  const long double W = width, H = height, N = value;
  switch (mode) {
    case 1: return QSize(side(W * (N / 100)), side(H * (N / 100)));
    case 2: return QSize(value, side(H * (N / W)));
    case 3: return QSize(side(W * (N / H)), value);
    case 4: {
      // Single precision on purpose: it decides which side rounds down.
      const float r = float(W / H);
      float w = float(N);
      float h = float(N / r);
      if (h > N) {
        h = float(N);
        w = float(N * r);
      }
      return QSize(side(w), side(h));
    }
    default: return QSize(width, height);
  }
}

bool IsConvertibleFile(const QString& path) {
  const auto format = graphics::BuiltinFormatOf(QFileInfo(path).suffix());
  return !format || !graphics::IsIconFormat(*format);
}

QString ConvertTargetName(const QString& sourcePath, TConvertFormat format) {
  const QString name = QFileInfo(sourcePath).fileName();
  const qsizetype dot = name.lastIndexOf('.');
  return (dot >= 0 ? name.left(dot) : name) + FormatExtension(format);
}

QString ConvertConfirmationText(TConvertFormat format, const TConvertSettings& s) {
  const QString cr = QStringLiteral("\r");
  const QString pad = format == cfBMP ? QStringLiteral("   ") : QStringLiteral("     ");
  const QString n = QString::number(s.SizeValue);
  QString size;
  switch (s.SizeMode) {
    case 1: size = QStringLiteral("サイズ： 倍率 ") + n + (format == cfBMP ? QStringLiteral("%") : QStringLiteral(" %")); break;
    case 2: size = QStringLiteral("サイズ： 横幅 ") + n + QStringLiteral(" Pixels"); break;
    case 3: size = QStringLiteral("サイズ： 高さ ") + n + QStringLiteral(" Pixels"); break;
    case 4: size = QStringLiteral("サイズ： 範囲 ") + n + QStringLiteral(" Pixels"); break;
    default: size = QStringLiteral("サイズ： 変更なし"); break;
  }
  size += pad;
  auto onOff = [](bool on) { return on ? QStringLiteral("ON     ") : QStringLiteral("OFF     "); };
  auto colours = [&](bool reduce) {
    return (reduce ? QStringLiteral("色数： 256色に減色") : QStringLiteral("色数： 変更なし")) + pad;
  };
  const QString tail = cr + cr + QStringLiteral("* [キャンセル] → 設定画面の呼び出し");
  switch (format) {
    case cfBMP:
      return colours(s.ReduceBMP) + size + cr + cr + QStringLiteral("以上の条件で BMP に変換します。よろしいですか？   ") + tail;
    case cfJPEG:
      return QStringLiteral("保存品質： ") + QString::number(s.Quality) + QStringLiteral("     ") +
             QStringLiteral("プログレッシブ： ") + onOff(s.Progressive) + QStringLiteral("グレイスケール： ") +
             onOff(s.Grayscale) + cr + size + cr + cr + QStringLiteral("以上の条件で JPEG に変換します。よろしいですか？") + tail;
    case cfPNG:
      return QStringLiteral("圧縮レベル： ") + QString::number(s.Level) + QStringLiteral("     ") +
             QStringLiteral("インターレース： ") + onOff(s.Interlace) + colours(s.ReducePNG) + cr + size + cr + cr +
             QStringLiteral("以上の条件で PNG に変換します。よろしいですか？") + tail;
  }
  return QString();
}

void PrepareConvertBitmap(TBitmap& bitmap, TConvertFormat format, const TConvertSettings& s) {
  if (bitmap.Empty()) throw EInvalidGraphic(QStringLiteral("the picture is empty"));
  const QSize t = ConvertTargetSize(bitmap.Width(), bitmap.Height(), s.SizeMode, s.SizeValue);
  if (t.width() < 1 || t.height() < 1)
    throw EInvalidGraphic(QStringLiteral("the new size %1 x %2 is empty").arg(t.width()).arg(t.height()));
  if (!graphics::checkedImageBytes(t.width(), t.height(), 24))
    throw EInvalidGraphic(QStringLiteral("the new size %1 x %2 is too large").arg(t.width()).arg(t.height()));
  try {
    if (!ResizeBitmap(bitmap, t.width(), t.height()))
      throw EInvalidGraphic(QStringLiteral("cannot resize to %1 x %2").arg(t.width()).arg(t.height()));
  } catch (const graphics::EImageTooLarge&) {
    throw EInvalidGraphic(QStringLiteral("the new size %1 x %2 is too large").arg(t.width()).arg(t.height()));
  }
  if ((format == cfBMP && s.ReduceBMP) || (format == cfPNG && s.ReducePNG)) ReduceTo256Colors(bitmap);
}

QByteArray EncodeConverted(const TBitmap& bitmap, TConvertFormat format, const TConvertSettings& s) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case cfBMP: {
      graphics::TBMPGraphic(bitmap).SaveToStream(buffer);
      break;
    }
    case cfJPEG: {
      graphics::TJPEGImage j;
      j.Assign(bitmap);
      j.SetCompressionQuality(s.Quality);
      j.SetProgressiveEncoding(s.Progressive);
      j.SetGrayscale(s.Grayscale);
      j.SaveToStream(buffer);
      break;
    }
    case cfPNG: {
      decode::TQVPNG png;
      png.Bitmap() = bitmap;
      png.SetCompressionLevel(s.Level);
      png.SetInterlace(s.Interlace);
      png.SaveToStream(buffer);
      break;
    }
  }
  return bytes;
}

void WriteBytesAtomically(const QByteArray& bytes, const QString& target, platform::TReplace replace) {
  platform::TSaveFile f(target, replace);
  if (!f.Open())
    throw EInvalidGraphic(QStringLiteral("Cannot create file %1: %2").arg(target, platform::ErrorText(f.Error())));
  errno = 0;
  if (f.Device().write(bytes) != bytes.size()) {
    const int err = errno != 0 ? errno : EIO;
    throw EInvalidGraphic(QStringLiteral("Cannot write file %1: %2").arg(target, platform::ErrorText(err)));
  }
  if (!f.Commit()) {
    if (f.Error() == EEXIST)
      throw EInvalidGraphic(QStringLiteral("%1 appeared while it was written; it was left alone").arg(target));
    throw EInvalidGraphic(QStringLiteral("Cannot write file %1: %2").arg(target, platform::ErrorText(f.Error())));
  }
}

void WriteConvertedFile(const TBitmap& bitmap, TConvertFormat format, const TConvertSettings& s,
                        const QString& target, platform::TReplace replace) {
  WriteBytesAtomically(EncodeConverted(bitmap, format, s), target, replace);
}

namespace {

// One source made ready for writing, or why it could not be.
struct TPrepared {
  QByteArray Bytes;
  QString Error;
};

TPrepared Prepare(const QString& source, TConvertFormat format, const TConvertSettings& s,
                  const TPictureLoader& loader) {
  TPrepared p;
  try {
    TBitmap bitmap = loader(source);
    PrepareConvertBitmap(bitmap, format, s);
    p.Bytes = EncodeConverted(bitmap, format, s);
  } catch (const std::bad_alloc&) {
    p.Error = QStringLiteral("out of memory");
  } catch (const std::exception& e) {
    p.Error = QString::fromUtf8(e.what());
  }
  return p;
}

// Worker threads preparing the sources in order, at most `ahead` results beyond the one
// the writer waits for, so memory stays bounded however long the list is. With a time
// limit, a worker still on a file past it is left behind: the file fails, the worker keeps
// its loader (and the state it shares) and stores nothing more, and a new worker with a
// loader of its own takes its place.
class TPrepareAhead {
 public:
  TPrepareAhead(QStringList sources, TConvertFormat format, const TConvertSettings& s, const TLoaderFactory& loaders,
                int jobs, std::chrono::milliseconds timeout)
      : state_(std::make_shared<TState>(std::move(sources), format, s)), loaders_(loaders), timeout_(timeout) {
    state_->ahead = std::max(2, 2 * jobs);
    for (int i = 0; i < jobs; ++i) spawn();
  }
  ~TPrepareAhead() { Finish(); }

  // Ends the workers; those still inside a file after the time limit are left running.
  // Returns how many workers were left behind and still run.
  int Finish() {
    if (finished_) return stuck();
    finished_ = true;
    {
      std::lock_guard lock(state_->mutex);
      state_->cancelled = true;
    }
    state_->wake.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    for (size_t k = 0; k < threads_.size(); ++k) {
      if (!threads_[k].joinable()) continue;
      if (timeout_.count() > 0) {
        std::unique_lock lock(state_->mutex);
        if (!state_->done.wait_until(lock, deadline, [&] { return state_->workers[k].exited; })) {
          leave(k);
          continue;
        }
      }
      threads_[k].join();
    }
    return stuck();
  }

  // The result of source i (taken in increasing order), waiting with `idle` between looks.
  TPrepared Take(int i, const std::function<void()>& idle) {
    TState& st = *state_;
    std::unique_lock lock(st.mutex);
    while (!st.results[i]) {
      if (timeout_.count() > 0 && st.started[i] && std::chrono::steady_clock::now() - *st.started[i] >= timeout_) {
        st.results[i] = TPrepared{{}, QStringLiteral("timed out after %1 s").arg(double(timeout_.count()) / 1000)};
        leave(size_t(st.takenBy[i]));
        lock.unlock();
        spawn();
        lock.lock();
        break;
      }
      if (idle) {
        lock.unlock();
        idle();
        lock.lock();
        if (st.results[i]) break;
      }
      st.done.wait_for(lock, std::chrono::milliseconds(20));
    }
    TPrepared p = std::move(*st.results[i]);
    st.results[i].reset();
    st.taken = i + 1;
    st.wake.notify_all();
    return p;
  }

 private:
  struct TWorkerState {
    bool left = false;    // left behind: stores nothing more
    bool exited = false;  // its thread function returned
  };
  struct TState {
    TState(QStringList sources, TConvertFormat format, const TConvertSettings& s)
        : sources(std::move(sources)), format(format), settings(s), results(this->sources.size()),
          started(this->sources.size()), takenBy(this->sources.size(), -1) {}
    const QStringList sources;
    const TConvertFormat format;
    const TConvertSettings settings;
    std::mutex mutex;
    std::condition_variable wake, done;
    std::vector<std::optional<TPrepared>> results;
    std::vector<std::optional<std::chrono::steady_clock::time_point>> started;
    std::vector<int> takenBy;
    std::vector<TWorkerState> workers;
    qsizetype next = 0, taken = 0, ahead = 2;
    bool cancelled = false;
  };

  // Under the lock.
  void leave(size_t k) {
    if (state_->workers[k].left) return;
    state_->workers[k].left = true;
    threads_[k].detach();
  }
  int stuck() {
    std::lock_guard lock(state_->mutex);
    return int(std::count_if(state_->workers.begin(), state_->workers.end(),
                             [](const TWorkerState& w) { return w.left && !w.exited; }));
  }

  void spawn() {
    int me;
    {
      std::lock_guard lock(state_->mutex);
      me = int(state_->workers.size());
      state_->workers.emplace_back();
    }
    threads_.emplace_back([st = state_, me, loader = loaders_()] { Work(*st, me, loader); });
  }

  static void Work(TState& st, int me, const TPictureLoader& loader) {
    for (;;) {
      int i;
      {
        std::unique_lock lock(st.mutex);
        st.wake.wait(lock, [&] {
          return st.cancelled || st.workers[me].left || st.next >= st.sources.size() || st.next < st.taken + st.ahead;
        });
        if (st.cancelled || st.workers[me].left || st.next >= st.sources.size()) break;
        i = int(st.next++);
        st.started[i] = std::chrono::steady_clock::now();
        st.takenBy[i] = me;
      }
      TPrepared p = Prepare(st.sources[i], st.format, st.settings, loader);
      {
        std::lock_guard lock(st.mutex);
        if (st.workers[me].left) break;
        st.results[i] = std::move(p);
      }
      st.done.notify_all();
    }
    {
      std::lock_guard lock(st.mutex);
      st.workers[me].exited = true;
    }
    st.done.notify_all();
  }

  std::shared_ptr<TState> state_;
  const TLoaderFactory loaders_;
  const std::chrono::milliseconds timeout_;
  std::vector<std::thread> threads_;
  bool finished_ = false;
};

}  // namespace

void ConvertFile(const QString& source, const QString& target, TConvertFormat format, const TConvertSettings& s,
                 const TPictureLoader& loader) {
  const TPrepared p = Prepare(source, format, s, loader);
  if (!p.Error.isEmpty()) throw EInvalidGraphic(p.Error);
  WriteBytesAtomically(p.Bytes, target);
}

TConvertRunResult ConvertFiles(const QStringList& sources, const QString& folder, TConvertFormat format,
                               const TConvertSettings& s, const TPictureLoader& loader, const TConvertHooks& hooks) {
  return RunConversion(sources, folder, format, s, [&loader] { return loader; }, hooks, 1);
}

TConvertRunResult RunConversion(const QStringList& sources, const QString& folder, TConvertFormat format,
                                const TConvertSettings& s, const TLoaderFactory& loaders, const TConvertHooks& hooks,
                                int jobs) {
  TConvertRunResult run;
  const QDir dir(folder);
  // Only what will be converted goes to the workers; work[k] is the k-th of them.
  QStringList work;
  for (const QString& source : sources)
    if (IsConvertibleFile(source)) work << source;
  std::optional<TPrepareAhead> ahead;
  TPictureLoader inlineLoader;
  // A time limit needs the files on other threads, however many.
  if ((jobs >= 2 && work.size() >= 2) || (hooks.FileTimeout.count() > 0 && !work.isEmpty())) {
    ahead.emplace(work, format, s, loaders, int(std::clamp<qsizetype>(jobs, 1, work.size())), hooks.FileTimeout);
  } else if (!work.isEmpty()) {
    inlineLoader = loaders();
  }
  QHash<QString, QString> writtenFrom;  // target -> source, in this run
  int k = 0;
  for (qsizetype i = 0; i < sources.size(); ++i) {
    const QString& source = sources[i];
    TConvertOutcome& out = run.Outcomes.emplace_back();
    out.Source = source;
    if (!run.Stopped && hooks.StopRequested && hooks.StopRequested()) run.Stopped = run.StoppedByUser = true;
    if (run.Stopped) {
      out.Reason = run.StoppedByUser ? QStringLiteral("not reached: the run was stopped")
                                     : QStringLiteral("not reached: the run stopped at an existing target");
      continue;
    }
    if (hooks.Progress) hooks.Progress(int(i + 1), int(sources.size()));
    if (!IsConvertibleFile(source)) {
      out.Status = csSkipped;
      out.Reason = QStringLiteral("icons and cursors are not converted");
      run.NotProcessed = true;
      continue;
    }
    const int slot = k++;
    const QString name = ConvertTargetName(source, format);
    out.Target = dir.filePath(name);
    const QString earlier = writtenFrom.value(out.Target);
    const bool exists = platform::PathTaken(out.Target);
    if (exists && (!hooks.AskOverwrite || !hooks.AskOverwrite(name))) {
      out.Reason = earlier.isEmpty()
                       ? QStringLiteral("%1 already exists; the run stopped").arg(out.Target)
                       : QStringLiteral("%1 was written from %2 earlier in this run; the run stopped")
                             .arg(out.Target, earlier);
      run.Stopped = true;
      continue;
    }
    if (hooks.FileStarted) hooks.FileStarted(source);
    const TPrepared p = ahead ? ahead->Take(slot, hooks.Idle) : Prepare(source, format, s, inlineLoader);
    try {
      if (!p.Error.isEmpty()) throw EInvalidGraphic(p.Error);
      // Only a target the user agreed to replace is replaced; one that appeared since the look stays.
      WriteBytesAtomically(p.Bytes, out.Target, exists ? platform::TReplace::Allowed : platform::TReplace::Never);
      out.Status = csConverted;
      out.Replaced = earlier;
      writtenFrom.insert(out.Target, source);
    } catch (const std::exception& e) {
      out.Status = csFailed;
      out.Reason = QString::fromUtf8(e.what());
      run.NotProcessed = true;
    }
    if (hooks.FileFinished) hooks.FileFinished(source);
  }
  if (ahead) run.StuckWorkers = ahead->Finish();
  return run;
}

}  // namespace edit
