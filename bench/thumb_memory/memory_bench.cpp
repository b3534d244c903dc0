// bench_thumb_memory FOLDER CAP_MB: opens the folder in the main window, waits for each
// page's thumbnails and goes to the next page, to the end; prints the pages, the seconds,
// the store's bytes and the process's resident memory (now and peak). CAP_MB 0: no cap.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "app/widgets/cvmain.h"
#include "bench/support/bench_main_window.h"
#include "bench/support/proc_status.h"
#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"

namespace {

bool pageDone(catalog::TImgPanel& panel, catalog::TFileImage& loader) {
  if (loader.Busy()) return false;
  const int top = std::max(panel.TopIndex(), 0), end = std::min(panel.Count(), top + panel.CellsPerPage());
  for (int i = top; i < end; ++i)
    if (!panel.Item(i)->Loaded) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_thumb_memory FOLDER CAP_MB\n");
    return 2;
  }
  bench::TBenchMainWindow bench(argv);
  app::TCVMain& w = bench.Window;
  catalog::TImgPanel& panel = *w.ImgPanel1;
  panel.SetThumbMemory(int64_t(QByteArray(argv[2]).toLongLong()) << 20);
  const long baseline = bench::ProcStatusKb("VmRSS:");
  QElapsedTimer t;
  t.start();
  w.ShellTreeView1Change(QFile::decodeName(argv[1]));
  int pages = 1;
  for (;;) {
    QElapsedTimer stall;
    stall.start();
    while (!pageDone(panel, *w.FileImage)) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      QThread::usleep(500);
      if (stall.elapsed() > 20000) {
        const int top = std::max(panel.TopIndex(), 0);
        std::fprintf(stderr, "stalled at page %d, top %d, busy %d, queue %d:", pages, top, w.FileImage->Busy(),
                     int(w.FileImage->Queue().size()));
        for (int i = top; i < std::min(panel.Count(), top + panel.CellsPerPage()); ++i)
          if (!panel.Item(i)->Loaded) std::fprintf(stderr, " %d", i);
        std::fprintf(stderr, "\n");
        return 1;
      }
    }
    if (panel.TopIndex() + panel.CellsPerPage() >= panel.Count()) break;
    panel.NextPage();
    ++pages;
  }
  std::printf("%d entries, %d pages of %d, %.1f s, store %.1f MB, rss %ld MB (%ld MB before the folder), peak %ld MB\n",
              panel.Count(), pages, panel.CellsPerPage(), double(t.nsecsElapsed()) / 1e9,
              double(panel.ThumbStore().MemoryUsed()) / (1 << 20), bench::ProcStatusKb("VmRSS:") / 1024, baseline / 1024,
              bench::ProcStatusKb("VmHWM:") / 1024);
  return 0;
}
