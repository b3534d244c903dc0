// The main window's navigation, catalogue commands, status and layout commands.
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include "app/catalog_config.h"
#include "app/color_value.h"
#include "app/folder_change.h"
#include "app/preview_fit.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "app/status_text.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/event_watch.h"
#include "app/widgets/history_menu.h"
#include "app/widgets/preview_picture.h"
#include "app/widgets/set_option.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/img_util_png.h"
#include "catalog/spi_hook.h"
#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"
#include "decode/spi_host.h"
#include "decode/png_graphic.h"
#include "graphics/picture_formats.h"
#include "platform/app_folder.h"
#include "view/picture_loader.h"
#include "view/preview_geometry.h"

namespace app {

namespace keys = settings::keys;

namespace {
// [Catalog] Sort value -> sort order and menu item.
struct SortRow {
  catalog::TSortTypeEx type;
  const char* item;
};
constexpr SortRow kSorts[] = {
    {catalog::TSortTypeEx::istName, "SortName1"},
    {catalog::TSortTypeEx::istType, "SortExt1"},
    {catalog::TSortTypeEx::istDate, "SortDate1"},
    {catalog::TSortTypeEx::istSize, "SortSize1"},
};

// Page commands: menu item, toolbar button, catalogue operation.
struct PageRow {
  const char* item;
  const char* button;
  void (*op)(catalog::TImgPanel*);
};
constexpr PageRow kPages[] = {
    {"FirstPage1", "tbtnFirstPage", [](catalog::TImgPanel* p) { p->FirstPage(); }},
    {"PrevPage1", "tbtnPrevPage", [](catalog::TImgPanel* p) { p->PriorPage(); }},
    {"NextPage1", "tbtnNextPage", [](catalog::TImgPanel* p) { p->NextPage(); }},
    {"LastPage1", "tbtnLastPage", [](catalog::TImgPanel* p) { p->LastPage(); }},
};
}  // namespace

void TCVMain::ReportSandboxMessages() {
  std::vector<decode::TSandboxLog::TEntry> entries;
  const auto take = [&entries](const decode::TSandboxLog& log) {
    for (auto& e : log.Entries()) entries.push_back(std::move(e));
  };
  if (SPlugin) take(*SPlugin->List.Log);
  if (FileImage) take(*FileImage->Plugins().List.Log);
  if (SPIs1) take(SPIs1->Log());
  for (const auto& e : entries)
    if (sandboxTold_.insert({e.Plugin, int(e.Kind)}).second && WarningBox) WarningBox(e.Text);
}

void TCVMain::ConfigureCatalog(const settings::TIniFile& ini) {
  graphics::RegisterBuiltinFormats();
  decode::RegisterPngFormat();
  // The user-interface thread's plug-in list; the catalogue's workers load their own.
  SPlugin = std::make_unique<catalog::TSPluginHook>();
  SPlugin->List.LoadFromAppDir();
  Plugins = SPlugin.get();
  try {
    SPIs1 = std::make_unique<decode::TSPIs>();
    SPIs1->GraphicPreview = false;
    SPIs1->SearchOptions = decode::spsAppDir;
    SPIs1->OnSearch = decode::AcceptInSPIOnly;
    SPIs1->OnPictureRegister = decode::VetoBuiltinExtensions;
    SPIs1->Loaded();
  } catch (const std::exception&) {
    // One manager per process: a second main window (tests) does without.
    SPIs1.reset();
  }

  catalog::TImgPanel* p = ImgPanel1;
  p->SetBorderStyle(catalog::TBorderStyle::bsNone);
  p->DefaultExec().DblClick = false;  // the main window opens pictures itself
  p->SetMultiSelect(true);
  p->DispTypes().SetFolders(false);
  p->DispTypes().SetExt(QStringLiteral("*.*"));
  p->SetIconSpacing({0, 4});
  const TCatalogConfig config = ReadCatalogConfig(ini);
  catalog::TViewImage v = p->ViewImage();
  v.ImageWidth = config.Box.width();
  v.ImageHeight = config.Box.height();
  v.BorderStyle = catalog::TBorderStyle::bsSingle;
  v.Frame = {false, palette().color(QPalette::Inactive, QPalette::Window), 1};
  v.SelectFrame = {false, palette().color(QPalette::Highlight), 2};
  v.SmallIcon.IconPos = catalog::TIconPosition::iipNone;
  v.LookAhead = config.LookAhead;
  p->SetViewImage(v);
  p->SetThumbMemory(int64_t(config.ThumbMemoryMB) << 20);
  if (config.Colour.isValid()) p->SetColor(config.Colour);

  FileImage = std::make_unique<catalog::TFileImage>(p);
  FileImage->SetThreads(config.Threads);
  catalog::TImgUtil& util = FileImage->ImgUtil();
  ConfigureImgUtil(util, config);
  util.Custom = catalog::PngHandler();
  util.SPlugin = Plugins;  // the type test for drawing runs on this thread
  FileImage->Plugins().List.LoadFromAppDir();
  if (SPlugin->List.Sandbox.Enabled) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &TCVMain::ReportSandboxMessages);
    timer->start(1000);
  }
  FileImage->Thumbnail().Path = ThumbFolder();
  FileImage->Attach();
  // Cache settings change only while no job runs.
  ThumbFolderChanged = [this](const QString& folder) {
    FileImage->Stop();
    FileImage->Thumbnail().Path = folder;
    FileImage->Restart();
  };
  ThumbFileNameChanged = [this](const QString& name) {
    FileImage->Stop();
    FileImage->Thumbnail().FileName = name;
  };
  p->ImgPopupMenu().ContextMenuType = catalog::TImgPanelPopupMenu::ictNormal;
  p->ImgPopupMenu().PopupMenu = Menus.PopupMenu1;

  HistoryMenu1 = new THistoryMenu(Menus.History1, this);
  // Image2 sits on the pane itself, placed by ScrollBox1Resize rather than by the scroll area.
  if (ScrollBox1->widget() == Image2) ScrollBox1->takeWidget();
  Image2->setParent(ScrollBox1->viewport());
  Image2->setVisible(PreviewVisible());
  new TEventWatch(ScrollBox1->viewport(), QEvent::Resize, [this] { ScrollBox1Resize(); });
  setWindowIcon(ProgramIcon());
}

void TCVMain::ConnectCommands() {
  auto on = [this](const char* name, auto fn) {
    if (QAction* a = Menus[name]) connect(a, &QAction::triggered, this, fn);
  };
  connect(ShellTreeView1, &TShellTreeView::Change, this, &TCVMain::ShellTreeView1Change);
  connect(HistoryMenu1, &THistoryMenu::HistorySelected, this, &TCVMain::HistoryMenu1HistorySelected);
  connect(Menus.File1, &QMenu::aboutToShow, this, &TCVMain::File1Click);
  on("Exit1", [this] { close(); });
  on("UpFolder1", [this] { UpFolder1Click(); });
  on("tbtnUpFolder", [this] { UpFolder1Click(); });
  on("Refresh1", [this] { Refresh1Click(); });
  on("tbtnRefresh", [this] { Refresh1Click(); });
  for (int i = 0; i < 4; ++i) on(kSorts[i].item, [this, i] { SortClick(i); });
  for (int i = 0; i < 4; ++i) {
    on(kPages[i].item, [this, i] { PageClick(i); });
    on(kPages[i].button, [this, i] { PageClick(i); });
  }
  on("SelectAll1", [this] { SelectAll1Click(); });
  on("SetPreview1", [this] { SetPreview1Click(); });
  on("tbtnSetPreview", [this] { SetPreview1Click(); });
  on("ToolbarR", [this] { ToolbarRClick(); });
  on("ToolbarT", [this] { ToolbarTClick(); });
  on("Option1", [this] { Option1Click(); });
  on("sbOption", [this] { Option1Click(); });
  for (const char* n : {"Option1", "sbOption"}) Menus[n]->setEnabled(true);
  connect(tb97Command, &QToolBar::orientationChanged, this, [this] { tb97CommandDockChanged(); });
  on("tbtnUndo", [this] { tbtnUndoClick(); });
  on("tbtnRedo", [this] { tbtnRedoClick(); });
  connect(Menus.UndoPopup, &QMenu::aboutToShow, this, [this] { FillHistoryPopup(true); });
  connect(Menus.RedoPopup, &QMenu::aboutToShow, this, [this] { FillHistoryPopup(false); });
  ConnectViewCommands();
  ConnectEditCommands();
  ConnectFileCommands();
  ConnectLiveCommands();
  ConnectExtrasCommands();

  ImgPanel1->OnChangeFolder = [this](catalog::TImgPanel*) { ImgPanel1ChangeFolder(); };
  ImgPanel1->OnClick = [this](catalog::TImgPanel*) { ImgPanel1Click(); };
  ImgPanel1->OnKeyUp = [this](catalog::TImgPanel*, QKeyEvent*) { ImgPanel1Click(); };
  ImgPanel1->OnMouseWheel = [this](catalog::TImgPanel* p, QWheelEvent* e, bool& handled) {
    handled = true;
    if (p->Count() == 0) return;
    const int dy = e->angleDelta().y();
    if (dy > 0)
      p->LineUp();
    else if (dy < 0)
      p->LineDown();
  };
}

void TCVMain::SetThumbFileName(const QString& name) {
  thumbFileName_ = name;
  if (ThumbFileNameChanged) ThumbFileNameChanged(name);
}

// ---------------------------------------------------------------- folder change

void TCVMain::ShellTreeView1Change(const QString& path) {
  ImgPanel1->ShellChangeNotification().SetEnabled(false);
  const settings::TIniFile ini;
  const QString home = platform::programFolder();
  // The worker must not write the old file again once it is gone.
  if (ImgPanel1->Loader()) ImgPanel1->Loader()->Stop();
  if (!TempCacheFile.isEmpty() && !UseCache) QFile::remove(TempCacheFile);
  SetThumbFileName(CacheFileName(path));
  SetThumbFolder(CachePath(home, UseCache));
  ImgPanel1->DispTypes().SetExt(ExtensionMask(graphics::TPictureFormats::Instance().Mask()));
  const SortRow& sort = kSorts[SortIndexFromSetting(ini.Read(keys::CatalogSort))];
  ImgPanel1->SetSortType(sort.type);
  Menus[sort.item]->setChecked(true);
  ImgPanel1->SetFolder(path);
  Image2->clear();
  ShowTotal();
  AtDriveRoot = IsDriveRoot(path);
  CurrentFolder = CurrentFolderFor(path);
  HistoryMenu1->Add(path);
  UpdateBackForwardButtons();
  if (!UseCache) TempCacheFile = TempCacheFileFor(home, path);
}

void TCVMain::ImgPanel1ChangeFolder() {
  // Switched off at the start of a folder change; on again before the catalogue starts
  // watching the new folder.
  ImgPanel1->ShellChangeNotification().SetEnabled(true);
  RecountStatus();
}

void TCVMain::ShowTotal() {
  StatusEntry = {};
  StatusBar1->ClearPanels(0, 3);
  StatusBar1->SetPanelText(0, TotalText(ImgPanel1->Count()));
  StatusBar1->RepaintNow();
}

void TCVMain::RecountStatus() {
  if (!StatusBar1) return;
  if (StatusEntry.IsNull()) {
    const QString total = TotalText(ImgPanel1->Count());
    // Empty before the first folder: nothing to make true.
    if (!StatusBar1->PanelText(0).isEmpty() && StatusBar1->PanelText(0) != total) {
      StatusBar1->SetPanelText(0, total);
      StatusBar1->RepaintNow();
    }
    return;
  }
  const int index = ImgPanel1->IndexOfEntry(StatusEntry);
  if (index < 0) {
    ShowTotal();
    return;
  }
  StatusEntry = ImgPanel1->EntryKey(index);
  const QString count = CountText(index + 1, ImgPanel1->Count());
  if (StatusBar1->PanelText(0) == count) return;
  StatusBar1->SetPanelText(0, count);
  StatusBar1->RepaintNow();
}

void TCVMain::File1Click() {
  const bool on = settings::TIniFile().ReadBoolNot0(keys::HistoryMenu);
  HistoryMenu1->SetActive(on);
  Menus.History1->setEnabled(on);
}

void TCVMain::HistoryMenu1HistorySelected(const QString& path) {
  if (!QFileInfo(path).isDir()) {
    if (InformationBox)
      InformationBox(QStringLiteral("指定されたフォルダは存在しません。確認して下さい。"));
    else
      QMessageBox::information(this, QStringLiteral("QIVO2"), QStringLiteral("指定されたフォルダは存在しません。確認して下さい。"));
  }
  if (ShellTreeView1->SelectPath(path)) ShellTreeView1->ScrollToSelected();
}

void TCVMain::UpFolder1Click() {
  if (ShellTreeView1->AtFirstTopLevel()) {
    if (Beep)
      Beep();
    else
      QApplication::beep();
    return;
  }
  ShellTreeView1->SelectParent();
}

void TCVMain::Refresh1Click() {
  if (ImgPanel1->Count() == 0) return;
  ImgPanel1->Refresh(false);
  ShowTotal();
}

void TCVMain::SortClick(int sortIndex) {
  const SortRow& sort = kSorts[SortIndexFromSetting(sortIndex)];
  ImgPanel1->SetSortType(sort.type);
  ImgPanel1->RefreshThumbnails();
  Menus[sort.item]->setChecked(true);
  settings::TIniFile().Write(keys::CatalogSort, SortIndexFromSetting(sortIndex));
}

void TCVMain::PageClick(int which) {
  if (ImgPanel1->Count() == 0 || which < 0 || which > 3) return;
  kPages[which].op(ImgPanel1);
}

void TCVMain::SelectAll1Click() { ImgPanel1->SelectAll(); }

// ---------------------------------------------------------------- status and preview

void TCVMain::ImgPanel1Click() {
  catalog::TImgPanel* p = ImgPanel1;
  if (p->Count() == 0 || p->SelCount() == 0) return;
  int index = p->FocusIndex();
  if (index < 0 || index >= p->Count()) index = p->CurrentIndex();
  if (index < 0 || index >= p->Count()) return;
  catalog::TPanelItem* item = p->Item(index);
  StatusEntry = p->EntryKey(index);
  const QString countText = CountText(index + 1, p->Count());
  const QString sizeText = FileSizeText(uint32_t(item->GetSize()));
  const QString path = item->GetParseName();
  try {
    if (SetPreview1->isChecked()) {
      ShowPreviewPicture(path);
    } else {
      graphics::TBitmap bitmap;
      view::LoadPicture(path, bitmap, Plugins);
      PreviewWidth = bitmap.Width();
      PreviewHeight = bitmap.Height();
    }
    StatusBar1->SetPanelText(0, countText);
    StatusBar1->SetPanelText(1, PixelsText(PreviewWidth, PreviewHeight));
    StatusBar1->SetPanelText(2, sizeText);
  } catch (const std::exception&) {
    StatusBar1->SetPanelText(0, countText);
    StatusBar1->ClearPanels(1, 2);
  }
  StatusBar1->RepaintNow();
}

void TCVMain::ShowPreviewPicture(const QString& path) {
  Image2->clear();
  // Fitted to the pane's device pixels and drawn one to one: sharp at any pixel ratio.
  const qreal ratio = Image2->devicePixelRatioF();
  const QSize pane = view::DevicePixels(ScrollBox1->viewport()->size(), ratio);
  TPreviewPicture picture = LoadPreviewPicture(path, pane, Plugins);
  PreviewWidth = picture.FullWidth;
  PreviewHeight = picture.FullHeight;
  QPixmap pixmap = QPixmap::fromImage(picture.Bitmap.AsQImage().copy());
  pixmap.setDevicePixelRatio(ratio);
  Image2->setPixmap(pixmap);
  Image2->resize(view::LogicalExtent({picture.Bitmap.Width(), picture.Bitmap.Height()}, ratio));
  ScrollBox1Resize();
}

void TCVMain::ScrollBox1Resize() {
  if (!PreviewVisible()) return;
  Image2->move(CentreInPane(Image2->size(), ScrollBox1->viewport()->size()));
}

// ---------------------------------------------------------------- layout commands

void TCVMain::SetPreview1Click() {
  const settings::TIniFile ini;
  if (!PreviewVisible()) {
    SetPreviewPaneHeight(qMax(0, ini.Read(keys::MainPrevHeight)));
    SetPreviewVisible(true);
  } else {
    ini.Write(keys::MainPrevHeight, PreviewPaneHeight());
    SetPreviewVisible(false);
    Image2->clear();
  }
  ImgPanel1->update();
}

void TCVMain::ToolbarRClick() {
  tb97Command->setMovable(false);  // no drag handle on the right
  addToolBar(Qt::RightToolBarArea, tb97Command);
  tb97Command->show();
  Menus["ToolbarR"]->setChecked(true);
  update();
  QCoreApplication::processEvents();
}

void TCVMain::ToolbarTClick() {
  tb97Command->setMovable(true);
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, tb97Command);
  tb97Command->show();
  Menus["ToolbarT"]->setChecked(true);
  update();
  QCoreApplication::processEvents();
}

void TCVMain::tb97CommandDockChanged() {
  const bool right = tb97Command->orientation() == Qt::Vertical;  // the area is not yet updated here
  tb97Command->setMovable(!right);
  Menus[right ? "ToolbarR" : "ToolbarT"]->setChecked(true);
}

void TCVMain::Option1Click() {
  TSetOption dialog(this, this);
  dialog.SetPluginNameSource([this] {
    QStringList names;
    for (int i = 0; i < SPlugin->List.Count(); ++i) names << SPlugin->List.Item(i).PluginName;
    return names;
  });
  dialog.PageControl1->setCurrentWidget(dialog.tsMain);
  ExecDialog(&dialog);
}

void TCVMain::tbtnUndoClick() {
  ShellTreeView1->GoBack();
  UpdateBackForwardButtons();
}

void TCVMain::tbtnRedoClick() {
  ShellTreeView1->GoForward();
  UpdateBackForwardButtons();
}

void TCVMain::UpdateBackForwardButtons() {
  Menus["tbtnUndo"]->setEnabled(ShellTreeView1->Nav().CanGoBack());
  Menus["tbtnRedo"]->setEnabled(ShellTreeView1->Nav().CanGoForward());
}

void TCVMain::FillHistoryPopup(bool back) {
  QMenu* menu = back ? Menus.UndoPopup : Menus.RedoPopup;
  for (QAction* a : menu->actions()) {
    menu->removeAction(a);
    a->deleteLater();
  }
  ShellTreeView1->PruneHistory();
  const QStringList list = back ? ShellTreeView1->Nav().BackList() : ShellTreeView1->Nav().ForwardList();
  const int count = int(list.size());
  for (int i = 0; i < count; ++i) {
    const QString path = list[count - 1 - i];
    QAction* a = menu->addAction(ShellTreeView1->FolderIcon(), TShellTreeView::DisplayText(path).replace(u'&', "&&"));
    connect(a, &QAction::triggered, this, [this, back, count, i] {
      if (back)
        ShellTreeView1->GoBack(count - 1 - i);
      else
        ShellTreeView1->GoForward(count - 1 - i);
      UpdateBackForwardButtons();
    });
  }
}

// ---------------------------------------------------------------- dialogs and start

void TCVMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // After the first layout, when the tree knows its height.
  QTimer::singleShot(0, this, [this] { ShellTreeView1->ScrollToSelected(); });
}

void TCVMain::PlaceDialogPointer(QDialog* dialog) {
  if (!SnapToDefault || !dialog) return;
  QPushButton* target = nullptr;
  for (QPushButton* b : dialog->findChildren<QPushButton*>())
    if (b->isDefault() && b->isVisible()) target = b;
  if (!target) target = dialog->findChild<QPushButton*>(QStringLiteral("btnOK"));
  if (target) QCursor::setPos(target->mapToGlobal(target->rect().center()));
}

int TCVMain::ExecDialog(QDialog* dialog) {
  // Placed once the dialog is on screen, where its buttons have their final places.
  QTimer::singleShot(0, dialog, [this, dialog] { PlaceDialogPointer(dialog); });
  return dialog->exec();
}

void TCVMain::SelectStartFolder(const QString& argument) {
  const QString fromArgument = StartFolderFromArgument(argument, QDir::currentPath());
  if (!fromArgument.isEmpty() && ShellTreeView1->SelectPath(fromArgument)) {
    // A picture opened from a file manager ("Open with") starts selected in its folder.
    const QString name = QFileInfo(argument).fileName();
    const QString file = (fromArgument == "/" ? QString() : fromArgument) + "/" + name;
    for (int i = 0; i < ImgPanel1->Count() && !name.isEmpty() && !QFileInfo(argument).isDir(); ++i) {
      if (ImgPanel1->Item(i)->GetParseName() != file) continue;
      ImgPanel1->SelectOnly(i);
      ImgPanel1->MakeVisible(i);
      break;
    }
    return;
  }
  const QString remembered = settings::TIniFile().Read(keys::MainRootPath);
  if (!remembered.isEmpty()) ShellTreeView1->SelectPath(remembered);
}

}  // namespace app
