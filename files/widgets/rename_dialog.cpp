#include "files/widgets/rename_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/failure_list.h"
#include "platform/fileop.h"
#include "platform/path_bytes.h"
#include "platform/widgets/centre_on_screen.h"

namespace files {

namespace {
template <class W>
W* Place(QWidget* parent, W* w, int x, int y, int width, int height, const char* name) {
  w->setParent(parent);
  w->setGeometry(x, y, width, height);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
}  // namespace

TRename::TRename(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Rename"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  platform::CentreOnScreenWhenShown(this);
  setFixedSize(406, 223);
  MessageBox = DefaultMessageBox(this);

  rgForm = Place(this, new QGroupBox(QStringLiteral("形式：")), 8, 4, 130, 92, "rgForm");
  rgFormButtons = new QButtonGroup(this);
  auto* formBox = new QVBoxLayout(rgForm);
  formBox->setContentsMargins(6, 2, 6, 2);
  int id = 0;
  for (const char* c : {"連番のみ付加", "名前＋連番", "連番＋名前"}) {
    auto* r = new QRadioButton(QString::fromUtf8(c), rgForm);
    formBox->addWidget(r);
    rgFormButtons->addButton(r, id++);
  }
  rgFormButtons->button(0)->setChecked(true);

  Label1 = Place(this, new QLabel(QStringLiteral("開始番号：")), 146, 10, 70, 20, "Label1");
  seStartNum = Place(this, new QSpinBox, 216, 8, 80, 24, "seStartNum");
  seStartNum->setRange(0, 99999);
  seStartNum->setValue(1);
  Label2 = Place(this, new QLabel(QStringLiteral("連番桁数：")), 146, 40, 70, 20, "Label2");
  seZeroNum = Place(this, new QSpinBox, 216, 38, 80, 24, "seZeroNum");
  seZeroNum->setRange(1, 10);
  seZeroNum->setValue(3);
  Label3 = Place(this, new QLabel(QStringLiteral("名前(前)：")), 146, 70, 70, 20, "Label3");
  editPrevName = Place(this, new QLineEdit, 216, 68, 80, 24, "editPrevName");
  Label6 = Place(this, new QLabel(QStringLiteral("名前(後)：")), 306, 10, 92, 20, "Label6");
  editLastName = Place(this, new QLineEdit, 306, 32, 92, 24, "editLastName");

  rgExt = Place(this, new QGroupBox(QStringLiteral("拡張子：")), 8, 100, 290, 64, "rgExt");
  rgExtButtons = new QButtonGroup(this);
  auto* extGrid = new QGridLayout(rgExt);
  extGrid->setContentsMargins(6, 2, 6, 2);
  id = 0;
  for (const char* c : {"変更しない", "大文字に統一", "小文字に統一", "指定："}) {
    auto* r = new QRadioButton(QString::fromUtf8(c), rgExt);
    extGrid->addWidget(r, id % 2, id / 2);
    rgExtButtons->addButton(r, id++);
  }
  rgExtButtons->button(0)->setChecked(true);
  editExt = Place(this, new QLineEdit, 230, 136, 60, 22, "editExt");
  editExt->raise();

  gbPreview = Place(this, new QGroupBox, 8, 168, 290, 48, "gbPreview");
  Label4 = Place(gbPreview, new QLabel(QStringLiteral("プレビュー：")), 8, 14, 80, 20, "Label4");
  lblPreview = Place(gbPreview, new QLabel, 88, 14, 196, 20, "lblPreview");
  plGauge = Place(this, new QLabel, 306, 130, 92, 22, "plGauge");
  plGauge->setAlignment(Qt::AlignCenter);
  plGauge->setStyleSheet(QStringLiteral("color: white"));
  btnOK = Place(this, new QPushButton(QStringLiteral("OK")), 306, 160, 92, 26, "btnOK");
  btnOK->setDefault(true);
  btnCancel = Place(this, new QPushButton(QStringLiteral("キャンセル")), 306, 190, 92, 26, "btnCancel");

  enableEdit(editPrevName, false);
  enableEdit(editLastName, false);
  enableEdit(editExt, false);

  connect(seStartNum, &QSpinBox::valueChanged, this, &TRename::seStartNumChange);
  connect(seZeroNum, &QSpinBox::valueChanged, this, &TRename::seStartNumChange);
  for (QLineEdit* e : {editExt, editPrevName, editLastName})
    connect(e, &QLineEdit::textChanged, this, &TRename::seStartNumChange);
  // Toggled, not clicked: a screen reader's "toggle" changes the choice without a click.
  connect(rgFormButtons, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) rgFormClick();
  });
  connect(rgExtButtons, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) rgExtClick();
  });
  connect(btnOK, &QPushButton::clicked, this, &TRename::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TRename::SetFiles(const QString& folder, const QStringList& files) {
  folder_ = folder;
  files_ = files;
}

TRenameRule TRename::Rule() const {
  TRenameRule r;
  r.Form = TRenameForm(qMax(0, rgFormButtons->checkedId()));
  r.PrevName = editPrevName->text();
  r.LastName = editLastName->text();
  r.Start = seStartNum->value();
  r.Digits = seZeroNum->value();
  r.Ext = TExtRule(qMax(0, rgExtButtons->checkedId()));
  r.GivenExt = editExt->text();
  return r;
}

void TRename::enableEdit(QLineEdit* edit, bool on) {
  edit->setEnabled(on);
  edit->setStyleSheet(on ? QString() : QStringLiteral("background-color: palette(button)"));
}

void TRename::showEvent(QShowEvent* e) {
  setWindowTitle(QStringLiteral("連番で名前変更 - ファイル総数： ") + QString::number(files_.size()) +
                 QStringLiteral("枚"));
  seStartNumChange();
  QDialog::showEvent(e);
}

void TRename::seStartNumChange() {
  if (files_.isEmpty()) {
    lblPreview->clear();
    return;
  }
  lblPreview->setText(platform::DisplayName(NewFileName(Rule(), 0, ExtensionOf(files_.first()))) +
                      QStringLiteral(" ～"));
}

void TRename::rgFormClick() {
  const int form = rgFormButtons->checkedId();
  enableEdit(editPrevName, form == int(TRenameForm::rfNameNumber));
  enableEdit(editLastName, form == int(TRenameForm::rfNumberName));
  seStartNumChange();
}

void TRename::rgExtClick() {
  enableEdit(editExt, rgExtButtons->checkedId() == int(TExtRule::erGiven));
  seStartNumChange();
}

void TRename::btnOKClick() {
  const TRenameRule rule = Rule();
  auto warn = [this](const QString& text) { MessageBox(QMessageBox::Warning, kMessageTitle, text, QMessageBox::Ok); };
  switch (CheckRule(rule)) {
    case TRuleError::reNoName: return warn(QStringLiteral("ファイル名が設定されていません。"));
    case TRuleError::reNoExt: return warn(QStringLiteral("拡張子が設定されていません。"));
    case TRuleError::reBadName: return warn(kBadNameChars);
    case TRuleError::reNone: break;
  }
  // The folder may have changed since the list was made: what is gone leaves the plan, and
  // the question counts what will really be renamed.
  files_ = PresentFiles(files_);
  if (MessageBox(QMessageBox::Information, QStringLiteral("確認"),
                 QString::number(files_.size()) + QStringLiteral(" 枚のファイルをリネームします。よろしいですか？ "),
                 QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
    return;
  plGauge->setStyleSheet(QStringLiteral("color: white; background-color: navy"));
  plGauge->setText(QStringLiteral("リネーム実行中..."));
  plGauge->repaint();
  if (BeforeRename) BeforeRename(files_);
  TRenameRun run(folder_, files_, rule);
  QElapsedTimer shown;
  shown.start();
  run.Run([&](int, int) {
    // Keep the window painted on long runs; no input is taken meanwhile.
    if (shown.elapsed() > 200) {
      QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      shown.restart();
    }
  });
  plGauge->setText(QStringLiteral("リネーム完了"));
  plGauge->repaint();
  if (AfterRename) AfterRename(run.Items());
  const std::vector<TRenameItem> failed = run.Failed();
  if (!failed.empty()) {
    // Not every file got its new name: say which, as the file operations do.
    QStringList lines;
    for (const TRenameItem& f : failed)
      lines << platform::DisplayName(f.Now.mid(f.Now.lastIndexOf(QLatin1Char('/')) + 1)) + QStringLiteral(" -> ") +
                   platform::FailureLine(f.To, platform::ErrorText(f.Error));
    MessageBox(QMessageBox::Critical, kMessageTitle, platform::FailureListText(QString(), lines), QMessageBox::Ok);
  }
  accept();
}

}  // namespace files
