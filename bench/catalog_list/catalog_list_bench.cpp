// List, sort and draw the first page of a folder of 10,000 and of 100,000 empty files
// (created once in a temporary folder). Nothing reads a file's content: the listing walks
// the directory and the first page needs only names and icons chosen by extension.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>

#include "catalog/widgets/imgpanel.h"

namespace {

QApplication* gApp = nullptr;

// One folder per size, kept for the whole run.
const QString& folderOf(int files) {
  static std::map<int, std::unique_ptr<QTemporaryDir>> dirs;
  static std::map<int, QString> paths;
  auto& d = dirs[files];
  if (!d) {
    d = std::make_unique<QTemporaryDir>();
    const QByteArray base = QFile::encodeName(d->path());
    static const char* const exts[] = {".jpg", ".png", ".bmp", ".gif", ".txt"};
    for (int i = 0; i < files; ++i) {
      const QByteArray name = base + "/picture " + QByteArray::number(i) + exts[i % 5];
      const int fd = open(name.constData(), O_CREAT | O_WRONLY, 0644);
      if (fd >= 0) close(fd);
    }
    paths[files] = d->path();
  }
  return paths[files];
}

std::unique_ptr<catalog::TImgPanel> makePanel(const QString& folder) {
  auto p = std::make_unique<catalog::TImgPanel>();
  p->SetBorderStyle(catalog::TBorderStyle::bsNone);
  p->SetMultiSelect(true);
  p->SetIconSpacing({0, 4});
  p->DispTypes().SetFolders(false);
  p->DispTypes().SetExt("*.jpg;*.png;*.bmp;*.gif");
  p->resize(1024, 768);
  p->SetFolder(folder);
  p->show();  // a hidden widget gets no size, hence no page
  QApplication::processEvents();
  return p;
}

// What a folder change costs: enumerate through the shell, filter, sort, draw page one.
void BM_OpenFolder(benchmark::State& state) {
  const QString& folder = folderOf(int(state.range(0)));
  auto panel = makePanel(folder);
  for (auto _ : state) {
    panel->Refresh(true);
    benchmark::DoNotOptimize(panel->PageImage().constBits());
  }
  state.counters["entries"] = panel->Count();
}
BENCHMARK(BM_OpenFolder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same steps one by one.
void BM_EnumerateOnly(benchmark::State& state) {
  const QString& folder = folderOf(int(state.range(0)));
  auto panel = makePanel(folder);
  for (auto _ : state) {
    panel->Items().Clear();
    panel->Items().Enumerate(panel->DispTypes());
  }
}
BENCHMARK(BM_EnumerateOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortByName(benchmark::State& state) {
  const QString& folder = folderOf(int(state.range(0)));
  auto panel = makePanel(folder);
  bool descend = false;
  for (auto _ : state) {
    descend = !descend;
    panel->Items().Sort(catalog::TSortTypeEx::istName, descend);
  }
}
BENCHMARK(BM_SortByName)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DrawFirstPage(benchmark::State& state) {
  const QString& folder = folderOf(int(state.range(0)));
  auto panel = makePanel(folder);
  for (auto _ : state) {
    panel->ShowPage(0);
    benchmark::DoNotOptimize(panel->PageImage().constBits());
  }
}
BENCHMARK(BM_DrawFirstPage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Dropping a selection of every entry: Ctrl+A then a click, and Ctrl+A then clear.
void BM_DropWholeSelection(benchmark::State& state) {
  const QString& folder = folderOf(int(state.range(0)));
  auto panel = makePanel(folder);
  for (auto _ : state) {
    panel->SelectAll();
    panel->SelectItem(1, Qt::NoModifier, false);
    panel->SelectAll();
    panel->ClearSelection();
  }
  state.counters["entries"] = panel->Count();
}
BENCHMARK(BM_DropWholeSelection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  gApp = &app;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
