// Editing commands of the main window: the image editor and the batch conversions.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMessageBox>
#include <memory>
#include <thread>

#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "catalog/spi_hook.h"
#include "catalog/widgets/imgpanel.h"
#include "edit/conversion.h"
#include "edit/editor_model.h"
#include "edit/widgets/batch_convert.h"
#include "edit/widgets/convert_form.h"
#include "edit/widgets/progress_form.h"
#include "edit/widgets/rotate_form.h"
#include "graphics/bmp_graphic.h"
#include "platform/app_folder.h"
#include "view/picture_loader.h"

namespace app {

namespace {
const QString kNowLoading = QStringLiteral("Now Loading...");

// The plain loader with a plug-in list of its own, for one conversion thread.
edit::TPictureLoader ThreadLoader() {
  auto plugins = std::make_shared<catalog::TSPluginHook>();
  plugins->List.LoadFromAppDir();
  return [plugins](const QString& path) {
    graphics::TBitmap b;
    view::LoadPicture(path, b, plugins.get());
    return b;
  };
}
}  // namespace

void TCVMain::ConnectEditCommands() {
  auto on = [this](const char* name, auto fn) {
    if (QAction* a = Menus[name]) {
      connect(a, &QAction::triggered, this, fn);
      a->setEnabled(true);
    }
  };
  on("Rotate1", [this] { Rotate1Click(); });
  on("tbtnRotate", [this] { Rotate1Click(); });
  on("Paste1", [this] { Paste1Click(); });
  on("BMP1", [this] { ConvertClick(edit::cfBMP); });
  on("tbtnToBMP", [this] { ConvertClick(edit::cfBMP); });
  on("JPEG1", [this] { ConvertClick(edit::cfJPEG); });
  on("tbtnToJPEG", [this] { ConvertClick(edit::cfJPEG); });
  on("PNG1", [this] { ConvertClick(edit::cfPNG); });
  on("tbtnToPNG", [this] { ConvertClick(edit::cfPNG); });
  on("SetConvert1", [this] { SetConvert1Click(); });
}

namespace {
// The editor of the main window: created when none is open; closing it shows the window again.
edit::TRotateF* EditorFor(TCVMain* main) {
  auto* form = qobject_cast<edit::TRotateF*>(main->RotateF.data());
  if (form) return form;
  form = new edit::TRotateF(nullptr);  // a window of its own, with its own task-bar button
  form->LoadPicture = [main](const QString& path) {
    graphics::TBitmap b;
    view::LoadPicture(path, b, main->Plugins);
    return b;
  };
  form->OnClosed = [main] {
    main->show();
    main->repaint();
  };
  main->RotateF = form;
  return form;
}
}  // namespace

void TCVMain::Rotate1Click() {
  if (ImgPanel1->Count() == 0 || ImgPanel1->SelCount() == 0) return;
  const int index = ImgPanel1->CurrentIndex();
  if (index < 0 || index >= ImgPanel1->Count()) return;
  const QString path = ImgPanel1->Item(index)->GetParseName();
  if (!edit::IsConvertibleFile(path)) {
    if (InformationBox) InformationBox(QStringLiteral("編集出来ないファイル形式です。"));
    return;
  }
  edit::TLoadingNotice notice(this, kNowLoading, &ProgressForm);
  graphics::TBitmap picture;
  try {
    view::LoadPicture(path, picture, Plugins);
  } catch (const std::exception&) {
    return;  // silently, as the window stays
  }
  edit::TRotateF* form = EditorFor(this);
  form->SetPicture(picture);
  form->setWindowTitle(edit::EditorCaption(path, picture.Width(), picture.Height()));
  form->FileName = path;
  form->TreeFolder = ShellTreeView1->SelectedPath();
  hide();
  form->show();
  form->repaint();
  notice.Close();
  form->FromClipboard = false;
  form->SnapToDefault = SnapToDefault;
}

void TCVMain::Paste1Click() {
  const QImage image = QApplication::clipboard()->image();
  if (image.isNull()) {
    if (InformationBox) InformationBox(QStringLiteral("クリップボードに画像情報がありません。"));
    return;
  }
  const QString path = platform::programFolder() + QStringLiteral("/clipbrd.bmp");
  graphics::TBitmap picture;
  {
    edit::TLoadingNotice notice(this, kNowLoading, &ProgressForm);
    try {
      picture = graphics::TBitmap::FromQImage(image);
      graphics::TBMPGraphic(picture).SaveToFile(path);
    } catch (const std::exception& e) {
      notice.Close();
      if (WarningBox) WarningBox(QString::fromUtf8(e.what()));
      return;
    }
    edit::TRotateF* form = EditorFor(this);
    form->setWindowTitle(edit::ClipboardCaption(picture.Width(), picture.Height()));
    form->FileName = path;
    form->SetPicture(picture);
    form->TreeFolder = ShellTreeView1->SelectedPath();
    form->show();
    form->repaint();
    form->FromClipboard = true;
  }
  hide();
}

void TCVMain::ConvertClick(int format) {
  if (ImgPanel1->Count() == 0 || ImgPanel1->SelCount() == 0) return;
  QStringList sources;  // in list order
  for (int i = 0; i < ImgPanel1->Count(); ++i)
    if (ImgPanel1->Item(i)->Selected) sources << ImgPanel1->Item(i)->GetParseName();
  edit::TBatchConvert batch(this);
  if (InformationBox) batch.InformationBox = InformationBox;
  if (ConvertConfirmBox) batch.ConfirmBox = ConvertConfirmBox;
  if (ConvertOverwriteBox) batch.OverwriteBox = ConvertOverwriteBox;
  batch.OpenSettings = [this] { SetConvert1Click(); };
  batch.Loaders = ThreadLoader;
  batch.Jobs = ConvertJobs > 0 ? ConvertJobs : int(std::max(1u, std::thread::hardware_concurrency()));
  batch.NoticeSlot = &ProgressForm;
  batch.Run(sources, SaveFolder, edit::TConvertFormat(format));
}

void TCVMain::SetConvert1Click() {
  edit::TConvertF dialog(this);
  ExecDialog(&dialog);
}

}  // namespace app
