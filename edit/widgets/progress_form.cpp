#include "edit/widgets/progress_form.h"

#include <QCoreApplication>
#include <QLabel>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace edit {

TProgressForm::TProgressForm(QWidget* owner, const QString& text) : QDialog(owner) {
  setObjectName(QStringLiteral("ProgressForm"));
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setWindowTitle(text);
  setAccessibleName(text);
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(text, this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setAlignment(Qt::AlignCenter);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  lblCount = new QLabel(this);
  lblCount->setObjectName(QStringLiteral("lblCount"));
  btnStop = new QPushButton(QStringLiteral("中止(&S)"), this);
  btnStop->setObjectName(QStringLiteral("btnStop"));
  connect(btnStop, &QPushButton::clicked, this, [this] {
    stopRequested_ = true;
    btnStop->setEnabled(false);
  });
  auto* row = new QHBoxLayout;
  row->addWidget(lblCount, 1);
  row->addWidget(btnStop);
  lblCount->hide();
  btnStop->hide();
  layout->addWidget(Label1);
  layout->addWidget(ProgressBar1);
  layout->addLayout(row);
  setFixedSize(240, 64);
}

void TProgressForm::ShowCount(int n, int total) {
  if (lblCount->isHidden()) {
    lblCount->show();
    btnStop->show();
    setFixedSize(240, 100);
  }
  lblCount->setText(QStringLiteral("%1 / %2").arg(n).arg(total));
  ProgressBar1->setRange(0, total);
  ProgressBar1->setValue(n - 1);
  if (!isVisible()) {
    show();
    raise();
  }
  // Input too: the Stop button must be pressable (the notice is modal for such runs).
  QCoreApplication::processEvents();
}

void TProgressForm::ShowAndFill() {
  show();
  raise();
  for (int step = 0; step <= 50; ++step) {
    ProgressBar1->setValue(step);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

TLoadingNotice::TLoadingNotice(QWidget* owner, const QString& text, QWidget** slot)
    : form_(new TProgressForm(owner, text)), slot_(slot) {
  form_->setAttribute(Qt::WA_DeleteOnClose);
  if (slot_) *slot_ = form_;
  form_->ShowAndFill();
}

TLoadingNotice::~TLoadingNotice() { Close(); }

void TLoadingNotice::Close() {
  if (slot_) {
    *slot_ = nullptr;
    slot_ = nullptr;
  }
  if (form_) {
    form_->close();
    form_ = nullptr;
  }
}

}  // namespace edit
