// Viewing commands of the main window: real size, full screen and the slide show.
#include <QAction>
#include <QMenu>
#include <QScreen>

#include "app/folder_change.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/event_watch.h"
#include "app/widgets/set_option.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/widgets/imgpanel.h"
#include "edit/widgets/progress_form.h"
#include "graphics/picture_formats.h"
#include "platform/path_bytes.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "view/picture_loader.h"
#include "view/preview_geometry.h"
#include "catalog/masked_file_list.h"
#include "view/widgets/preview_form.h"
#include "view/widgets/slide_form.h"

namespace app {

namespace keys = settings::keys;

namespace {
const QString kNowLoading = QStringLiteral("Now Loading...");
const QString kInvalidFile = QStringLiteral("不正なファイルか，対応していない形式です。");

QString FileNameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

// Interval items by their [Slide] Interval value; any other value marks Other1.
struct IntervalItem {
  int milliseconds;
  const char* item;
};
constexpr IntervalItem kIntervals[] = {{1000, "Sec1"}, {2000, "Sec2"}, {3000, "Sec3"}, {4000, "Sec4"}, {5000, "Sec5"}};
}  // namespace

void TCVMain::ConnectViewCommands() {
  auto on = [this](const char* name, auto fn) {
    if (QAction* a = Menus[name]) {
      connect(a, &QAction::triggered, this, fn);
      a->setEnabled(true);
    }
  };
  on("RealSize1", [this] { RealSize1Click(); });
  on("RealSize2", [this] { RealSize1Click(); });
  on("tbtnRealSize", [this] { RealSize1Click(); });
  on("FullScreen1", [this] { FullScreen1Click(); });
  on("FullScreen2", [this] { FullScreen1Click(); });
  on("tbtnFullScreen", [this] { FullScreen1Click(); });
  on("DblClick1", [this] { DblClick1Click(); });
  on("SlideStart1", [this] { SlideStart1Click(); });
  on("tbtnSlideStart", [this] { SlideStart1Click(); });
  for (int n = 1; n <= 5; ++n) on(kIntervals[n - 1].item, [this, n] { SecClick(n); });
  on("Other1", [this] { SlideOption1Click(); });
  on("SlideOption1", [this] { SlideOption1Click(); });
  connect(Menus.SlideShow1, &QMenu::aboutToShow, this, &TCVMain::SlideShow1Click);
  ImgPanel1->OnDblClick = [this](catalog::TImgPanel*) { DblClick1Click(); };
  new TEventWatch(Image2, QEvent::MouseButtonDblClick, [this] { RealSize1Click(); });
}

void TCVMain::ViewWindowClosed() {
  ShellTreeView1->setUpdatesEnabled(false);
  repaint();
  ShellTreeView1->update();
  ShellTreeView1->setUpdatesEnabled(true);
}

int TCVMain::ChosenIndex() const {
  const catalog::TImgPanel* p = ImgPanel1;
  if (p->Count() == 0 || p->SelCount() == 0) return -1;
  int index = p->FocusIndex();
  if (index < 0 || index >= p->Count()) index = p->CurrentIndex();
  return index >= 0 && index < p->Count() ? index : -1;
}

int TCVMain::ViewableIndex(const QString& previewOnMessage) {
  const int index = ChosenIndex();
  if (index < 0) return -1;
  if (SetPreview1->isChecked()) {
    if (InformationBox) InformationBox(previewOnMessage);
    return -1;
  }
  return index;
}

view::TSlideForm* TCVMain::SlideWindow() {
  auto* form = qobject_cast<view::TSlideForm*>(SlideForm.data());
  if (!form) {
    form = new view::TSlideForm(this);
    form->OnClosed = [this] { ViewWindowClosed(); };
    SlideForm = form;
  }
  return form;
}

void TCVMain::RealSize1Click() {
  const int index = ViewableIndex(QStringLiteral("プレビューがオンの時，実サイズ表示は出来ません。"));
  if (index < 0) return;
  const bool fitted = settings::TIniFile().Read(keys::ViewAdSize) == 1;
  // Before the notice: its events may list the folder again.
  const QString path = ImgPanel1->Item(index)->GetParseName();
  edit::TLoadingNotice notice(this, kNowLoading, &ProgressForm);
  auto picture = std::make_shared<graphics::TBitmap>();
  try {
    view::LoadPicture(path, *picture, Plugins);
  } catch (const std::exception&) {
    notice.Close();
    if (WarningBox) WarningBox(kInvalidFile);
    return;
  }
  auto* form = new view::TPreviewForm(this);
  form->OnClosed = [this] { ViewWindowClosed(); };
  form->Fitted = fitted;
  if (fitted) {
    form->ShowFitted(picture, path, false);
  } else {
    form->ShowReal(picture, path);
  }
  form->SetSource(std::move(picture), index, path);
}

void TCVMain::FullScreen1Click() {
  const int index = ViewableIndex(QStringLiteral("プレビューがオンの時，全画面表示は出来ません。"));
  if (index < 0) return;
  const bool showName = settings::TIniFile().Read(keys::ViewShowName) == 1;
  const QString path = ImgPanel1->Item(index)->GetParseName();
  edit::TLoadingNotice notice(this, kNowLoading, &ProgressForm);
  std::shared_ptr<const graphics::TBitmap> picture;
  try {
    picture = std::make_shared<const graphics::TBitmap>(
        view::LoadPictureFitted(path, view::DevicePixels(screen()->geometry().size(), screen()->devicePixelRatio()),
                                false, Plugins));
  } catch (const std::exception&) {
    notice.Close();
    if (WarningBox) WarningBox(kInvalidFile);
    return;
  }
  view::TSlideForm* form = SlideWindow();
  form->ShowSingle(std::move(picture), showName ? platform::DisplayName(FileNameOf(path)) : QString());
}

void TCVMain::DblClick1Click() {
  // With the preview on, a double click says real size is not possible, whatever it would do.
  if (ViewableIndex(QStringLiteral("プレビューがオンの時，実サイズ表示は出来ません。")) < 0) return;
  if (settings::TIniFile().Read(keys::MainDblClick) == 1) {
    FullScreen1Click();
  } else {
    RealSize1Click();
  }
}

void TCVMain::SlideStart1Click() {
  const int index = ChosenIndex();
  if (index < 0) return;
  const settings::TIniFile ini;
  const QString path = ImgPanel1->Item(index)->GetParseName();
  edit::TLoadingNotice notice(this, kNowLoading, &ProgressForm);
  view::TSlideForm* form = SlideWindow();
  form->LoadFitted = [this](const QString& file, QSize screenSize, bool smooth) {
    return view::LoadPictureFitted(file, screenSize, smooth, Plugins);
  };
  view::TSlideForm::TSlideStart start;
  try {
    start.First =
        std::make_shared<const graphics::TBitmap>(view::LoadPictureFitted(path, form->ScreenSize(), true, Plugins));
  } catch (const std::exception& e) {
    start.FirstError = platform::DisplayName(FileNameOf(path)) + QStringLiteral(": ") + QString::fromUtf8(e.what());
  }
  start.Files = catalog::MaskedFileList(ShellTreeView1->SelectedPath(),
                                    ExtensionMask(graphics::TPictureFormats::Instance().Mask()));
  start.Index = index;
  start.CopyFolder = SaveFolder;
  start.Smooth = true;
  start.Interval = ini.Read(keys::SlideInterval);
  start.Loop = ini.Read(keys::SlideLoop) == 1;
  start.ShowName = ini.Read(keys::SlideName) != 0;
  if (start.ShowName) start.FirstLabel = view::TSlideShow::StartLabel(FileNameOf(path), index, ImgPanel1->Count());
  form->StartSlide(start);
  if (QAction* button = Menus["tbtnSlideStart"]; button && button->isCheckable()) button->setChecked(false);
}

void TCVMain::SlideShow1Click() {
  int interval = settings::TIniFile().Read(keys::SlideInterval);
  if (interval == -1) interval = 2000;
  const char* mark = "Other1";
  for (const IntervalItem& i : kIntervals)
    if (i.milliseconds == interval) mark = i.item;
  Menus[mark]->setChecked(true);
}

void TCVMain::SecClick(int seconds) {
  Menus[kIntervals[seconds - 1].item]->setChecked(true);
  settings::TIniFile().Write(keys::SlideInterval, 1000 * seconds);
}

void TCVMain::SlideOption1Click() {
  TSetOption dialog(this, this);
  dialog.ShowOnlyPage(dialog.tsSlide);
  ExecDialog(&dialog);
}

}  // namespace app
