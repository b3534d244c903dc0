// Desktop extras of the main window: wallpaper, registered programs, association, media,
// cache list, version and help.
#include <QAction>
#include <QMenu>
#include <QUrl>

#include "app/widgets/cvmain.h"
#include "app/widgets/set_option.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/picture_file.h"
#include "catalog/widgets/imgpanel.h"
#include "extras/external_programs.h"
#include "extras/widgets/about_form.h"
#include "extras/widgets/cache_form.h"
#include "extras/widgets/media_form.h"
#include "extras/widgets/shell_list_box.h"
#include "extras/widgets/wallpaper_form.h"
#include "platform/app_folder.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"

namespace app {

namespace keys = settings::keys;

void TCVMain::ConnectExtrasCommands() {
  auto on = [this](const char* name, auto fn) {
    if (QAction* a = Menus[name]) {
      connect(a, &QAction::triggered, this, fn);
      a->setEnabled(true);
    }
  };
  on("SetWallPaper1", [this] { SetWallPaper1Click(); });
  on("OtherSoft1", [this] { OtherSoftClick(1); });
  on("OtherSoft2", [this] { OtherSoftClick(2); });
  on("OtherSoft3", [this] { OtherSoftClick(3); });
  on("Relation1", [this] { Relation1Click(); });
  on("SetOtherSoft1", [this] { SetOtherSoft1Click(); });
  on("Media1", [this] { Media1Click(); });
  on("tbtnMedia", [this] { Media1Click(); });
  on("CacheList1", [this] { CacheList1Click(); });
  on("About1", [this] { About1Click(); });
  on("OpenHelp1", [this] { OpenHelp1Click(); });
  connect(Menus.Show1, &QMenu::aboutToShow, this, &TCVMain::Show1Click);
  Show1Click();
}

void TCVMain::SetWallPaper1Click() {
  const int index = ChosenIndex();
  if (index < 0) return;
  const QString path = ImgPanel1->Item(index)->GetParseName();
  graphics::TBitmap picture;
  try {
    picture = std::move(catalog::LoadPictureFile(path, Plugins).Bitmap);
  } catch (const std::exception&) {
    if (WarningBox) WarningBox(QStringLiteral("不正なファイルか，対応していない形式です。"));
    return;
  }
  extras::TWallPaperForm form(std::move(picture), this);
  form.setWindowTitle(QStringLiteral("壁紙設定 - ") + platform::DisplayName(path.mid(path.lastIndexOf(u'/') + 1)));
  ExecExtrasDialog(&form);
}

void TCVMain::Show1Click() {
  const settings::TIniFile ini;
  std::array<QString, 3> paths;
  for (int n = 1; n <= 3; ++n) paths[size_t(n - 1)] = ini.Read(keys::OtherSoftPath, n);
  const auto items = extras::OtherSoftItems(paths);
  for (int n = 1; n <= 3; ++n) {
    QAction* a = Menus[QStringLiteral("OtherSoft%1").arg(n)];
    const extras::TOtherSoftItem& item = items[size_t(n - 1)];
    a->setText(platform::DisplayName(item.caption));
    a->setVisible(item.visible);
    a->setEnabled(item.enabled);
  }
}

void TCVMain::OtherSoftClick(int n) {
  const int index = ChosenIndex();
  if (index < 0) return;
  const QString program = settings::TIniFile().Read(keys::OtherSoftPath, n);
  const QString picture = ImgPanel1->Item(index)->GetParseName();
  switch (extras::StartOtherSoft(program, picture, StartProgram)) {
    case extras::TStartResult::Started: return;
    case extras::TStartResult::Missing:
      if (InformationBox) InformationBox(QStringLiteral("指定されたソフトは存在しません。確認して下さい。"));
      return;
    case extras::TStartResult::NotPassable:
      if (InformationBox)
        InformationBox(QStringLiteral("このファイル名は文字として読めないため，他のソフトに渡せません。"));
      return;
  }
}

void TCVMain::Relation1Click() {
  const int index = ChosenIndex();
  if (index < 0) return;
  OpenUrl(platform::FileUrl(ImgPanel1->Item(index)->GetParseName()));
}

void TCVMain::SetOtherSoft1Click() {
  TSetOption dialog(this, this);
  dialog.ShowOnlyPage(dialog.tsOtherSoft);
  ExecDialog(&dialog);
}

void TCVMain::Media1Click() {
  extras::TMediaForm form(this);
  form.MShellListBox->SetMask(QString::fromLatin1(extras::TMediaForm::kMask));
  form.OpenByAssociation = [this](const QString& path) { OpenUrl(platform::FileUrl(path)); };
  hide();
  ExecExtrasDialog(&form);
  show();
  update();
  ImgPanel1->update();
  ShellTreeView1->update();
}

void TCVMain::CacheList1Click() {
  const QString folder = extras::CacheFolder();
  extras::TCacheForm form(this);
  form.ShellListBox1->SetDirectory(folder);
  ExecExtrasDialog(&form);
}

void TCVMain::About1Click() {
  extras::TFAbout about(this);
  ExecExtrasDialog(&about);
}

void TCVMain::OpenHelp1Click() { OpenUrl(QUrl(platform::FileUrl(platform::helpFilePath()))); }

}  // namespace app
