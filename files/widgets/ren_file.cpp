#include "files/widgets/ren_file.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cerrno>

#include "platform/fileop.h"
#include "platform/no_replace.h"
#include "platform/path_bytes.h"
#include "platform/widgets/centre_on_screen.h"

namespace files {

namespace {
// A name that would leave the folder or name no file of its own.
bool BadName(const QString& name) {
  return name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name == QLatin1String(".") ||
         name == QLatin1String("..");
}
}  // namespace

TRenFile::TRenFile(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("RenFile"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  platform::CentreOnScreenWhenShown(this);
  setFixedSize(352, 72);
  MessageBox = DefaultMessageBox(this);

  lblMessage = new QLabel(QStringLiteral("新しいファイル名："), this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  lblMessage->setGeometry(8, 10, 110, 20);
  editNewName = new QLineEdit(this);
  editNewName->setObjectName(QStringLiteral("editNewName"));
  editNewName->setGeometry(118, 8, 170, 24);
  lblExt = new QLabel(QStringLiteral("-"), this);
  lblExt->setObjectName(QStringLiteral("lblExt"));
  lblExt->setGeometry(292, 10, 56, 20);
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setGeometry(178, 40, 80, 26);
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(264, 40, 80, 26);

  // Kept from the form, hidden and without effect.
  lblCaption = new QLabel(QStringLiteral("パス："), this);
  lblCaption->setObjectName(QStringLiteral("lblCaption"));
  lblPath = new QLabel(this);
  lblPath->setObjectName(QStringLiteral("lblPath"));
  rgExt = new QGroupBox(QStringLiteral("拡張子"), this);
  rgExt->setObjectName(QStringLiteral("rgExt"));
  rgExtButtons = new QButtonGroup(this);
  auto* box = new QVBoxLayout(rgExt);
  int id = 0;
  for (const char* c : {"変更なし", "小文字", "大文字"}) {
    auto* r = new QRadioButton(QString::fromUtf8(c), rgExt);
    box->addWidget(r);
    rgExtButtons->addButton(r, id++);
  }
  for (QWidget* w : {static_cast<QWidget*>(lblCaption), static_cast<QWidget*>(lblPath), static_cast<QWidget*>(rgExt)})
    w->hide();

  connect(btnOK, &QPushButton::clicked, this, &TRenFile::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TRenFile::fail(int error, const QString& path) {
  MessageBox(QMessageBox::Critical, kMessageTitle,
             platform::DisplayName(path) + QLatin1Char('\n') + platform::ErrorText(error), QMessageBox::Ok);
}

void TRenFile::btnOKClick() {
  const QString name = editNewName->text();
  if (name.isEmpty()) {
    MessageBox(QMessageBox::Warning, kMessageTitle, QStringLiteral("ファイル名が指定されていません。"), QMessageBox::Ok);
    return;
  }
  if (BadName(name + lblExt->text())) {
    MessageBox(QMessageBox::Warning, kMessageTitle, kBadNameChars, QMessageBox::Ok);
    return;
  }
  if (Mode == rmCopy) {
    QString folder = TargetFolder;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    const QString dest = folder + name + lblExt->text();
    platform::TCopyOptions options;
    if (platform::PathTaken(dest)) {
      if (MessageBox(QMessageBox::Question, kMessageTitle,
                     QStringLiteral("指定されたファイル名は既に存在します。上書きしますか？"),
                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
      options.Replace = platform::TReplace::Allowed;
    }
    if (BeforeDone) BeforeDone(Source, dest);
    if (const int err = platform::CopyFileChecked(Source, dest, options))
      return fail(err, platform::KindOfPath(Source) == platform::PathKind::Missing ? Source : dest);
    newPath_ = dest;
    if (OnDone) OnDone(Source, dest);
    accept();
    return;
  }
  const QString dest = TargetFolder + QLatin1Char('/') + name + lblExt->text();
  if (dest == Source) {  // nothing to change
    accept();
    return;
  }
  const QString exists = QStringLiteral("指定されたファイル名は既に存在します。別の名前を指定して下さい｡ ");
  if (platform::PathTaken(dest)) {
    MessageBox(QMessageBox::Critical, kMessageTitle, exists, QMessageBox::Ok);
    return;
  }
  if (BeforeDone) BeforeDone(Source, dest);
  const int err = platform::RenameNoReplace(platform::PathBytes(Source), platform::PathBytes(dest));
  if (err == EEXIST) {  // taken since the look above
    MessageBox(QMessageBox::Critical, kMessageTitle, exists, QMessageBox::Ok);
    return;
  }
  // A rename moves the name itself (a link too): the source is at fault when its name is gone.
  if (err != 0) return fail(err, platform::PathTaken(Source) ? dest : Source);
  newPath_ = dest;
  if (OnDone) OnDone(Source, dest);
  accept();
}

}  // namespace files
