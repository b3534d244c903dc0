#include "extras/widgets/wallpaper_form.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "platform/settings.h"
#include "platform/widgets/centre_on_screen.h"
#include "platform/widgets/option_controls.h"
#include "platform/widgets/wait_cursor.h"

namespace extras {

using platform::TRadioGroup;

TWallPaperForm::TWallPaperForm(graphics::TBitmap picture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      picture_(std::move(picture)) {
  rgAD = new TRadioGroup(QStringLiteral("Active Desktop"), {QStringLiteral("通常表示"), QStringLiteral("Webページ表示")}, 1, this);
  rgAD->SetItemIndex(0);
  rgPosition = new TRadioGroup(QStringLiteral("表示位置"),
                               {QStringLiteral("中央に表示"), QStringLiteral("並べて表示"), QStringLiteral("伸縮表示")}, 2, this);
  rgPosition->SetItemIndex(0);
  btnWallChange = new QPushButton(QStringLiteral("適用"), this);
  btnWallFree = new QPushButton(QStringLiteral("解除"), this);
  btnClose = new QPushButton(QStringLiteral("閉じる"), this);
  btnClose->setAutoDefault(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(rgAD, 0, 0);
  grid->addWidget(rgPosition, 0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnWallChange);
  buttons->addWidget(btnWallFree);
  buttons->addWidget(btnClose);
  grid->addLayout(buttons, 1, 0, 1, 2);
  setFixedSize(QSize(342, 156).expandedTo(sizeHint()));

  ScreenSize = [this] {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
  };
  InformationBox = [this](const QString& text) {
    QMessageBox::information(this, windowTitle(), text, QMessageBox::Ok);
  };
  connect(btnWallChange, &QPushButton::clicked, this, &TWallPaperForm::btnWallChangeClick);
  connect(btnWallFree, &QPushButton::clicked, this, &TWallPaperForm::btnWallFreeClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TWallPaperForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::CentreOnScreen(this);
}

void TWallPaperForm::btnWallChangeClick() {
  const auto position = static_cast<TWallpaperPosition>(qMax(0, rgPosition->ItemIndex()));
  TWallpaperOutcome outcome;
  {
    platform::TWaitCursor wait;
    try {
      outcome = ApplyWallpaper(picture_, position, ScreenSize(), settings::TIniFile(), Desktop, Runner);
    } catch (const graphics::EImageTooLarge&) {
      outcome.written = false;
    }
  }
  if (!outcome.written) {
    InformationBox(QStringLiteral("壁紙のファイルを保存できませんでした。\n") + WallpaperFilePath());
    return;
  }
  Report(outcome.desktop, false);
}

void TWallPaperForm::btnWallFreeClick() {
  TDesktopResult result;
  {
    platform::TWaitCursor wait;
    result = RemoveWallpaper(settings::TIniFile(), Desktop, Runner);
  }
  Report(result, true);
}

void TWallPaperForm::Report(TDesktopResult result, bool removing) {
  switch (result) {
    case TDesktopResult::Done: return;
    case TDesktopResult::Unsupported:
      InformationBox(removing ? QStringLiteral("このデスクトップの壁紙はQIVO2からは解除できません。")
                              : QStringLiteral("このデスクトップの壁紙はQIVO2からは設定できません。\n"
                                               "壁紙のファイルは次の場所に保存しました：\n") + WallpaperFilePath());
      return;
    case TDesktopResult::Failed:
      InformationBox(removing ? QStringLiteral("デスクトップの壁紙を解除できませんでした。")
                              : QStringLiteral("デスクトップの壁紙を設定できませんでした。"));
      return;
  }
}

}  // namespace extras
