// A plain window holding only the catalogue, showing the folder given as the argument (or
// the folder of a file given as the argument; the current folder without one). The
// catalogue's own shell menu, clipboard keys, drag and drop and in-place renaming are on, with
// the file commands' questions behind them.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QMainWindow>

#include "catalog/widgets/imgpanel.h"
#include "files/widgets/file_dialogs.h"
#include "files/widgets/file_run.h"
#include "files/widgets/properties_dialog.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString path = argc > 1 ? QFile::decodeName(argv[1]) : QDir::currentPath();
  const QFileInfo info(path);
  if (info.exists() && !info.isDir()) path = info.absolutePath();

  QMainWindow window;
  auto* panel = new catalog::TImgPanel(&window);
  panel->SetMultiSelect(true);
  window.setCentralWidget(panel);
  const files::TMessageBoxFn box = files::DefaultMessageBox(&window);
  panel->TransferFiles = [&window, box](catalog::TTransfer kind, const QStringList& sources, const QString& folder) {
    files::TFileRunUi ui;
    ui.MessageBox = box;
    const files::TFileRunResult r = files::RunCopyMoveWithUi(
        &window, kind == catalog::TTransfer::ttMove ? files::TFileRunKind::frMove : files::TFileRunKind::frCopy,
        sources, folder, ui);
    return !r.Cancelled && r.Failed.empty() && r.Skipped == 0;
  };
  panel->TrashFiles = [box](const QStringList& paths) {
    return files::ConfirmTrash(box, paths) && files::TrashWithUi(box, paths) == paths.size();
  };
  panel->ShowProperties = [&window](const QString& file) {
    files::TPropertiesDialog dialog(files::ReadFileProperties(file), &window);
    dialog.exec();
  };
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
