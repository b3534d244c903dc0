#include "files/widgets/list_form.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "files/folder_lists.h"
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

TListForm::TListForm(const settings::TIniFile& ini, TMode mode, const QString& folder, QWidget* parent)
    : QDialog(parent), ini_(ini), mode_(mode), rows_(kFavouriteRows) {
  setObjectName(QStringLiteral("ListForm"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  platform::CentreOnScreenWhenShown(this);
  MessageBox = DefaultMessageBox(this);
  BrowseFolder = DefaultBrowseFolder(this);

  editListPath = Place(this, new QLineEdit, 8, 8, 230, 24, "editListPath");
  editListPath->setReadOnly(true);
  btnSave = Place(this, new QPushButton(QStringLiteral("登録(&R)")), 244, 7, 84, 26, "btnSave");
  btnClose = Place(this, new QPushButton(QStringLiteral("閉じる(&L)")), 334, 7, 84, 26, "btnClose");
  ListBox1 = Place(this, new QListWidget, 8, 42, 320, 190, "ListBox1");
  btnAdd = Place(this, new QPushButton(QStringLiteral("追加(&A)")), 334, 42, 84, 26, "btnAdd");
  btnDelete = Place(this, new QPushButton(QStringLiteral("削除(&D)")), 334, 72, 84, 26, "btnDelete");
  btnUp = Place(this, new QPushButton(QStringLiteral("上へ(&U)")), 334, 102, 84, 26, "btnUp");
  btnDown = Place(this, new QPushButton(QStringLiteral("下へ(&W)")), 334, 132, 84, 26, "btnDown");
  btnOK = Place(this, new QPushButton(QStringLiteral("OK")), 244, 242, 84, 26, "btnOK");
  btnCancel = Place(this, new QPushButton(QStringLiteral("キャンセル")), 334, 242, 84, 26, "btnCancel");
  btnOK->setDefault(true);
  for (QPushButton* b : {btnDelete, btnUp, btnDown}) b->setEnabled(false);

  connect(btnSave, &QPushButton::clicked, this, &TListForm::btnSaveClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { rowSelected(); });
  connect(btnAdd, &QPushButton::clicked, this, &TListForm::btnAddClick);
  connect(btnDelete, &QPushButton::clicked, this, &TListForm::btnDeleteClick);
  connect(btnUp, &QPushButton::clicked, this, &TListForm::btnUpClick);
  connect(btnDown, &QPushButton::clicked, this, &TListForm::btnDownClick);
  connect(btnOK, &QPushButton::clicked, this, &TListForm::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  rows_.Load(StoredFavourites(ini_));
  showRows(-1);
  if (mode_ == lmAdd) {
    path_ = FavouritePathOf(folder.isEmpty() ? QStringLiteral("/") : folder);
    editListPath->setText(platform::DisplayName(path_));
    setFixedSize(426, kAddHeight);
    btnSave->setFocus();
  } else {
    editListPath->setEnabled(false);
    editListPath->setStyleSheet(QStringLiteral("background-color: palette(window)"));
    btnSave->setEnabled(false);
    btnClose->setEnabled(false);
    setFixedSize(426, kEditHeight);
    btnOK->setFocus();
  }
  updateCaption();
}

void TListForm::info(const QString& text) {
  MessageBox(QMessageBox::Information, kMessageTitle, text, QMessageBox::Ok);
}

void TListForm::showRows(int select) {
  const QSignalBlocker block(ListBox1);
  ListBox1->clear();
  for (const QString& r : rows_.Rows()) ListBox1->addItem(platform::DisplayName(r));
  ListBox1->setCurrentRow(select);
  rowSelected();
}

void TListForm::rowSelected() {
  const bool filled = !rows_.IsEmptyRow(ListBox1->currentRow());
  for (QPushButton* b : {btnDelete, btnUp, btnDown}) b->setEnabled(filled);
}

void TListForm::updateCaption() {
  const QString head = mode_ == lmAdd ? QStringLiteral("お気に入りに追加 - 登録数： ") : QStringLiteral("お気に入りの編集 - 登録数： ");
  setWindowTitle(head + QString::number(rows_.Count()) + QStringLiteral("/10"));
}

void TListForm::btnSaveClick() {
  if (!RegisterFavourite(ini_, path_)) return info(kAlreadyStored);
  // OK writes the rows: the folder just registered must be one of them, or OK would drop it.
  if (!rows_.Contains(path_)) {
    rows_.Add(path_);
    showRows(ListBox1->currentRow());
    updateCaption();
  }
}

void TListForm::btnAddClick() {
  const QString chosen = BrowseFolder(ini_.Read(keys::ListPathOpenDir));
  if (chosen.isEmpty()) return;
  const QString p = FavouritePathOf(chosen);
  if (StoredFavourites(ini_).contains(p)) return info(kAlreadyStored);
  if (rows_.Contains(p)) return info(kAlreadyListed);
  rows_.Add(p);
  showRows(ListBox1->currentRow());
  setWindowTitle(QStringLiteral("お気に入りの編集 - 登録数： ") + QString::number(rows_.Count()) + QStringLiteral("/10"));
  ini_.Write(keys::ListPathOpenDir, chosen);
}

void TListForm::btnDeleteClick() {
  if (!rows_.Delete(ListBox1->currentRow())) return;
  showRows(-1);
  setWindowTitle(QStringLiteral("お気に入りの編集 - 登録数： ") + QString::number(rows_.Count()) + QStringLiteral("/10"));
}

void TListForm::btnUpClick() {
  const int i = ListBox1->currentRow();
  if (rows_.Up(i)) showRows(i - 1);
}

void TListForm::btnDownClick() {
  const int i = ListBox1->currentRow();
  if (rows_.Down(i)) showRows(i + 1);
}

void TListForm::btnOKClick() {
  StoreFavourites(ini_, rows_.Filled());
  accept();
}

}  // namespace files
