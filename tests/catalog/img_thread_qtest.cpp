// The thumbnail queue and worker with the real catalogue control on the offscreen platform.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <mutex>

#include "catalog/img_thread.h"
#include "catalog/img_util.h"
#include "catalog/panel_events.h"
#include "catalog/picture_file.h"
#include "catalog/spi_hook.h"
#include "catalog/img_thread_file.h"
#include "catalog/widgets/small_icon_mark.h"
#include "catalog/widgets/imgpanel.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"

using namespace catalog;
using graphics::TBitmap;

namespace {

// Records the order in which jobs would start, without any thread.
class TRecordingQueue : public TImgThreads {
 public:
  TRecordingQueue() : TImgThreads(nullptr) {}
  QList<int> taken;
  void drain() {
    while (!queue_.isEmpty()) taken << TakeLast();
  }

 protected:
  bool StartNext() override {
    taken << TakeLast();
    return false;
  }
};

TBitmap picture(int w, int h, int seed) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x + seed * 40);
      p[1] = uint8_t(y * 2);
      p[2] = uint8_t(seed * 70);
    }
  return b;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// The user-interface thread's plug-in list, noting every thread that calls it: Susie
// plug-ins need not be re-entrant, so no worker may call it too.
class TThreadNotingPlugins : public TImgPlugins {
 public:
  TSPluginHook Hook;
  int IndexOfSupporting(const QString& path) const override {
    note();
    return Hook.IndexOfSupporting(path);
  }
  int GetBitmap(const QString& path, graphics::TBitmap& bitmap) override {
    note();
    return Hook.GetBitmap(path, bitmap);
  }
  bool OnlyCalledFrom(QThread* thread) const {
    std::lock_guard lock(mutex_);
    return callers_.size() == 1 && callers_.contains(thread);
  }

 private:
  void note() const {
    std::lock_guard lock(mutex_);
    callers_.insert(QThread::currentThread());
  }
  mutable std::mutex mutex_;
  mutable QSet<QThread*> callers_;
};

// Workers that only report (no picture), with the start order and the completions seen.
class TReportingPool : public TImgThreads {
 public:
  explicit TReportingPool(QObject* receiver) : TImgThreads(receiver), receiver_(receiver) {}
  QList<int> started;
  int mostRunning = 0;

 protected:
  bool StartNext() override {
    const int id = TakeLast();
    started << id;
    mostRunning = std::max(mostRunning, Running() + 1);
    worker_ = std::make_unique<TImgThread>(receiver_, QString(), id, 10, 10, TImgJob{}, true);
    return true;
  }

 private:
  QObject* receiver_;
};

class TDoneReceiver : public QObject {
 public:
  TImgThreads* pool = nullptr;
  QList<int> done;
  bool event(QEvent* e) override {
    if (e->type() != TThumbDoneEvent::EventType()) return QObject::event(e);
    done << static_cast<TThumbDoneEvent*>(e)->Id;
    pool->JobDone();
    return true;
  }
};

}  // namespace

class ImgThreadTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_, pics_;
  int pictureCount_ = 0;

  std::unique_ptr<TImgPanel> makePanel(TFileImage*& loader, bool lookAhead) {
    auto panel = std::make_unique<TImgPanel>();
    panel->resize(400, 300);
    TViewImage v = panel->ViewImage();
    v.ImageWidth = 100;
    v.ImageHeight = 80;
    v.LookAhead = lookAhead;
    panel->SetViewImage(v);
    loader = new TFileImage(panel.get());
    loader->Thumbnail().Path = home_.filePath("Cache");
    loader->Thumbnail().FileName = QFileInfo(pics_.path()).fileName();
    loader->Attach();
    panel->show();
    return panel;
  }

  int pictureEntries(TImgPanel& panel) {
    int n = 0;
    for (int i = 0; i < panel.Count(); ++i) {
      const QString p = panel.Item(i)->GetParseName();
      n += p.endsWith(".jpg") || p.endsWith(".bmp");
    }
    return n;
  }
  bool allLoaded(TImgPanel& panel) {
    for (int i = 0; i < panel.Count(); ++i) {
      TPanelItem* item = panel.Item(i);
      const QString p = item->GetParseName();
      if (p.endsWith("broken.jpg")) continue;
      if ((p.endsWith(".jpg") || p.endsWith(".bmp")) && (!item->Loaded || item->ThumbIndex < 0))
        return false;
    }
    return true;
  }

  // Lists the pictures in a look-ahead panel and waits for every thumbnail.
  void loadWholeFolder() {
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, true);
    std::unique_ptr<TFileImage> owner(loader);
    panel->SetFolder(pics_.path());
    QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
  }

 private slots:
  void initTestCase() {
    qputenv("QIVO2_HOME", home_.path().toUtf8());
    QDir().mkpath(home_.filePath("Cache"));
    for (int i = 0; i < 14; ++i) {
      graphics::TJPEGImage j;
      j.Assign(picture(320 + i, 240, i));
      writeFile(pics_.filePath(QString("photo%1.jpg").arg(i, 2, 10, QChar('0'))), j.SaveToMemory());
    }
    writeFile(pics_.filePath("drawing.bmp"), graphics::WriteBMP(picture(50, 30, 3)));
    writeFile(pics_.filePath("broken.jpg"), "\xFF\xD8 broken");
    writeFile(pics_.filePath("notes.xyz"), "not a picture");
    QDir().mkpath(pics_.filePath("sub"));
    pictureCount_ = 16;  // the broken one included
  }

  void queueOrder() {
    // Without look-ahead: a page drawn first to last, each inserted at the front.
    {
      TRecordingQueue q;
      for (int id : {5, 6, 7}) q.Add(id, false);
      q.drain();
      QCOMPARE(q.taken, (QList<int>{5, 6, 7}));
    }
    // With look-ahead: listing queues everything at the front, the page is drawn last to
    // first moving each entry to the end: the page first, then the rest in list order.
    {
      TRecordingQueue q;
      for (int id = 1; id <= 9; ++id) q.AddBatch(id, false);
      for (int id : {7, 6, 5}) q.Add(id, true);
      q.drain();
      QCOMPARE(q.taken, (QList<int>{5, 6, 7, 1, 2, 3, 4, 8, 9}));
    }
    // AddAndStart starts at once; a page change without look-ahead clears the rest.
    {
      TRecordingQueue q;
      q.AddAndStart(1, false);
      QCOMPARE(q.taken, (QList<int>{1}));
      q.Add(2, false);
      q.Add(3, false);
      q.ClearQueue();
      q.Restart();
      QCOMPARE(q.taken, (QList<int>{1}));
    }
  }

  void smallIconMarkCorners() {
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::red);
    const struct {
      TIconPosition pos;
      QPoint at;
    } cases[] = {
        {TIconPosition::iipLeftTop, {0, 0}},
        {TIconPosition::iipLeftBottom, {0, 62}},
        {TIconPosition::iipRightTop, {82, 0}},
        {TIconPosition::iipRightBottom, {82, 62}},
    };
    for (const auto& c : cases) {
      QImage cell(100, 80, QImage::Format_RGB32);
      cell.fill(Qt::white);
      DrawSmallIconMark(cell, icon, c.pos, 2);
      QCOMPARE(cell.pixelColor(c.at), QColor(Qt::red));
      QCOMPARE(cell.pixelColor(c.at + QPoint(15, 15)), QColor(Qt::red));
      QCOMPARE(cell.pixelColor(c.at + QPoint(16, 16)).rgb(), QColor(Qt::white).rgb());
    }
    QImage cell(100, 80, QImage::Format_RGB32);
    cell.fill(Qt::white);
    const QImage before = cell;
    DrawSmallIconMark(cell, icon, TIconPosition::iipNone, 2);
    QCOMPARE(cell, before);
  }

  void folderFillsThenComesFromCache() {
    QFile::remove(home_.filePath("Cache/" + QFileInfo(pics_.path()).fileName() + ".dat"));
    const int before = TImgUtil::DecoderCalls();
    {
      TFileImage* loader = nullptr;
      auto panel = makePanel(loader, true);
      std::unique_ptr<TFileImage> owner(loader);
      panel->SetFolder(pics_.path());
      QCOMPARE(pictureEntries(*panel), pictureCount_);
      QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
      QCOMPARE(TImgUtil::DecoderCalls() - before, pictureCount_);
      owner.reset();
    }
    QVERIFY(QFile::exists(home_.filePath("Cache/" + QFileInfo(pics_.path()).fileName() + ".dat")));
    const int warm = TImgUtil::DecoderCalls();
    {
      TFileImage* loader = nullptr;
      auto panel = makePanel(loader, false);
      std::unique_ptr<TFileImage> owner(loader);
      panel->resize(2000, 2000);  // every entry on the first page
      panel->SetFolder(pics_.path());
      QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
      // Only the broken picture is decoded again: it never had a cache entry.
      QCOMPARE(TImgUtil::DecoderCalls() - warm, 1);
      for (int i = 0; i < panel->Count(); ++i) {
        TPanelItem* item = panel->Item(i);
        if (item->GetParseName().endsWith("photo03.jpg")) {
          QCOMPARE(item->ImageWidth, 323);
          QCOMPARE(item->ImageHeight, 240);
        }
      }
      owner.reset();
    }
  }

  void poolHandsOutInQueueOrder() {
    for (const int threads : {1, 2, 3}) {
      TDoneReceiver receiver;
      TReportingPool pool(&receiver);
      receiver.pool = &pool;
      pool.SetThreads(threads);
      for (int id = 0; id < 12; ++id) pool.Add(id, false);  // served from the end: 0 first
      pool.Start();
      QTRY_COMPARE_WITH_TIMEOUT(receiver.done.size(), 12, 10000);
      QVERIFY(!pool.Busy());
      QList<int> expected;
      for (int id = 0; id < 12; ++id) expected << id;
      QCOMPARE(pool.started, expected);
      QVERIFY2(pool.mostRunning <= threads, qPrintable(QString::number(pool.mostRunning)));
      if (threads == 1) QCOMPARE(receiver.done, expected);  // strictly one after the other
      auto sorted = receiver.done;
      std::sort(sorted.begin(), sorted.end());
      QCOMPARE(sorted, expected);  // each job reported once
    }
  }

  void poolStopDropsEveryPendingCompletion() {
    TDoneReceiver receiver;
    TReportingPool pool(&receiver);
    receiver.pool = &pool;
    pool.SetThreads(3);
    for (int id = 0; id < 6; ++id) pool.Add(id, true);
    pool.Start();
    pool.Stop();  // the jobs of the old listing end here, reported or not
    QCOMPARE(pool.Running(), 0);
    QCoreApplication::processEvents();
    QVERIFY(receiver.done.isEmpty());
    QVERIFY(!pool.Worker());
  }

  void poolFillsEveryEntryOnce() {
    // Each thread count makes every thumbnail exactly once and leaves a cache file that
    // serves them all.
    for (const int threads : {1, 2, 3}) {
      QFile::remove(home_.filePath("Cache/" + QFileInfo(pics_.path()).fileName() + ".dat"));
      const int before = TImgUtil::DecoderCalls();
      {
        TFileImage* loader = nullptr;
        auto panel = makePanel(loader, true);
        std::unique_ptr<TFileImage> owner(loader);
        loader->SetThreads(threads);
        panel->SetFolder(pics_.path());
        QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
        QCOMPARE(TImgUtil::DecoderCalls() - before, pictureCount_);
      }
      const int warm = TImgUtil::DecoderCalls();
      TFileImage* loader = nullptr;
      auto panel = makePanel(loader, true);
      std::unique_ptr<TFileImage> owner(loader);
      loader->SetThreads(threads);
      panel->SetFolder(pics_.path());
      QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
      QCOMPARE(TImgUtil::DecoderCalls() - warm, 1);  // only the broken picture
    }
  }

  void tinyStoreDropsAndReloadsFromTheCache() {
    loadWholeFolder();  // every thumbnail into the cache file first
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, false);
    std::unique_ptr<TFileImage> owner(loader);
    panel->SetThumbMemory(1);  // one row of cells, or what one page needs
    panel->SetFolder(pics_.path());
    QVERIFY(panel->CellsPerPage() < pictureCount_ / 2);
    auto pageLoaded = [&] {
      const int top = panel->TopIndex(), end = std::min(panel->Count(), top + panel->CellsPerPage());
      for (int i = top; i < end; ++i) {
        TPanelItem* item = panel->Item(i);
        if (item->GetParseName().endsWith(".jpg") && !item->GetParseName().endsWith("broken.jpg") &&
            item->ThumbIndex < 0)
          return false;
      }
      return !loader->Busy();
    };
    QTRY_VERIFY_WITH_TIMEOUT(pageLoaded(), 60000);
    const QImage first = panel->grab().toImage();
    const int decodes = TImgUtil::DecoderCalls();
    const int64_t bound = panel->ThumbStore().MemoryUsed();
    while (panel->TopIndex() + panel->CellsPerPage() < panel->Count()) {
      panel->NextPage();
      QTRY_VERIFY_WITH_TIMEOUT(pageLoaded(), 60000);
      QCOMPARE(panel->ThumbStore().MemoryUsed(), bound);
    }
    int dropped = 0;
    for (int i = 0; i < panel->CellsPerPage(); ++i) dropped += panel->Item(i)->ThumbIndex < 0 && !panel->Item(i)->Loaded;
    QVERIFY(dropped > 0);
    panel->FirstPage();
    QTRY_VERIFY_WITH_TIMEOUT(pageLoaded(), 60000);
    QCOMPARE(panel->grab().toImage(), first);
    // Read again from the cache file, not decoded.
    QCOMPARE(TImgUtil::DecoderCalls(), decodes);
  }

  void theSameFolderAgainGoesOnMakingThumbnails() {
    // The main window stops the jobs before every folder change, also to the folder shown.
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, false);
    std::unique_ptr<TFileImage> owner(loader);
    panel->resize(2000, 2000);
    panel->SetFolder(pics_.path());
    loader->Stop();
    panel->SetFolder(pics_.path());
    QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
  }

  void lookAheadSwitchedOnLoadsTheRestOfTheFolder() {
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, false);
    std::unique_ptr<TFileImage> owner(loader);
    panel->SetFolder(pics_.path());
    QTRY_VERIFY_WITH_TIMEOUT(!loader->Busy(), 60000);
    QVERIFY(!allLoaded(*panel));  // only the first page
    panel->SetLookAhead(true);
    QVERIFY(panel->ViewImage().LookAhead);
    QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
    panel->SetLookAhead(false);
    QVERIFY(loader->Queue().isEmpty());
  }

  void lookAheadStopsAtAFullStoreWithoutACache() {
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, true);
    std::unique_ptr<TFileImage> owner(loader);
    loader->ImgUtil().AutoThumb = false;
    panel->SetThumbMemory(1);
    panel->SetFolder(pics_.path());
    QTRY_VERIFY_WITH_TIMEOUT(!loader->Busy(), 60000);
    // Nothing keeps what does not fit: the rest of the folder is not decoded for nothing.
    int stored = 0;
    for (int i = 0; i < panel->Count(); ++i) stored += panel->Item(i)->ThumbIndex >= 0;
    QVERIFY(stored < pictureCount_);
    QVERIFY(loader->Queue().isEmpty());
  }

  void refreshThumbnailsDecodesAgain() {
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, true);
    std::unique_ptr<TFileImage> owner(loader);
    panel->SetFolder(pics_.path());
    QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
    const int before = TImgUtil::DecoderCalls();
    panel->RefreshThumbnails();
    QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);
    QCOMPARE(TImgUtil::DecoderCalls() - before, pictureCount_);
    owner.reset();
  }

  void completionAfterRefreshMarksNothing() {
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, false);
    std::unique_ptr<TFileImage> owner(loader);
    panel->SetFolder(pics_.path());
    QVERIFY(panel->Count() > 0);
    QList<int> oldIds;
    for (int i = 0; i < panel->Count(); ++i) oldIds << panel->Item(i)->Id;
    loader->Stop();
    panel->Refresh(true);
    loader->Stop();
    auto state = [&] {
      QList<std::pair<bool, int>> out;
      for (int i = 0; i < panel->Count(); ++i) out << std::pair{panel->Item(i)->Loaded, panel->Item(i)->ThumbIndex};
      return out;
    };
    const auto before = state();
    for (int i = 0; i < panel->Count(); ++i) QVERIFY(!oldIds.contains(panel->Item(i)->Id));
    for (int id : oldIds) {
      TThumbDoneEvent e(id, 0);
      e.Picture = picture(10, 10, 1);
      QCoreApplication::sendEvent(panel.get(), &e);
    }
    QCOMPARE(state(), before);
    owner.reset();
  }

  void damagedCacheNeverStopsTheQueue() {
    const QString cache = home_.filePath("Cache/" + QFileInfo(pics_.path()).fileName() + ".dat");
    QFile::remove(cache);
    writeFile(cache, "definitely not a thumbnail file");
    loadWholeFolder();
    QFile::remove(cache);
  }

  // The drawing's type test, the plain loader and settings changes on the user-interface
  // thread while the worker decodes plug-in thumbnails: each side keeps to its own list.
  void pluginThumbnailsBesideUserInterfaceDecodes() {
    QTemporaryDir plugged;
    const QStringList sources = {"pattern.gif", "pattern_interlaced.gif", "pattern.tga", "pattern_rle.tga"};
    QStringList paths;
    for (int copy = 0; copy < 6; ++copy)
      for (const QString& name : sources) {
        const QString path = plugged.filePath(QString("%1_%2").arg(copy).arg(name));
        QVERIFY(QFile::copy(QStringLiteral(QIVO2_TEST_DATA "/spi/") + name, path));
        paths << path;
      }
    TThreadNotingPlugins ui;
    QVERIFY(ui.Hook.List.LoadFromAppDir() >= 2);
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, true);
    std::unique_ptr<TFileImage> owner(loader);
    loader->Thumbnail().FileName = QFileInfo(plugged.path()).fileName();
    loader->ImgUtil().SPlugin = &ui;
    QVERIFY(loader->Plugins().List.LoadFromAppDir() >= 2);
    panel->resize(2000, 2000);
    panel->SetFolder(plugged.path());
    QCOMPARE(panel->Count(), int(paths.size()));
    auto allPluginThumbs = [&] {
      for (int i = 0; i < panel->Count(); ++i)
        if (!panel->Item(i)->Loaded || panel->Item(i)->ThumbIndex < 0) return false;
      return true;
    };
    int round = 0;
    while (!(allPluginThumbs() && !loader->Busy()) && round < 20000) {
      const QString& path = paths[round % paths.size()];
      QCOMPARE(loader->ImgUtil().DetectType(path), TImageType::iitSusie);
      QCOMPARE(LoadPictureFile(path, &ui).SourceWidth, 5);
      loader->ImgUtil().AviFramePos = 10 + round % 50;
      QCoreApplication::processEvents();
      ++round;
    }
    QVERIFY(allPluginThumbs());
    QVERIFY(ui.OnlyCalledFrom(QThread::currentThread()));
    owner.reset();
  }

  // A plug-in whose decode never returns: a folder change leaves its worker behind within the
  // grace period instead of waiting for ever, and the next folder still fills, with a worker
  // that loaded the plug-ins again. Dropping the queue then returns at once too.
  void workerStuckInAPlugInIsLeftBehind() {
    for (const int threads : {1, 2}) {
      QTemporaryDir stuck;
      writeFile(stuck.filePath("never.hang"), "HANG for ever");
      writeFile(stuck.filePath("drawing.bmp"), graphics::WriteBMP(picture(50, 30, 3)));
      TSPluginHook ui;
      ui.List.AddPlugin(QIVO2_ENDLESS_SPI);
      QCOMPARE(ui.List.Count(), 1);
      TFileImage* loader = nullptr;
      auto panel = makePanel(loader, true);
      std::unique_ptr<TFileImage> owner(loader);
      loader->ImgUtil().SPlugin = &ui;
      loader->Plugins().List.AddPlugin(QIVO2_ENDLESS_SPI);
      QCOMPARE(loader->Plugins().List.Count(), 1);
      loader->SetThreads(threads);
      panel->SetFolder(stuck.path());
      QCOMPARE(panel->Count(), 2);
      auto loaded = [&](const char* name) {
        for (int i = 0; i < panel->Count(); ++i)
          if (panel->Item(i)->GetParseName().endsWith(name)) return panel->Item(i)->Loaded;
        return false;
      };
      QTRY_VERIFY_WITH_TIMEOUT(loaded("drawing.bmp") && loader->Running() == 1, 60000);
      QTest::qWait(100);  // inside GetPicture by now
      QVERIFY(!loaded("never.hang"));

      QElapsedTimer timer;
      timer.start();
      panel->SetFolder(pics_.path());
      QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
      // The stuck one is left behind; when the watcher saw the files this test just wrote and
      // listed the folder again, the picture got a new Id and a second worker stuck in it.
      QVERIFY(loader->Abandoned() >= 1);
      QTRY_VERIFY_WITH_TIMEOUT(allLoaded(*panel) && !loader->Busy(), 60000);

      panel->SetFolder(stuck.path());
      QTRY_VERIFY_WITH_TIMEOUT(loaded("drawing.bmp") && loader->Running() == 1, 60000);
      timer.restart();
      owner.reset();
      QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    }
  }

  void stopWhileWorking() {
    TFileImage* loader = nullptr;
    auto panel = makePanel(loader, true);
    std::unique_ptr<TFileImage> owner(loader);
    panel->SetFolder(pics_.path());
    loader->Stop();
    QVERIFY(!loader->Busy());
    QVERIFY(loader->Queue().isEmpty());
    QVERIFY(!loader->Worker());
    QCoreApplication::processEvents();
    owner.reset();
  }
};

QTEST_MAIN(ImgThreadTest)
#include "img_thread_qtest.moc"
