#include "app/widgets/status_bar.h"

namespace app {

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("StatusBar1"));
  setSizeGripEnabled(false);
  setFixedHeight(23);
  for (int i = 0; i < PanelCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setFixedWidth(PanelWidths[i]);
    label->setFrameStyle(i == PanelCount - 1 ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(2, 0, 2, 0);
    addWidget(label);
    panels_[i] = label;
  }
}

QString TStatusBar::PanelText(int index) const {
  return index >= 0 && index < PanelCount ? panels_[index]->text() : QString();
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  if (index >= 0 && index < PanelCount) panels_[index]->setText(text);
}

void TStatusBar::ClearPanels(int first, int last) {
  for (int i = qMax(first, 0); i <= qMin(last, PanelCount - 1); ++i) panels_[i]->clear();
}

void TStatusBar::ShowHint(const QString& text) {
  HintPanel()->setText(text);
  panels_[PanelCount - 2]->setHidden(!text.trimmed().isEmpty());
}

void TStatusBar::RepaintNow() {
  if (isVisible()) repaint();
}

}  // namespace app
