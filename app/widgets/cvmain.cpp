#include "app/widgets/cvmain.h"

#include "app/folder_change.h"
#include "platform/settings.h"
#include "platform/settings_keys.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/splitter.h"
#include "app/widgets/status_bar.h"
#include "catalog/spi_hook.h"
#include "catalog/img_thread_file.h"
#include "catalog/widgets/imgpanel.h"
#include "decode/spi_host.h"
#include "view/picture_loader.h"
#include "platform/app_folder.h"
#include "platform/widgets/status_hints.h"
#include "extras/external_programs.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace app {

namespace keys = settings::keys;

TCVMain::TCVMain(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("QIVO2"));
  setMinimumWidth(kMinimumWidth);
  InformationBox = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
  WarningBox = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
  Beep = [] { QApplication::beep(); };
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  StartProgram = extras::DetachedStarter();
  ExecExtrasDialog = [this](QDialog* dialog) { return ExecDialog(dialog); };
  // Design-time size and place, replaced by the stored geometry below.
  resize(742, 464);
  move(198, 109);
  CreateToolbars();
  CreateCentralArea();
  CreateStatusBar();
  FormCreate();
}

TCVMain::~TCVMain() {
  // The catalogue outlives these members (it is a child widget): cut it loose first.
  FileImage.reset();
  ImgPanel1->SetImageTypeTest({});
}

void TCVMain::CreateToolbars() {
  Menus = BuildMainMenus(this);
  tb97Btn = Menus.tb97Btn;
  tb97Command = Menus.tb97Command;
  SetPreview1 = Menus["SetPreview1"];
}

void TCVMain::CreateCentralArea() {
  central_ = new QWidget(this);
  auto* outer = new QVBoxLayout(central_);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  plTop = new QWidget(central_);
  plTop->setFixedHeight(3);
  outer->addWidget(plTop);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  outer->addLayout(row, 1);
  plLeft = new QWidget(central_);
  plLeft->setFixedWidth(2);
  row->addWidget(plLeft);
  CreateTreePanel();
  row->addWidget(plShellTreeView);
  spltLeft = new TSplitter(Qt::Vertical, plShellTreeView, central_);
  spltLeft->MinSize = 150;
  row->addWidget(spltLeft);
  Panel1 = new QFrame(central_);
  Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* panel = new QVBoxLayout(Panel1);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->setSpacing(0);
  CreateCatalogPanel();
  panel->addWidget(ImgPanel1, 1);
  CreatePreviewPane();
  panel->addWidget(spltBottom);
  panel->addWidget(ScrollBox1);
  row->addWidget(Panel1, 1);
  plRight = new QWidget(central_);
  plRight->setFixedWidth(2);
  row->addWidget(plRight);
  setCentralWidget(central_);

  Image1 = new QLabel(this);
  Image1->hide();
}

void TCVMain::CreateTreePanel() {
  plShellTreeView = new QWidget(central_);
  plShellTreeView->setObjectName(QStringLiteral("plShellTreeView"));
  plShellTreeView->setFixedWidth(keys::MainTVWidth.def);
  auto* l = new QVBoxLayout(plShellTreeView);
  l->setContentsMargins(0, 0, 0, 0);
  ShellTreeView1 = new TShellTreeView(plShellTreeView);
  l->addWidget(ShellTreeView1);
}

void TCVMain::CreateCatalogPanel() {
  ImgPanel1 = new catalog::TImgPanel(Panel1);
  ImgPanel1->setObjectName(QStringLiteral("ImgPanel1"));
}

void TCVMain::CreatePreviewPane() {
  ScrollBox1 = new QScrollArea(Panel1);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setBackgroundRole(QPalette::Mid);
  ScrollBox1->setFixedHeight(144);
  ScrollBox1->hide();
  Image2 = new QLabel;
  Image2->hide();
  ScrollBox1->setWidget(Image2);
  spltBottom = new TSplitter(Qt::Horizontal, ScrollBox1, Panel1);
  spltBottom->hide();
}

void TCVMain::CreateStatusBar() {
  StatusBar1 = new TStatusBar(this);
  setStatusBar(StatusBar1);
  platform::ShowHintsIn(this, [bar = QPointer<TStatusBar>(StatusBar1)](const QString& text) {
    if (bar) bar->ShowHint(text);
  });
}

int TCVMain::ClientWidth() const { return width(); }

int TCVMain::ClientHeight() const {
  const QWidget* menu = menuWidget();
  return height() - (menu && !menu->isHidden() ? menu->sizeHint().height() : 0);
}

void TCVMain::SetClientSize(int w, int h) {
  const QWidget* menu = menuWidget();
  resize(w, h + (menu && !menu->isHidden() ? menu->sizeHint().height() : 0));
}

int TCVMain::TreePanelWidth() const { return plShellTreeView->maximumWidth(); }
void TCVMain::SetTreePanelWidth(int w) { plShellTreeView->setFixedWidth(qMax(0, w)); }

bool TCVMain::PreviewVisible() const { return !ScrollBox1->isHidden(); }

void TCVMain::SetPreviewVisible(bool visible) {
  ScrollBox1->setVisible(visible);
  spltBottom->setVisible(visible);
  Image2->setVisible(visible);
  SetPreview1->setChecked(visible);
}

// The pane's height is held as its fixed height, so it is known before the window is shown.
int TCVMain::PreviewPaneHeight() const { return ScrollBox1->maximumHeight(); }
void TCVMain::SetPreviewPaneHeight(int h) { ScrollBox1->setFixedHeight(qMax(0, h)); }

void TCVMain::SetThumbFolder(const QString& folder) {
  thumbFolder_ = folder;
  if (ThumbFolderChanged) ThumbFolderChanged(folder);
}

void TCVMain::SetAutoRotate(bool on) {
  if (!FileImage) return;
  FileImage->Stop();
  FileImage->ImgUtil().AutoRotate = on;
  ImgPanel1->RefreshThumbnails();
}

void TCVMain::SetLookAhead(bool on) { ImgPanel1->SetLookAhead(on); }

void TCVMain::FormCreate() {
  const settings::TIniFile ini;
  ReadWindowGeometry(ini);
  ReadPreviewPane(ini);
  UseCache = ini.ReadBool1(keys::CatalogCache);
  const QString home = platform::programFolder();
  SetThumbFolder(CachePath(home, UseCache));
  // A folder that cannot be created is not reported.
  platform::ensureProgramSubfolder(QStringLiteral("Temp"));
  platform::ensureProgramSubfolder(QStringLiteral("Cache"));
  SaveFolder = ini.Read(keys::SaveFolderPath);
  PathCheck = ini.ReadBoolNot0(keys::MainPathCheck);
  SnapToDefault = ini.Read(keys::MouseSnapToDefaultButton) == QLatin1String("1");
  ConfigureCatalog(ini);
  ConnectCommands();
  SelectStartFolder(QCoreApplication::arguments().value(1));
}

void TCVMain::ReadWindowGeometry(const settings::TIniFile& ini) {
  const int treeWidth = ini.Read(keys::MainTVWidth);
  const QScreen* scr = QGuiApplication::primaryScreen();
  const QRect screenRect = scr ? scr->geometry() : QRect(0, 0, 1024, 768);
  const QRect desktop = scr ? scr->virtualGeometry() : screenRect;
  // A damaged file must not ask for a window larger than the desktop or a negative tree.
  SetTreePanelWidth(qBound(0, treeWidth, desktop.width()));
  if (ini.ReadBool1(keys::MainState)) {
    setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
  int w = ini.Read(keys::MainCWidth), h = ini.Read(keys::MainCHeight);
  if (w <= 0 || w > desktop.width()) w = qMin(keys::MainCWidth.def, desktop.width());
  if (h <= 0 || h > desktop.height()) h = qMin(keys::MainCHeight.def, desktop.height());
  SetClientSize(w, h);
  const QSize outer = frameGeometry().size();
  const int centreLeft = screenRect.x() + (screenRect.width() - outer.width()) / 2;
  const int centreTop = screenRect.y() + (screenRect.height() - outer.height()) / 2;
  int left = ini.Read({keys::MainLeft.section, keys::MainLeft.name, centreLeft});
  int top = ini.Read({keys::MainTop.section, keys::MainTop.name, centreTop});
  // A place on a screen that is gone would hide the window: centre it instead.
  const QRect visible = desktop.intersected(QRect(QPoint(left, top), outer));
  if (visible.width() < 50 || visible.height() < 50) {
    left = centreLeft;
    top = centreTop;
  }
  move(left, top);
}

void TCVMain::ReadPreviewPane(const settings::TIniFile& ini) {
  if (!ini.ReadBool1(keys::MainPreview)) return;
  const QScreen* scr = QGuiApplication::primaryScreen();
  const int maxHeight = scr ? scr->virtualGeometry().height() : 4096;
  SetPreviewVisible(true);
  SetPreviewPaneHeight(qBound(0, ini.Read(keys::MainPrevHeight), maxHeight));
}

bool TCVMain::FormCloseQuery() {
  if (AtDriveRoot) CurrentFolder.clear();
  const settings::TIniFile ini;
  if (windowState() & Qt::WindowMaximized) {
    ini.Write(keys::MainState, 1);
  } else {
    ini.Write(keys::MainState, 0);
    ini.Write(keys::MainLeft, pos().x());
    ini.Write(keys::MainTop, pos().y());
    ini.Write(keys::MainCWidth, ClientWidth());
    ini.Write(keys::MainCHeight, ClientHeight());
  }
  ini.Write(keys::MainTVWidth, plShellTreeView->isHidden() ? keys::MainTVWidth.def : TreePanelWidth());
  if (PreviewVisible()) {
    ini.Write(keys::MainPreview, 1);
    ini.Write(keys::MainPrevHeight, PreviewPaneHeight());
  } else {
    ini.Write(keys::MainPreview, 0);
  }
  ini.Write(keys::MainRootPath, PathCheck ? CurrentFolder : QString());
  if (!TempCacheFile.isEmpty() && !UseCache) QFile::remove(TempCacheFile);
  return true;
}

bool TCVMain::StopThumbnails() {
  if (!FileImage) return false;
  FileImage->Stop();
  return FileImage->Abandoned() > 0;
}

void TCVMain::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery())
    event->accept();
  else
    event->ignore();
}

}  // namespace app
