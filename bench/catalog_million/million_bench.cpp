// bench_catalog_million FOLDER...: opens each folder in the main window as a folder change
// from the tree does (listing, sorting, first page drawn, status text set) and prints, per
// folder, the seconds until the status shows and the process's resident memory after it.
// A first empty folder gives the baseline, so the cost of each listing can be read off.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "app/widgets/cvmain.h"
#include "app/widgets/status_bar.h"
#include "bench/support/bench_main_window.h"
#include "bench/support/proc_status.h"
#include "catalog/widgets/imgpanel.h"

int main(int argc, char** argv) {
  bench::TBenchMainWindow bench(argv);
  app::TCVMain& w = bench.Window;
  for (int i = 1; i < argc; ++i) {
    const QString folder = QFile::decodeName(argv[i]);
    QElapsedTimer t;
    t.start();
    w.ShellTreeView1Change(folder);
    QApplication::processEvents();  // the first page reaches the screen
    const double s = double(t.nsecsElapsed()) / 1e9;
    std::printf("%s: %d entries, status \"%s\", %.3f s, rss %ld kB, peak %ld kB\n", argv[i],
                w.ImgPanel1->Count(), qPrintable(w.StatusBar1->PanelText(0)), s, bench::ProcStatusKb("VmRSS:"),
                bench::ProcStatusKb("VmHWM:"));
    std::fflush(stdout);
  }
  return 0;
}
