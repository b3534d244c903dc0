#include "app/widgets/main_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <span>

#include "platform/widgets/status_hints.h"

static void InitQivo2Resources() {
  static bool done = false;
  if (done) return;
  done = true;
  Q_INIT_RESOURCE(qivo2);
}

namespace app {

namespace {

enum class Kind { Menu, Item, Check, Radio, Separator, Hidden };

// One main-menu row. parent "" = the menu bar. enabled = implemented by the main window
// itself; the rest wait for the code of their command.
struct MenuRow {
  const char* parent;
  const char* name;
  const char* caption;
  const char* shortcut;
  Kind kind;
  bool enabled;
};

constexpr MenuRow kMainMenu[] = {
    {"", "File1", "ファイル(&F)", "", Kind::Menu, true},
    {"File1", "Delete1", "削除(&D)", "Del", Kind::Item, false},
    {"File1", "Rename1", "名前の変更(&N)...", "F2", Kind::Item, false},
    {"File1", "RenameAll1", "連番で名前変更(&A)...", "", Kind::Item, false},
    {"File1", "Property1", "プロパティ(&R)...", "", Kind::Item, false},
    {"File1", "", "", "", Kind::Separator, true},
    {"File1", "History1", "フォルダの履歴(&H)", "", Kind::Menu, true},
    {"File1", "", "", "", Kind::Separator, true},
    {"File1", "Exit1", "QIVO2の終了(&X)", "", Kind::Item, true},

    {"", "Edit1", "編集(&E)", "", Kind::Menu, true},
    {"Edit1", "Copy1", "コピー(&C)", "Ctrl+C", Kind::Item, false},
    {"Edit1", "NameChCopy1", "名前を変更してコピー(&Y)...", "", Kind::Item, false},
    {"Edit1", "GoTo1", "移動(&M)", "Ctrl+M", Kind::Item, false},
    {"Edit1", "", "", "", Kind::Separator, true},
    {"Edit1", "Rotate1", "画像の編集(&E)...", "", Kind::Item, false},
    {"Edit1", "Paste1", "貼り付け(&B)...", "Ctrl+V", Kind::Hidden, false},
    {"Edit1", "", "", "", Kind::Separator, true},
    {"Edit1", "BMP1", "BMPで保存(&B)", "Ctrl+B", Kind::Item, false},
    {"Edit1", "JPEG1", "JPEGで保存(&J)", "Ctrl+J", Kind::Item, false},
    {"Edit1", "PNG1", "PNGで保存(&P)", "Ctrl+P", Kind::Item, false},
    {"Edit1", "", "", "", Kind::Separator, true},
    {"Edit1", "SelectAll1", "全て選択(&A)", "", Kind::Item, true},
    {"Edit1", "SlideCopy1", "SlideCopy", "", Kind::Hidden, false},

    {"", "Show1", "表示(&V)", "", Kind::Menu, true},
    {"Show1", "Toolbar1", "ツールバー(&B)", "", Kind::Menu, true},
    {"Toolbar1", "ToolbarR", "右に配置(&R)", "", Kind::Radio, true},
    {"Toolbar1", "ToolbarT", "上に配置(&T)", "", Kind::Radio, true},
    {"Show1", "SetTreeView1", "ツリービュー(&T)", "", Kind::Hidden, true},
    {"Show1", "SetPreview1", "プレビュー(&R)", "", Kind::Check, true},
    {"Show1", "", "", "", Kind::Separator, true},
    {"Show1", "RealSize1", "実サイズ表示(&V)", "", Kind::Item, false},
    {"Show1", "FullScreen1", "全画面表示(&F)", "", Kind::Item, false},
    {"Show1", "", "", "", Kind::Separator, true},
    {"Show1", "Relation1", "関連付けで表示(&W)", "", Kind::Item, false},
    {"Show1", "OpenByOther1", "登録ソフトで開く(&O)", "", Kind::Menu, true},
    {"OpenByOther1", "OtherSoft1", "未登録", "", Kind::Item, false},
    {"OpenByOther1", "OtherSoft2", "", "", Kind::Item, false},
    {"OpenByOther1", "OtherSoft3", "", "", Kind::Item, false},
    {"OpenByOther1", "", "", "", Kind::Separator, true},
    {"OpenByOther1", "SetOtherSoft1", "ソフト登録(&G)...", "", Kind::Item, false},
    {"Show1", "", "", "", Kind::Separator, true},
    {"Show1", "Sort1", "ソート(&S)", "", Kind::Menu, true},
    {"Sort1", "SortName1", "ファイル名(&N)", "", Kind::Radio, true},
    {"Sort1", "SortExt1", "拡張子(&E)", "", Kind::Radio, true},
    {"Sort1", "SortDate1", "日付(&D)", "", Kind::Radio, true},
    {"Sort1", "SortSize1", "サイズ(&S)", "", Kind::Radio, true},
    {"Show1", "CatPage1", "ページ移動(&P)", "", Kind::Menu, true},
    {"CatPage1", "LastPage1", "最後のページ(&L)", "", Kind::Item, true},
    {"CatPage1", "NextPage1", "次のページ(&N)", "", Kind::Item, true},
    {"CatPage1", "PrevPage1", "前のページ(&P)", "", Kind::Item, true},
    {"CatPage1", "FirstPage1", "最初のページ(&F)", "", Kind::Item, true},
    {"Show1", "", "", "", Kind::Separator, true},
    {"Show1", "UpFolder1", "1つ上の階層へ(&U)", "", Kind::Item, true},
    {"Show1", "Refresh1", "最新の情報に更新(&R)", "F5", Kind::Item, true},
    {"Show1", "DblClick1", "DblClick", "", Kind::Hidden, false},

    {"", "Tool1", "ツール(&T)", "", Kind::Menu, true},
    {"Tool1", "Option1", "オプション(&O)...", "Ctrl+O", Kind::Item, false},
    {"Tool1", "SetConvert1", "変換設定(&V)...", "", Kind::Item, false},
    {"Tool1", "", "", "", Kind::Separator, true},
    {"Tool1", "SetWallPaper1", "壁紙設定(&W)...", "", Kind::Item, false},
    {"Tool1", "CacheList1", "キャッシュリスト(&L)...", "", Kind::Item, false},
    {"Tool1", "Media1", "メディアファイルの再生(&M)...", "", Kind::Item, false},

    {"", "Folder1", "フォルダ(&D)", "", Kind::Menu, true},
    {"Folder1", "SetFolder1", "フォルダ設定(&F)...", "", Kind::Item, false},
    {"Folder1", "ChangeFolder1", "選択変更(&C)", "", Kind::Menu, true},
    {"Folder1", "", "", "", Kind::Separator, true},
    {"Folder1", "AddFavorite1", "お気に入りに追加(&A)...", "", Kind::Item, false},
    {"Folder1", "EditFavorite1", "お気に入りの編集(&E)...", "", Kind::Item, false},
    {"Folder1", "OpenFavorite1", "お気に入りを開く(&O)", "", Kind::Menu, true},

    {"", "SlideShow1", "スライド(&S)", "", Kind::Menu, true},
    {"SlideShow1", "SlideStart1", "開始(&S)", "Ctrl+S", Kind::Item, false},
    {"SlideShow1", "SlideInterval1", "スライド間隔(&T)", "", Kind::Menu, true},
    {"SlideInterval1", "Sec1", "1秒", "", Kind::Radio, false},
    {"SlideInterval1", "Sec2", "2秒", "", Kind::Radio, false},
    {"SlideInterval1", "Sec3", "3秒", "", Kind::Radio, false},
    {"SlideInterval1", "Sec4", "4秒", "", Kind::Radio, false},
    {"SlideInterval1", "Sec5", "5秒", "", Kind::Radio, false},
    {"SlideInterval1", "Other1", "Other...", "", Kind::Radio, false},
    {"SlideShow1", "SlideOption1", "オプション(&O)...", "", Kind::Item, false},

    {"", "Help1", "ヘルプ(&H)", "", Kind::Menu, true},
    {"Help1", "OpenHelp1", "ヘルプ(&H)...", "F1", Kind::Item, false},
    {"Help1", "About1", "ヴァージョン情報(&A)...", "", Kind::Item, false},
};

// Hints of the main-menu items, shown in the status bar as the pointer passes over them.
struct HintRow {
  const char* name;
  const char* hint;
};
constexpr HintRow kMenuHints[] = {
    {"Rotate1", "選択されたファイルを別画面で編集します"},
    {"Paste1", "クリップボードのファイルを編集ウィンドウに貼り付けます"},
    {"BMP1", "選択されたファイルを BMP 形式で保存します"},
    {"JPEG1", "選択されたファイルを JPEG 形式で保存します"},
    {"PNG1", "選択されたファイルを PNG 形式で保存します"},
    {"RealSize1", "選択されたファイルを実際のサイズで表示します"},
    {"FullScreen1", "選択されたファイルを全画面で表示します"},
    {"SetConvert1", "ファイルコンバート（変換）用の設定を行います"},
    {"SetFolder1", "ファイル保存用のフォルダを設定します"},
    {"ChangeFolder1", "パスをクリックすれば，保存用フォルダを変更できます"},
    {"AddFavorite1", "現在開いているフォルダをお気に入りに追加します"},
    {"EditFavorite1", "お気に入りを編集します"},
    {"OpenFavorite1", "パスをクリックすれば，フォルダを開く事ができます"},
    {"SlideStart1", "スライドを開始（再開）します"},
    {"Sec1", "スライド間隔 1 秒"},
    {"Sec2", "スライド間隔 2 秒"},
    {"Sec3", "スライド間隔 3 秒"},
    {"Sec4", "スライド間隔 4 秒"},
    {"Sec5", "スライド間隔 5 秒"},
    {"Other1", "任意にスライド間隔を指定します"},
    {"SlideOption1", "スライドのオプションを設定します"},
    {"OpenHelp1", "ヘルプを開きます"},
};

// PopupMenu1: the catalogue's context menu, with the main menu's captions.
struct PopupRow {
  const char* name;
  const char* sameAs;  // main-menu item whose caption it repeats; "" = separator
};
constexpr PopupRow kPopupMenu[] = {
    {"Copy2", "Copy1"},   {"NameChCopy2", "NameChCopy1"}, {"GoTo2", "GoTo1"}, {"", ""},
    {"Delete2", "Delete1"}, {"Rename2", "Rename1"},       {"", ""},           {"RealSize2", "RealSize1"},
    {"FullScreen2", "FullScreen1"}, {"", ""},             {"Property2", "Property1"},
};

// Toolbar buttons; name "" = separator. The hint's text before "|" is the tool tip, the text
// after it the status text (a hint without "|" is both).
struct ButtonRow {
  const char* name;
  const char* hint;
  const char* glyph;  // our icon in :/icons/<glyph>.svg
  bool enabled;
  int width;  // 0 = the bar's default
};
constexpr ButtonRow kBtnBar[] = {
    {"tbtnUndo", "戻る|", "back", false, 34},
    {"tbtnRedo", "進む|", "forward", false, 34},
    {"tbtnUpFolder", "1つ上の階層へ|", "up", true, 0},
    {"", "", "", true, 0},
    {"tbtnSetPreview", "プレビュー|", "preview", true, 0},
    {"tbtnRefresh", "最新の情報に更新|", "refresh", true, 0},
    {"", "", "", true, 0},
    {"tbtnDelete", "削除|", "delete", false, 0},
    {"tbtnCopy", "コピー|", "copy", false, 0},
    {"tbtnNameChCopy", "名前を変更してコピー|", "namechcopy", false, 0},
    {"tbtnMove", "移動|", "move", false, 0},
    {"", "", "", true, 0},
    {"tbtnRotate", "画像の編集|", "edit", false, 0},
    {"", "", "", true, 0},
    {"tbtnToBMP", "BMPで保存|", "tobmp", false, 0},
    {"tbtnToJPEG", "JPEGで保存|", "tojpeg", false, 0},
    {"tbtnToPNG", "PNGで保存|", "topng", false, 0},
    {"", "", "", true, 0},
    {"sbOption", "オプション|", "option", false, 0},
    {"tbtnMedia", "メディアファイルの再生", "media", false, 0},
};
constexpr ButtonRow kCommandBar[] = {
    {"tbtnLastPage", "最後のページ|", "lastpage", true, 0},
    {"tbtnNextPage", "次のページ|", "nextpage", true, 0},
    {"tbtnPrevPage", "前のページ|", "prevpage", true, 0},
    {"tbtnFirstPage", "最初のページ|", "firstpage", true, 0},
    {"", "", "", true, 0},
    {"tbtnSlideStart", "スライド開始|", "slide", false, 0},
    {"", "", "", true, 0},
    {"tbtnRealSize", "実サイズ表示|", "realsize", false, 0},
    {"tbtnFullScreen", "全画面表示|", "fullscreen", false, 0},
};

// Icon-theme names of the glyphs that have a fitting theme icon.
struct ThemeRow {
  const char* glyph;
  const char* theme;
};
constexpr ThemeRow kThemeIcons[] = {
    {"back", "go-previous"},     {"forward", "go-next"},        {"up", "go-up"},
    {"refresh", "view-refresh"}, {"delete", "edit-delete"},     {"copy", "edit-copy"},
    {"option", "preferences-system"}, {"media", "media-playback-start"},
    {"lastpage", "go-bottom"},   {"nextpage", "go-down"},       {"prevpage", "go-up"},
    {"firstpage", "go-top"},     {"slide", "media-playlist-repeat"},
    {"realsize", "zoom-original"}, {"fullscreen", "view-fullscreen"},
};

QMenu** MenuSlot(TMainMenus& m, const QString& name) {
  static const QHash<QString, QMenu* TMainMenus::*> table = {
      {"File1", &TMainMenus::File1},         {"History1", &TMainMenus::History1},
      {"Edit1", &TMainMenus::Edit1},         {"Show1", &TMainMenus::Show1},
      {"Toolbar1", &TMainMenus::Toolbar1},   {"OpenByOther1", &TMainMenus::OpenByOther1},
      {"Sort1", &TMainMenus::Sort1},         {"CatPage1", &TMainMenus::CatPage1},
      {"Tool1", &TMainMenus::Tool1},         {"Folder1", &TMainMenus::Folder1},
      {"SlideShow1", &TMainMenus::SlideShow1}, {"SlideInterval1", &TMainMenus::SlideInterval1},
      {"Help1", &TMainMenus::Help1},
  };
  auto it = table.find(name);
  return it == table.end() ? nullptr : &(m.*(it.value()));
}

QActionGroup* RadioGroup(TMainMenus& m, QObject* owner, const QString& parent) {
  QActionGroup** group = parent == "Sort1"       ? &m.SortGroup
                         : parent == "Toolbar1" ? &m.ToolbarGroup
                                                : &m.SlideIntervalGroup;
  if (!*group) {
    *group = new QActionGroup(owner);
    (*group)->setObjectName(parent + QStringLiteral("Group"));
  }
  return *group;
}

void BuildMenuBar(QMainWindow* window, TMainMenus& m) {
  QHash<QString, QMenu*> menus;
  for (const MenuRow& row : kMainMenu) {
    const QString name = QString::fromUtf8(row.name);
    const QString caption = QString::fromUtf8(row.caption);
    QMenu* parent = menus.value(QString::fromUtf8(row.parent));
    if (row.kind == Kind::Separator) {
      parent->addSeparator();
      continue;
    }
    if (row.kind == Kind::Menu) {
      QMenu* menu = parent ? parent->addMenu(caption) : window->menuBar()->addMenu(caption);
      menu->setObjectName(name);
      menu->menuAction()->setObjectName(name);
      menus.insert(name, menu);
      m.Actions.insert(name, menu->menuAction());
      if (QMenu** slot = MenuSlot(m, name)) *slot = menu;
      continue;
    }
    auto* action = new QAction(caption, window);
    action->setObjectName(name);
    if (*row.shortcut) action->setShortcut(QKeySequence(QString::fromUtf8(row.shortcut)));
    action->setEnabled(row.enabled);
    if (row.kind == Kind::Check) action->setCheckable(true);
    if (row.kind == Kind::Radio) {
      action->setCheckable(true);
      RadioGroup(m, window, QString::fromUtf8(row.parent))->addAction(action);
    }
    if (row.kind == Kind::Hidden)
      window->addAction(action);  // not in a menu, but its shortcut works
    else
      parent->addAction(action);
    m.Actions.insert(name, action);
  }
  // Hidden submenu (toolbar placement) and per-item defaults.
  m.Toolbar1->menuAction()->setVisible(false);
  m["ToolbarR"]->setChecked(true);
  m["SortName1"]->setChecked(true);
  m["SetTreeView1"]->setCheckable(true);
  m["SetTreeView1"]->setChecked(true);
  m["DblClick1"]->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  for (const char* n : {"OtherSoft2", "OtherSoft3"}) m[n]->setVisible(false);
  for (const HintRow& row : kMenuHints) platform::SetHint(m[QString::fromUtf8(row.name)], QString::fromUtf8(row.hint));
}

void BuildPopups(QMainWindow* window, TMainMenus& m) {
  m.PopupMenu1 = new QMenu(window);
  m.PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  for (const PopupRow& row : kPopupMenu) {
    if (!*row.name) {
      m.PopupMenu1->addSeparator();
      continue;
    }
    const QAction* same = m[QString::fromUtf8(row.sameAs)];
    QAction* a = m.PopupMenu1->addAction(same->text());
    a->setObjectName(QString::fromUtf8(row.name));
    a->setEnabled(same->isEnabled());
    m.Actions.insert(a->objectName(), a);
  }
  m.UndoPopup = new QMenu(window);
  m.UndoPopup->setObjectName(QStringLiteral("UndoPopup"));
  m.RedoPopup = new QMenu(window);
  m.RedoPopup->setObjectName(QStringLiteral("RedoPopup"));
}

QToolBar* BuildBar(QMainWindow* window, TMainMenus& m, const char* name, Qt::ToolBarArea area,
                   std::span<const ButtonRow> rows) {
  auto* bar = new QToolBar(QStringLiteral("QIVO"), window);
  bar->setObjectName(QString::fromUtf8(name));
  bar->setFloatable(false);
  bar->setAllowedAreas(Qt::TopToolBarArea | Qt::RightToolBarArea);
  bar->setIconSize(QSize(16, 16));
  window->addToolBar(area, bar);
  for (const ButtonRow& row : rows) {
    if (!*row.name) {
      bar->addSeparator();
      continue;
    }
    const QString hint = QString::fromUtf8(row.hint);
    QAction* a = bar->addAction(ToolbarIcon(QString::fromUtf8(row.glyph)), platform::ShortHint(hint));
    a->setObjectName(QString::fromUtf8(row.name));
    platform::SetHint(a, hint);
    a->setEnabled(row.enabled);
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a))) {
      button->setObjectName(a->objectName());
      if (row.width) button->setFixedWidth(row.width);
    }
    m.Actions.insert(a->objectName(), a);
  }
  return bar;
}

}  // namespace

QToolButton* TMainMenus::Button(const QString& name) const {
  QAction* a = Actions.value(name);
  if (!a) return nullptr;
  for (QToolBar* bar : {tb97Btn, tb97Command})
    if (bar)
      if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(a))) return b;
  return nullptr;
}

QIcon ToolbarIcon(const QString& glyph) {
  InitQivo2Resources();
  const QIcon own(QStringLiteral(":/icons/%1.svg").arg(glyph));
  for (const ThemeRow& row : kThemeIcons)
    if (glyph == QLatin1StringView(row.glyph)) return QIcon::fromTheme(QString::fromUtf8(row.theme), own);
  return own;
}

QIcon ProgramIcon() {
  InitQivo2Resources();
  return QIcon(QStringLiteral(":/icons/qivo2.svg"));
}

TMainMenus BuildMainMenus(QMainWindow* window) {
  TMainMenus m;
  window->menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  BuildMenuBar(window, m);
  BuildPopups(window, m);
  m.tb97Btn = BuildBar(window, m, "tb97Btn", Qt::TopToolBarArea, kBtnBar);
  m.tb97Command = BuildBar(window, m, "tb97Command", Qt::RightToolBarArea, kCommandBar);
  m.tb97Btn->setMovable(false);
  m.tb97Command->setMovable(false);
  for (const char* n : {"tbtnUndo", "tbtnRedo"}) {
    QToolButton* b = m.Button(n);
    b->setMenu(QString(n) == "tbtnUndo" ? m.UndoPopup : m.RedoPopup);
    b->setPopupMode(QToolButton::MenuButtonPopup);
  }
  return m;
}

}  // namespace app
