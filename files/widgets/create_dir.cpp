#include "files/widgets/create_dir.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cerrno>
#include <sys/stat.h>

#include "files/folder_lists.h"
#include "platform/fileop.h"
#include "platform/path_bytes.h"
#include "platform/settings_keys.h"
#include "platform/widgets/centre_on_screen.h"

namespace files {

namespace keys = settings::keys;

namespace {
template <class W>
W* Place(QWidget* parent, W* w, int x, int y, int width, int height, const char* name) {
  w->setParent(parent);
  w->setGeometry(x, y, width, height);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
}  // namespace

TCreateDir::TCreateDir(const settings::TIniFile& ini, QWidget* parent)
    : QDialog(parent), ini_(ini), rows_(kSaveFolderRows) {
  setObjectName(QStringLiteral("CreateDir"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  platform::CentreOnScreenWhenShown(this);
  MessageBox = DefaultMessageBox(this);
  BrowseFolder = DefaultBrowseFolder(this);

  rbOldFolder = Place(this, new QRadioButton(QStringLiteral("既存フォルダ")), 8, 6, 110, 22, "rbOldFolder");
  rbCreateFolder = Place(this, new QRadioButton(QStringLiteral("フォルダ作成")), 124, 6, 110, 22, "rbCreateFolder");
  ListBox1 = Place(this, new QListWidget, 8, 32, 318, 140, "ListBox1");
  btnBrowse = Place(this, new QPushButton(QStringLiteral("追加(&A)")), 334, 32, 88, 26, "btnBrowse");
  btnDelete = Place(this, new QPushButton(QStringLiteral("削除(&D)")), 334, 62, 88, 26, "btnDelete");
  btnUp = Place(this, new QPushButton(QStringLiteral("上へ(&U)")), 334, 92, 88, 26, "btnUp");
  btnDown = Place(this, new QPushButton(QStringLiteral("下へ(&W)")), 334, 122, 88, 26, "btnDown");
  lblSelectFolder = Place(this, new QLabel(QStringLiteral("現在の保存先フォルダ：")), 8, 176, 150, 18, "lblSelectFolder");
  lblWarning = Place(this, new QLabel(QStringLiteral("未登録")), 160, 176, 80, 18, "lblWarning");
  lblWarning->setStyleSheet(QStringLiteral("color: red"));
  editSelectFolder = Place(this, new QLineEdit, 8, 196, 254, 24, "editSelectFolder");
  editSelectFolder->setReadOnly(true);
  btnSelectFolder = Place(this, new QPushButton(QStringLiteral("登録")), 266, 195, 60, 26, "btnSelectFolder");
  btnOK = Place(this, new QPushButton(QStringLiteral("OK")), 334, 162, 88, 26, "btnOK");
  btnCancel = Place(this, new QPushButton(QStringLiteral("キャンセル")), 334, 194, 88, 26, "btnCancel");
  lblName = Place(this, new QLabel(QStringLiteral("作成するフォルダ名：")), 8, 236, 150, 18, "lblName");
  editFolderName = Place(this, new QLineEdit, 160, 234, 166, 24, "editFolderName");
  lblPath = Place(this, new QLabel(QStringLiteral("作成するフォルダのパス：")), 8, 268, 150, 18, "lblPath");
  editCreateFolderPath = Place(this, new QLineEdit, 160, 266, 136, 24, "editCreateFolderPath");
  btnCreateFolder = Place(this, new QPushButton(QStringLiteral("...")), 300, 265, 26, 26, "btnCreateFolder");
  btnSetNewFolder = Place(this, new QPushButton(QStringLiteral("作成(&M)")), 334, 232, 88, 26, "btnSetNewFolder");
  btnCancelNewFolder = Place(this, new QPushButton(QStringLiteral("取消(&N)")), 334, 264, 88, 26, "btnCancelNewFolder");
  btnOK->setDefault(true);

  connect(rbOldFolder, &QRadioButton::toggled, this, [this](bool on) {
    if (on) SetCreateMode(false);
  });
  connect(rbCreateFolder, &QRadioButton::toggled, this, [this](bool on) {
    if (on) SetCreateMode(true);
  });
  connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { rowSelected(); });
  connect(btnBrowse, &QPushButton::clicked, this, &TCreateDir::btnBrowseClick);
  connect(btnDelete, &QPushButton::clicked, this, &TCreateDir::btnDeleteClick);
  connect(btnUp, &QPushButton::clicked, this, &TCreateDir::btnUpClick);
  connect(btnDown, &QPushButton::clicked, this, &TCreateDir::btnDownClick);
  connect(btnSelectFolder, &QPushButton::clicked, this, &TCreateDir::btnSelectFolderClick);
  connect(btnCreateFolder, &QPushButton::clicked, this, &TCreateDir::btnCreateFolderClick);
  connect(btnSetNewFolder, &QPushButton::clicked, this, &TCreateDir::btnSetNewFolderClick);
  connect(btnCancelNewFolder, &QPushButton::clicked, this, &TCreateDir::btnCancelNewFolderClick);
  connect(btnOK, &QPushButton::clicked, this, &TCreateDir::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(editSelectFolder, &QLineEdit::textChanged, this,
          [this](const QString& t) { lblWarning->setVisible(t.isEmpty()); });

  // Opening: list mode, the stored rows and the current save folder.
  rbOldFolder->setChecked(true);
  SetCreateMode(false);
  rows_.Load(StoredSaveFolders(ini_));
  editSelectFolder->setText(ini_.Read(keys::SaveFolderPath));
  lblWarning->setVisible(editSelectFolder->text().isEmpty());
  showRows(-1);
  updateCaption();
}

void TCreateDir::info(const QString& text) {
  MessageBox(QMessageBox::Information, kMessageTitle, text, QMessageBox::Ok);
}

void TCreateDir::showRows(int select) {
  const QSignalBlocker block(ListBox1);
  ListBox1->clear();
  for (const QString& r : rows_.Rows()) ListBox1->addItem(platform::DisplayName(r));
  ListBox1->setCurrentRow(select);
  rowSelected();
}

void TCreateDir::rowSelected() {
  const bool filled = !rows_.IsEmptyRow(ListBox1->currentRow());
  for (QPushButton* b : {btnDelete, btnSelectFolder, btnUp, btnDown}) b->setEnabled(filled);
}

void TCreateDir::updateCaption() {
  setWindowTitle(QStringLiteral("フォルダ設定(保存用) - 登録数： ") + QString::number(rows_.Count()) +
                 QStringLiteral("/15"));
}

void TCreateDir::setCurrent(const QString& path) {
  editSelectFolder->setText(path);
}

void TCreateDir::btnBrowseClick() {
  const QString chosen = BrowseFolder(ini_.Read(keys::SaveFolderOpenDir));
  if (chosen.isEmpty()) return;
  const QString p = SaveFolderPathOf(chosen);
  if (StoredSaveFolders(ini_).contains(p)) return info(kAlreadyStored);
  if (rows_.Contains(p)) return info(kAlreadyListed);
  const QString replaced = rows_.Add(p);
  if (replaced != kEmptyRow && replaced == editSelectFolder->text()) setCurrent(QString());
  showRows(ListBox1->currentRow());
  updateCaption();
  ini_.Write(keys::SaveFolderOpenDir, chosen);
}

void TCreateDir::btnDeleteClick() {
  const int i = ListBox1->currentRow();
  if (rows_.IsEmptyRow(i)) return;
  if (rows_.Row(i) == editSelectFolder->text()) setCurrent(QString());
  rows_.Delete(i);
  showRows(-1);
  updateCaption();
}

void TCreateDir::btnUpClick() {
  const int i = ListBox1->currentRow();
  if (rows_.Up(i)) showRows(i - 1);
}

void TCreateDir::btnDownClick() {
  const int i = ListBox1->currentRow();
  if (rows_.Down(i)) showRows(i + 1);
}

void TCreateDir::btnSelectFolderClick() {
  const int i = ListBox1->currentRow();
  if (!rows_.IsEmptyRow(i)) setCurrent(rows_.Row(i));
}

void TCreateDir::SetCreateMode(bool create) {
  setFixedSize(430, create ? kCreateHeight : kListHeight);
  for (QWidget* w : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(editSelectFolder),
                     static_cast<QWidget*>(btnBrowse), static_cast<QWidget*>(btnOK),
                     static_cast<QWidget*>(btnCancel)})
    w->setEnabled(!create);
  if (create) {
    for (QPushButton* b : {btnDelete, btnUp, btnDown, btnSelectFolder}) b->setEnabled(false);
    editCreateFolderPath->clear();
    editFolderName->clear();
  } else {
    rowSelected();
  }
  for (QWidget* w : {static_cast<QWidget*>(editCreateFolderPath), static_cast<QWidget*>(editFolderName),
                     static_cast<QWidget*>(btnCreateFolder), static_cast<QWidget*>(btnSetNewFolder),
                     static_cast<QWidget*>(btnCancelNewFolder)})
    w->setEnabled(create);
}

void TCreateDir::btnCreateFolderClick() {
  const QString chosen = BrowseFolder(QString());
  if (!chosen.isEmpty()) editCreateFolderPath->setText(SaveFolderPathOf(chosen));
}

void TCreateDir::btnSetNewFolderClick() {
  if (editCreateFolderPath->text().isEmpty() || editFolderName->text().isEmpty())
    return info(QStringLiteral("作成するフォルダ情報が不正です。"));
  const QString path = SaveFolderPathOf(editCreateFolderPath->text()) + editFolderName->text();
  if (::mkdir(platform::PathBytes(path).constData(), 0777) == 0) {
    info(QStringLiteral("新しいフォルダを作成しました。[既存フォルダ] ボタンをクリックして\n"
                        "画面を元に戻し，[追加(A)] で登録して下さい。"));
  } else {
    const int err = errno;
    MessageBox(QMessageBox::Critical, kMessageTitle, platform::ErrorText(err), QMessageBox::Ok);
  }
}

void TCreateDir::btnCancelNewFolderClick() {
  editCreateFolderPath->clear();
  editFolderName->clear();
}

void TCreateDir::btnOKClick() {
  saveFolder_ = StoreSaveFolders(ini_, rows_.Filled(), editSelectFolder->text());
  accept();
}

}  // namespace files
