// How soon each slide-show tick has its picture on screen: runs the slide window over a
// folder of JPEGs and prints, per tick, the time from the timer's event to the picture
// painted, then the same for loading each picture at the tick (what a show without the
// prepared picture would wait). Usage: bench_slide FOLDER [INTERVAL_MS] [TICKS]
#include <QApplication>
#include <QPointer>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "graphics/picture_formats.h"
#include "view/picture_loader.h"
#include "catalog/masked_file_list.h"
#include "view/widgets/slide_form.h"

namespace {
// Notes when the slide timer's event arrives, before the window handles it.
class TTickClock : public QObject {
 public:
  QElapsedTimer clock;
  qint64 lastTick = -1;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Timer) lastTick = clock.nsecsElapsed();
    return false;
  }
};

void Report(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  std::printf("%-34s n=%zu  median %.1f ms  mean %.1f ms  max %.1f ms\n", what, ms.size(), ms[ms.size() / 2],
              sum / double(ms.size()), ms.back());
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_slide FOLDER [INTERVAL_MS] [TICKS]\n");
    return 2;
  }
  graphics::RegisterBuiltinFormats();
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const int interval = argc > 2 ? std::atoi(argv[2]) : 1000;
  const QStringList files = catalog::MaskedFileList(folder, QStringLiteral("*.jpg;*.jpeg"));
  const int ticks = argc > 3 ? std::atoi(argv[3]) : int(files.size()) - 1;
  if (files.size() < 2) return 2;

  auto* form = new view::TSlideForm(nullptr);
  form->LoadFitted = [](const QString& path, QSize screen, bool smooth) {
    return view::LoadPictureFitted(path, screen, smooth, nullptr);
  };
  TTickClock tick;
  tick.clock.start();
  form->SlideTimer->installEventFilter(&tick);
  std::vector<double> latency;
  QObject::connect(form, &view::TSlideForm::PictureShown, [&](int) {
    if (tick.lastTick >= 0) latency.push_back(double(tick.clock.nsecsElapsed() - tick.lastTick) / 1e6);
    if (int(latency.size()) >= ticks) app.quit();
  });
  view::TSlideForm::TSlideStart start;
  start.First = std::make_shared<const graphics::TBitmap>(view::LoadPictureFitted(files[0], form->ScreenSize(), true, nullptr));
  start.Files = files;
  start.Index = 0;
  start.Interval = interval;
  start.Loop = true;
  form->StartSlide(start);
  const QSize screen = form->ScreenSize();
  // Quitting closes the window, which frees itself.
  app.exec();
  std::printf("screen %dx%d, %lld pictures, interval %d ms\n", screen.width(), screen.height(),
              static_cast<long long>(files.size()), interval);
  Report("tick to picture on screen", latency);

  // The same pictures loaded at the tick, without preparation.
  std::vector<double> direct;
  for (int i = 1; i < std::min<int>(int(files.size()), ticks + 1); ++i) {
    QElapsedTimer t;
    t.start();
    const graphics::TBitmap b = view::LoadPictureFitted(files[i], screen, true, nullptr);
    direct.push_back(double(t.nsecsElapsed()) / 1e6);
  }
  Report("load at the tick (not prepared)", direct);
  return 0;
}
