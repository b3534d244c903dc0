#include "extras/widgets/cache_form.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "extras/cache_files.h"
#include "extras/widgets/shell_list_box.h"
#include "platform/app_folder.h"
#include "platform/widgets/centre_on_screen.h"

namespace extras {

QString CacheFolder() { return platform::ensureProgramSubfolder(QStringLiteral("Cache")); }

TCacheForm::TCacheForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setWindowTitle(QStringLiteral("キャッシュリスト"));
  ShellListBox1 = new TShellListBox(this);
  ShellListBox1->BeginUpdate();
  ShellListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ShellListBox1->SetShowIcon(false);
  ShellListBox1->SetShowFullPath(false);
  ShellListBox1->SetShowExtention(true);
  ShellListBox1->SetMask(QStringLiteral("*.dat"));
  // Nothing outside the Cache folder, whatever the list is pointed at or a link points to.
  ShellListBox1->Accept = [cache = CacheFolder()](const QString& path) { return IsCacheFile(cache, path); };
  ShellListBox1->setAccessibleName(QStringLiteral("ShellListBox1"));
  btnDelete = new QPushButton(QStringLiteral("削除(&D)"), this);
  btnClose = new QPushButton(QStringLiteral("閉じる"), this);
  btnClose->setDefault(true);
  lblCacheSize = new QLabel(QStringLiteral("サイズ："), this);
  lblCacheSize->hide();

  auto* grid = new QGridLayout(this);
  grid->addWidget(ShellListBox1, 0, 0, 3, 1);
  grid->addWidget(btnDelete, 0, 1);
  grid->addWidget(lblCacheSize, 1, 1);
  grid->addWidget(btnClose, 2, 1, Qt::AlignBottom);
  setFixedSize(QSize(362, 288).expandedTo(minimumSizeHint()));

  ConfirmBox = [this](const QString& text) {
    return QMessageBox::question(this, windowTitle(), text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
  };
  connect(btnDelete, &QPushButton::clicked, this, &TCacheForm::btnDeleteClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  ShellListBox1->EndUpdate();
}

void TCacheForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  btnClose->setFocus();
  platform::CentreOnScreen(this);
}

void TCacheForm::btnDeleteClick() {
  if (ShellListBox1->count() == 0 || ShellListBox1->selectedItems().isEmpty()) return;
  if (!ConfirmBox(QStringLiteral("指定のキャッシュファイルを削除します。よろしいですか？"))) return;
  ShellListBox1->BeginUpdate();
  const QString cache = CacheFolder();
  for (const QString& path : ShellListBox1->SelectedPaths()) DeleteCacheFile(cache, path);
  ShellListBox1->Refill();
  ShellListBox1->EndUpdate();
}

}  // namespace extras
