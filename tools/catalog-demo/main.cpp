// A plain window holding only the catalogue, showing the folder given as the argument (or
// the folder of a file given as the argument; the current folder without one).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QMainWindow>

#include "catalog/widgets/imgpanel.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString path = argc > 1 ? QFile::decodeName(argv[1]) : QDir::currentPath();
  const QFileInfo info(path);
  if (info.exists() && !info.isDir()) path = info.absolutePath();

  QMainWindow window;
  auto* panel = new catalog::TImgPanel(&window);
  panel->SetMultiSelect(true);
  window.setCentralWidget(panel);
  panel->OnSelectItem = [&window](catalog::TImgPanel* sender, catalog::TPanelItem* item) {
    window.statusBar()->showMessage(QStringLiteral("%1  %2  %3  (%4 / %5)")
                                        .arg(item->GetDisplayName(), item->GetSizeText(), item->GetDateText())
                                        .arg(sender->CurrentIndex() + 1)
                                        .arg(sender->Count()));
  };
  panel->OnChangeFolder = [&window](catalog::TImgPanel* sender) {
    window.setWindowTitle(sender->FolderPath());
    window.statusBar()->showMessage(QStringLiteral("%1 files").arg(sender->Count()));
  };
  panel->SetFolder(path);
  window.resize(800, 600);
  window.show();
  return app.exec();
}
