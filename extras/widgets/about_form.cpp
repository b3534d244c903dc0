#include "extras/widgets/about_form.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/widgets/centre_on_screen.h"

namespace extras {

TFAbout::TFAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setWindowTitle(QStringLiteral("ヴァージョン情報"));
  // The style's palette wins over a widget's own on some platforms; a style sheet does not.
  setStyleSheet(QStringLiteral("TFAbout, QFrame#Panel1 { background: white; color: black; }"
                               "QLabel { color: black; }"
                               "QPushButton#plOK { background: white; color: black; border: 1px solid #c0c0c0;"
                               " padding: 4px 24px; }"
                               "QPushButton#plOK:focus { border: 1px solid #606060; }"));
  Panel1 = new QFrame(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Label1 = new QLabel(QStringLiteral("QIVO2  "), Panel1);
  QFont big = Label1->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  Label1->setFont(big);
  Label6 = new QLabel(QStringLiteral("Version 1.20 "), Panel1);
  Bevel1 = new QFrame(Panel1);
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Label2 = new QLabel(QStringLiteral("サムネイル表示の画像ブラウザ"), Panel1);
  Label3 = new QLabel(QStringLiteral("Qt %1 / C++20").arg(QString::fromLatin1(qVersion())), Panel1);
  Label4 = new QLabel(QStringLiteral("Susie プラグイン対応"), Panel1);
  Label5 = new QLabel(QStringLiteral("ヘルプ: F1"), Panel1);
  plOK = new QPushButton(QStringLiteral("OK"), this);
  plOK->setFlat(true);
  plOK->setDefault(true);
  plOK->setObjectName(QStringLiteral("plOK"));

  auto* inner = new QVBoxLayout(Panel1);
  inner->setContentsMargins(16, 12, 16, 12);
  inner->addWidget(Label1);
  inner->addWidget(Label6);
  inner->addWidget(Bevel1);
  for (QLabel* l : {Label2, Label3, Label4, Label5}) inner->addWidget(l);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(Panel1);
  outer->addWidget(plOK, 0, Qt::AlignRight);
  setFixedSize(sizeHint());
  connect(plOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::CentreOnScreen(this);
}

}  // namespace extras
