// bench_live FILES: copies FILES small pictures into the folder a catalogue shows (cp from a
// second process) while a key and a wheel step are sent to the window every 20 ms. Prints
// the listings the burst caused, the time the input waited at most and at the median, the
// catalogue's final count, and as the reference the time of the copy alone into an
// unwatched folder in the same run.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "catalog/widgets/imgpanel.h"

namespace {

// Notes when each sent event arrives.
class TLatency : public QObject {
 public:
  std::vector<qint64> waits;
  QElapsedTimer clock;
  qint64 sentAt = -1;
  bool eventFilter(QObject*, QEvent* e) override {
    if ((e->type() == QEvent::KeyPress || e->type() == QEvent::Wheel) && sentAt >= 0) {
      waits.push_back(clock.elapsed() - sentAt);
      sentAt = -1;
    }
    return false;
  }
};

qint64 copyTime(const QString& from, const QString& to) {
  QElapsedTimer t;
  t.start();
  QProcess::execute("sh", {"-c", QString("cp %1/* %2/").arg(from, to)});
  return t.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int files = argc > 1 ? atoi(argv[1]) : 10000;
  QTemporaryDir work;
  const QString source = work.filePath("source"), shown = work.filePath("shown"), plain = work.filePath("plain");
  for (const QString& d : {source, shown, plain}) QDir().mkpath(d);
  for (int i = 0; i < files; ++i) {
    QFile f(source + QString("/p%1.txt").arg(i, 5, 10, QChar('0')));
    f.open(QIODevice::WriteOnly);
    f.write("picture");
  }
  const qint64 reference = copyTime(source, plain);

  catalog::TImgPanel panel;
  panel.resize(800, 600);
  panel.show();
  panel.SetFolder(shown);
  int listings = 0;
  panel.OnChangeFolder = [&](catalog::TImgPanel*) { ++listings; };
  TLatency latency;
  latency.clock.start();
  panel.installEventFilter(&latency);

  QProcess cp;
  QElapsedTimer total;
  total.start();
  cp.start("sh", {"-c", QString("cp %1/* %2/").arg(source, shown)});
  qint64 copied = -1;
  QTimer input;
  int step = 0;
  // The longest time the window could not answer: the widest gap between two 20 ms ticks.
  qint64 lastTick = 0, longestGap = 0;
  QObject::connect(&input, &QTimer::timeout, [&] {
    const qint64 now = latency.clock.elapsed();
    if (lastTick) longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
    if (latency.sentAt >= 0) return;  // the last one still waits
    latency.sentAt = latency.clock.elapsed();
    if (step++ % 2) {
      QCoreApplication::postEvent(&panel, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    } else {
      QCoreApplication::postEvent(&panel, new QWheelEvent(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120),
                                                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false));
    }
  });
  input.start(20);
  QObject::connect(&cp, &QProcess::finished, [&] { copied = total.elapsed(); });
  // Done once the copy has ended and the catalogue shows every file (or after 60 s).
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if ((copied >= 0 && panel.Count() == files) || total.elapsed() > 60000) app.quit();
  });
  check.start(10);
  app.exec();
  const qint64 shownAll = total.elapsed();
  std::vector<qint64> w = latency.waits;
  std::sort(w.begin(), w.end());
  const qint64 median = w.empty() ? -1 : w[w.size() / 2], worst = w.empty() ? -1 : w.back();
  std::printf("files %d\nreference: cp into an unwatched folder %lld ms\n", files, (long long)reference);
  std::printf("cp into the shown folder %lld ms (ratio %.2f), all %d shown after %lld ms\n", (long long)copied,
              reference > 0 ? double(copied) / double(reference) : 0.0, panel.Count(), (long long)shownAll);
  std::printf("listings %d (%.1f per second of copy)\n", listings, copied > 0 ? listings * 1000.0 / double(copied) : 0.0);
  std::printf("input events %zu, wait median %lld ms, worst %lld ms; longest stall %lld ms (ticks every 20 ms)\n",
              w.size(), (long long)median, (long long)worst, (long long)longestGap);
  return panel.Count() == files ? 0 : 1;
}
