// The main window's building blocks on their own: folder tree, history menu, menus and
// toolbars, status bar.
#include <QAction>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "platform/settings.h"
#include "app/widgets/history_menu.h"
#include "app/widgets/main_menus.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "platform/path_bytes.h"
#include "tests/support/byte_names.h"

#include <sys/stat.h>

using namespace app;

class MainWidgetsTest : public QObject {
  Q_OBJECT

  QTemporaryDir tmp_;
  QString root_;
  QString Folder(const QString& name) const { return root_ + u'/' + name; }

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    root_ = QDir(tmp_.path()).canonicalPath();
    for (const char* d : {"a/x", "b", "c", ".hidden", "n10", "n9", "N2"}) QVERIFY(QDir(root_).mkpath(d));
  }

  void treeListsFoldersNaturallyAndLazily() {
    TShellTreeView tree;
    QCOMPARE(tree.topLevelItemCount(), 1);
    QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("/"));
    QVERIFY(tree.SelectPath(root_));
    QTreeWidgetItem* node = tree.currentItem();
    QVERIFY(node);
    QCOMPARE(node->childCount(), 0);  // not read until opened
    node->setExpanded(true);
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i) names << node->child(i)->text(0);
    QCOMPARE(names, (QStringList{"a", "b", "c", "N2", "n9", "n10"}));
    // A folder made later shows when the node is opened again.
    QVERIFY(QDir(root_).mkpath("d"));
    node->setExpanded(false);
    node->setExpanded(true);
    QCOMPARE(node->childCount(), 7);
    QVERIFY(QDir(root_).rmdir("d"));
  }

  void treeSelectsAndReportsChanges() {
    TShellTreeView tree;
    QSignalSpy spy(&tree, &TShellTreeView::Change);
    QVERIFY(tree.SelectPath(Folder("a/x")));
    QCOMPARE(tree.SelectedPath(), Folder("a/x"));
    QVERIFY(tree.SelectPath(Folder("a/x/")));  // same folder: no second change
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), Folder("a/x"));
    QVERIFY(tree.SelectPath(Folder(".hidden")));  // not listed, still reachable by path
    QVERIFY(!tree.SelectPath(Folder("missing")));
    QVERIFY(!tree.SelectPath(QString()));
    QVERIFY(!tree.SelectPath("relative/path"));
    QCOMPARE(tree.SelectedPath(), Folder(".hidden"));
    QVERIFY(tree.SelectParent());
    QCOMPARE(tree.SelectedPath(), root_);
    QVERIFY(tree.SelectPath("/"));
    QVERIFY(tree.AtFirstTopLevel());
    QVERIFY(!tree.SelectParent());
    QCOMPARE(spy.count(), 4);
  }

  void treeBackAndForward() {
    TShellTreeView tree;
    const QStringList folders{"a", "a/x", "b", "c", "n9", "n10", "N2", "a", "b", "c", "a/x"};
    for (const QString& f : folders) QVERIFY(tree.SelectPath(Folder(f)));
    QCOMPARE(tree.Nav().BackList().size(), 9);  // ten changes after the first choice
    QVERIFY(tree.GoBack());
    QVERIFY(tree.GoBack());
    QCOMPARE(tree.SelectedPath(), Folder("b"));
    QCOMPARE(tree.Nav().ForwardList(), (QStringList{Folder("a/x"), Folder("c")}));
    QVERIFY(!tree.GoForward(5));
    QVERIFY(!tree.GoForward(0));  // position 0 is the far end: nothing is left ahead
    QCOMPARE(tree.SelectedPath(), Folder("a/x"));
    QVERIFY(tree.GoBack());
    QVERIFY(tree.SelectPath(Folder("n9")));
    QVERIFY(tree.Nav().ForwardList().isEmpty());
  }

  void treeForgetsDeletedFolders() {
    QVERIFY(QDir(root_).mkpath("gone/sub"));
    TShellTreeView tree;
    for (const char* f : {"a", "gone", "gone/sub", "b"}) QVERIFY(tree.SelectPath(Folder(f)));
    QVERIFY(QDir(Folder("gone")).removeRecursively());
    QVERIFY(!tree.SelectPath(Folder("gone")));
    QCOMPARE(tree.Nav().BackList(), QStringList{Folder("a")});
    QVERIFY(!tree.GoBack());  // the list held only "a": stepping leaves it empty
    QCOMPARE(tree.SelectedPath(), Folder("a"));
  }

  void treeShowsFolderLinksAndEndsLinkCycles() {
    QTemporaryDir cyc;
    const QString top = QDir(cyc.path()).canonicalPath();
    QVERIFY(QDir(top).mkpath("a") && QDir(top).mkpath("b"));
    QVERIFY(QFile::link(top + "/b", top + "/a/tob"));
    QVERIFY(QFile::link(top + "/a", top + "/b/toa"));
    QVERIFY(QFile::link(top + "/a", top + "/a/up"));  // to its own parent
    QVERIFY(QFile::link("/", top + "/a/root"));
    QVERIFY(QFile::link(top + "/missing", top + "/a/dangling"));
    QFile(top + "/a/file").open(QIODevice::WriteOnly);
    QVERIFY(QFile::link(top + "/a/file", top + "/a/tofile"));

    TShellTreeView tree;
    QVERIFY(tree.SelectPath(top + "/a"));
    QTreeWidgetItem* a = tree.currentItem();
    a->setExpanded(true);
    QStringList names;
    for (int i = 0; i < a->childCount(); ++i) names << a->child(i)->text(0);
    QCOMPARE(names, (QStringList{"root", "tob", "up"}));
    // Expanding everything below stays finite: each link back up is a leaf.
    tree.expandRecursively(tree.indexFromItem(a->parent()));
    int nodes = 0;
    QList<QTreeWidgetItem*> open{a->parent()};
    while (!open.isEmpty()) {
      QTreeWidgetItem* n = open.takeLast();
      ++nodes;
      QVERIFY(nodes < 100);
      for (int i = 0; i < n->childCount(); ++i) open << n->child(i);
    }
    // top, a, b, a/{root,tob,up}, a/tob/toa, b/toa, b/toa/{root,tob,up}
    QCOMPARE(nodes, 11);
    QVERIFY(tree.SelectPath(top + "/a/tob/toa"));
    QCOMPARE(tree.SelectedPath(), top + "/a/tob/toa");
    QCOMPARE(tree.currentItem()->childCount(), 0);
  }

  void treeListsFoldersWhoseNamesAreNotUtf8() {
    QTemporaryDir dir;
    const QString top = QDir(dir.path()).canonicalPath();
    const ByteNameCleanup cleanup(top);
    for (const QByteArray& name : ByteNames()) {
      const QString path = BytePath(top, name);
      QCOMPARE(::mkdir(platform::PathBytes(path).constData(), 0755), 0);
    }
    TShellTreeView tree;
    QVERIFY(tree.SelectPath(top));
    QTreeWidgetItem* node = tree.currentItem();
    node->setExpanded(true);
    QCOMPARE(node->childCount(), int(ByteNames().size()));
    QSet<QString> paths;
    for (int i = 0; i < node->childCount(); ++i) {
      QVERIFY(node->child(i)->text(0).contains(QChar(0xFFFD)));
      tree.setCurrentItem(node->child(i));
      paths << tree.SelectedPath();
      QVERIFY(BytePathExists(tree.SelectedPath()));
    }
    QCOMPARE(paths.size(), int(ByteNames().size()));  // look-alikes stay apart
  }

  void historyMenuShowsMovesAndPersists() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("h.ini");
    QMenu menu;
    {
      THistoryMenu history(&menu, nullptr, ini);
      QVERIFY(history.Active());
      for (int i = 0; i < 9; ++i) history.Add(QStringLiteral("/f%1").arg(i));
      history.Add("/a&b");
      QCOMPARE(menu.actions().size(), 8);
      QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("&0 /a&&b"));
      QCOMPARE(menu.actions().at(7)->text(), QStringLiteral("&7 /f2"));
      QSignalSpy spy(&history, &THistoryMenu::HistorySelected);
      menu.actions().at(3)->trigger();
      QCOMPARE(spy.count(), 1);
      QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("/f6"));
      QCOMPARE(history.List().Items().first(), QStringLiteral("/f6"));
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QCOMPARE(menu.actions().size(), 8);
      QCOMPARE(menu.actions().at(0)->text(), QStringLiteral("&0 /f6"));
    }  // destroyed while active: saved
    const settings::TIniFile file(ini);
    QCOMPARE(file.ReadInteger("History", "Count", 0), 8);
    QCOMPARE(file.ReadString("History", "H1", ""), QStringLiteral("/a&b"));

    QMenu again;
    THistoryMenu restored(&again, nullptr, ini);
    QCOMPARE(restored.List().Items().first(), QStringLiteral("/f6"));
    QCOMPARE(again.actions().size(), 8);
    restored.SetActive(false);
    QCOMPARE(again.actions().size(), 0);
    restored.SetActive(true);
    QCOMPARE(again.actions().size(), 8);
  }

  void menusHaveCaptionsShortcutsAndStates() {
    QMainWindow window;
    const TMainMenus m = BuildMainMenus(&window);
    struct Row {
      const char* name;
      const char* caption;
      QKeySequence shortcut;
      bool enabled;
    };
    const Row rows[] = {
        {"Delete1", "削除(&D)", QKeySequence(Qt::Key_Delete), false},
        {"Rename1", "名前の変更(&N)...", QKeySequence(Qt::Key_F2), false},
        {"Copy1", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C), false},
        {"GoTo1", "移動(&M)", QKeySequence(Qt::CTRL | Qt::Key_M), false},
        {"JPEG1", "JPEGで保存(&J)", QKeySequence(Qt::CTRL | Qt::Key_J), false},
        {"Refresh1", "最新の情報に更新(&R)", QKeySequence(Qt::Key_F5), true},
        {"SortDate1", "日付(&D)", QKeySequence(), true},
        {"UpFolder1", "1つ上の階層へ(&U)", QKeySequence(), true},
        {"Option1", "オプション(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O), false},
        {"SlideStart1", "開始(&S)", QKeySequence(Qt::CTRL | Qt::Key_S), false},
        {"OpenHelp1", "ヘルプ(&H)...", QKeySequence(Qt::Key_F1), false},
        {"Exit1", "QIVO2の終了(&X)", QKeySequence(), true},
    };
    for (const Row& r : rows) {
      QAction* a = m[r.name];
      QVERIFY2(a, r.name);
      QCOMPARE(a->text(), QString::fromUtf8(r.caption));
      QCOMPARE(a->shortcut(), r.shortcut);
      QCOMPARE(a->isEnabled(), r.enabled);
    }
    // Menu bar order and the hidden items: out of the menus, their shortcuts still live.
    QStringList top;
    for (QAction* a : window.menuBar()->actions()) top << a->objectName();
    QCOMPARE(top, (QStringList{"File1", "Edit1", "Show1", "Tool1", "Folder1", "SlideShow1", "Help1"}));
    for (const char* hidden : {"Paste1", "SlideCopy1", "SetTreeView1", "DblClick1"}) {
      QVERIFY2(!m.Edit1->actions().contains(m[hidden]) && !m.Show1->actions().contains(m[hidden]), hidden);
      QVERIFY2(window.actions().contains(m[hidden]), hidden);
    }
    QVERIFY(!m.Toolbar1->menuAction()->isVisible());
    QVERIFY(m["SetTreeView1"]->isChecked());
    QVERIFY(m["DblClick1"]->shortcuts().contains(QKeySequence(Qt::Key_Return)));
    QVERIFY(m["SortName1"]->isChecked() && m["ToolbarR"]->isChecked());
    // No two actions of the window share a shortcut.
    QHash<QKeySequence, QString> seen;
    for (QAction* a : window.findChildren<QAction*>())
      for (const QKeySequence& k : a->shortcuts()) {
        QVERIFY2(!seen.contains(k), qPrintable(a->objectName() + " and " + seen.value(k)));
        seen.insert(k, a->objectName());
      }
    // The catalogue's popup repeats the main captions.
    QCOMPARE(m["FullScreen2"]->text(), m["FullScreen1"]->text());
    QCOMPARE(m.PopupMenu1->actions().size(), 11);
  }

  void toolbarsHoldTheirButtons() {
    QMainWindow window;
    const TMainMenus m = BuildMainMenus(&window);
    QCOMPARE(window.toolBarArea(m.tb97Btn), Qt::TopToolBarArea);
    QCOMPARE(window.toolBarArea(m.tb97Command), Qt::RightToolBarArea);
    QStringList right;
    for (QAction* a : m.tb97Command->actions())
      if (!a->isSeparator()) right << a->objectName();
    QCOMPARE(right, (QStringList{"tbtnLastPage", "tbtnNextPage", "tbtnPrevPage", "tbtnFirstPage", "tbtnSlideStart",
                                 "tbtnRealSize", "tbtnFullScreen"}));
    QCOMPARE(m["tbtnUndo"]->toolTip(), QStringLiteral("戻る"));
    QCOMPARE(m["tbtnMedia"]->toolTip(), QStringLiteral("メディアファイルの再生"));
    QCOMPARE(m.Button("tbtnUndo")->menu(), m.UndoPopup);
    QCOMPARE(m.Button("tbtnRedo")->width(), 34);
    QVERIFY(!m["tbtnUndo"]->isEnabled());
    for (QAction* a : m.tb97Btn->actions())
      if (!a->isSeparator()) QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
    QVERIFY(!ProgramIcon().pixmap(32, 32).isNull());
    QVERIFY(!ToolbarIcon("tobmp").pixmap(16, 16).isNull());
  }

  void statusBarPanels() {
    TStatusBar bar;
    const QList<QLabel*> labels = bar.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 5);
    QList<int> widths;
    for (int i = 0; i < 5; ++i) widths << bar.findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->width();
    QCOMPARE(widths, (QList<int>{140, 140, 130, 140, 700}));
    bar.SetPanelText(0, "x");
    bar.SetPanelText(2, "y");
    bar.SetPanelText(9, "ignored");
    bar.ClearPanels(1, 3);
    QCOMPARE(bar.PanelText(0), QStringLiteral("x"));
    QCOMPARE(bar.PanelText(2), QString());
  }
};

QTEST_MAIN(MainWidgetsTest)
#include "main_widgets_qtest.moc"
