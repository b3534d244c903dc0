#pragma once
// The main window's menus and toolbars: MainMenu1 with every item (caption, access key,
// shortcut), PopupMenu1 for the catalogue, UndoPopup/RedoPopup, and the toolbars tb97Btn
// (top) and tb97Command (right). Items are QActions named as the menu items; a toolbar
// button is its own action named after the button. Commands whose window parts come later
// are created disabled; the code that implements one enables it.
// Hidden items are not in the menus: they are actions of the window itself, so their
// shortcuts (DblClick1's Enter) still work.
#include <QHash>
#include <QIcon>
#include <QString>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace app {

struct TMainMenus {
  QMenu* File1 = nullptr;
  QMenu* History1 = nullptr;
  QMenu* Edit1 = nullptr;
  QMenu* Show1 = nullptr;
  QMenu* Toolbar1 = nullptr;  // hidden
  QMenu* OpenByOther1 = nullptr;
  QMenu* Sort1 = nullptr;
  QMenu* CatPage1 = nullptr;
  QMenu* Tool1 = nullptr;
  QMenu* Folder1 = nullptr;
  QMenu* SlideShow1 = nullptr;
  QMenu* SlideInterval1 = nullptr;
  QMenu* Help1 = nullptr;

  QMenu* PopupMenu1 = nullptr;
  QMenu* UndoPopup = nullptr;
  QMenu* RedoPopup = nullptr;

  QToolBar* tb97Btn = nullptr;
  QToolBar* tb97Command = nullptr;

  QActionGroup* SortGroup = nullptr;
  QActionGroup* ToolbarGroup = nullptr;
  QActionGroup* SlideIntervalGroup = nullptr;

  // Every item, popup item and toolbar button by name ("SortName1", "tbtnUndo", "Copy2").
  QHash<QString, QAction*> Actions;
  QAction* operator[](const QString& name) const { return Actions.value(name); }
  // The tool button of a toolbar action (null when it has none).
  QToolButton* Button(const QString& name) const;
};

// Builds everything on the window: menu bar, toolbars in their docks, popup menus.
TMainMenus BuildMainMenus(QMainWindow* window);

// Icon of a toolbar glyph: the icon theme's icon when the desktop has one, else ours.
QIcon ToolbarIcon(const QString& glyph);
// The program's icon.
QIcon ProgramIcon();

}  // namespace app
