#pragma once
// TImgPanel: the catalogue control. Shows one folder's entries (or a free list of files)
// as a grid of equal cells, one page at a time, drawn into an off-screen bitmap whose page
// background is drawn once and copied cell by cell; a vertical scroll bar counts rows.
//
// Hooks for the thumbnail loader (thumb_*, img_util*, img_list*, img_thread*):
//  - SetLoader(TThumbnailLoader*): the panel calls AddAndStart for each image entry without
//    a thumbnail that comes into view (a page shown, a scroll, a resize, a listing, the
//    store emptied; never while drawing), to end = LookAhead; AddBatch for each listed non-folder in
//    look-ahead mode, ClearQueue on a page change without look-ahead, Stop before every
//    refresh / folder change / colour or font change / destruction, Restart after a listing,
//    and JobDone after each completion event was handled (Busy := false; Start next).
//  - SetImageTypeTest(fn): the picture-kind test of a path (TImgUtil::DetectType, pure).
//    Without it (or without a loader) every entry is drawn with its icon.
//  - VisibleFirstIds(): Ids of image entries still to load, the page first (top-left first),
//    then the rest in list order.
//  - Completion: post a catalog::TThumbDoneEvent (panel_events.h) to the panel. The panel's
//    event() checks the Id, stores Picture as the entry's thumbnail (StoreThumbnail) or
//    marks the entry not an image, raises OnImageLoaded, calls loader->JobDone(), and
//    redraws the cell. StoreThumbnail(item, picture, w, h) may also be called directly.
//  - Thumbnails are kept in the panel's thumbnail store (ThumbIndex); the drawing of an
//    entry copies the thumbnail when the entry has one, else its icon picture. Drawing and
//    painting change no entry and queue nothing.
// Hooks for the shell verbs, in-place renaming, context menu and drag (defined in
// imgpanel_verbs.cpp as do-nothing stubs until that work replaces them): InvokeVerb,
// EditCaption, EndEdit, ShowContextMenu, BeginDrag, PasteFiles, ArmRenameClick (the rename
// click; any key, a new left press and focus loss cancel it through CancelRenameClick).
#include <QColor>
#include <QImage>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "catalog/file_clip.h"
#include "catalog/img_list.h"
#include "catalog/panel_events.h"
#include "catalog/panel_layout.h"
#include "catalog/shell_change.h"
#include "catalog/shell_item.h"
#include "catalog/thumbnail_source.h"

class QMenu;
class QScrollBar;
class QTimer;

namespace catalog {

class TImgInplaceEdit;

enum class TBorderStyle { bsNone, bsSingle };
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TIconPosition { iipLeftTop, iipLeftBottom, iipRightTop, iipRightBottom, iipNone };
enum class TDragType { idtCopy = 1, idtMove = 2, idtLink = 4 };

struct TIconSpacing {
  int X = 15, Y = 32;
  friend bool operator==(const TIconSpacing&, const TIconSpacing&) = default;
};

struct TFrameStyle {
  bool Visible = true;
  QColor Color;  // clInactiveBorder unless set
  int Width = 1;
  friend bool operator==(const TFrameStyle&, const TFrameStyle&) = default;
};

struct TBlankSpace {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TBlankSpace&, const TBlankSpace&) = default;
};

struct TSmallIcon {
  TIconPosition IconPos = TIconPosition::iipRightBottom;
  int Space = 2;
  friend bool operator==(const TSmallIcon&, const TSmallIcon&) = default;
};

// Cell drawing and thumbnail settings; set as a whole with TImgPanel::SetViewImage.
struct TViewImage {
  int ImageWidth = 94, ImageHeight = 94;
  TBevelCut BevelInner = TBevelCut::bvNone, BevelOuter = TBevelCut::bvNone;
  int BevelWidth = 1;
  int BorderWidth = 0;
  TBorderStyle BorderStyle = TBorderStyle::bsNone;
  TFrameStyle Frame;
  TFrameStyle SelectFrame{true, QColor(), 3};  // clHighlight unless set
  TBlankSpace BlankSpace;
  TDispImage DispImage;
  bool LookAhead = false;
  bool BigIcon = false;
  int BigIconSize = 48;
  TSmallIcon SmallIcon;
  friend bool operator==(const TViewImage&, const TViewImage&) = default;
};

struct TDefaultExec {
  bool DblClick = true;
  bool ColumnSort = true;
  bool DropSource = true;
  bool DropTarget = true;
  int DragType = 7;  // set of TDragType bits
};

// The host's popup menu and the shell menu switches (context menu work uses them).
struct TImgPanelPopupMenu {
  enum : unsigned {
    ictNormal = 0, ictDefaultOnly = 1, ictVerbsOnly = 2, ictExplore = 4, ictNoverbs = 8, ictCanRename = 0x10,
    ictNoDefault = 0x20, ictIncludeStatic = 0x40
  };
  unsigned ContextMenuType = ictExplore | ictCanRename;
  int ShellMenuPos = 0;
  QPointer<QMenu> PopupMenu;
  bool Enabled = true;
};

class TImgPanel : public QWidget, public TPanelItemsOwner, public TThumbnailSource {
  Q_OBJECT
 public:
  explicit TImgPanel(QWidget* parent = nullptr);
  ~TImgPanel() override;

  // ---- published properties ----
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TDefaultExec& DefaultExec() { return defaultExec_; }
  bool Descend() const { return descend_; }
  void SetDescend(bool v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v) { multiSelect_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool ScrollBar() const { return scrollBarOn_; }
  void SetScrollBar(bool v);
  TSortTypeEx SortType() const { return sortType_; }
  void SetSortType(TSortTypeEx v);
  // View: ShowCaptions, DispTypes (its OnChange lists again), IconSpacing.
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool v);
  TDispTypes& DispTypes() { return dispTypes_; }
  TIconSpacing IconSpacing() const { return iconSpacing_; }
  void SetIconSpacing(TIconSpacing v);
  const TViewImage& ViewImage() const { return viewImage_; }
  void SetViewImage(const TViewImage& v);
  TViewMode ViewMode() const { return viewMode_; }
  void SetViewMode(TViewMode v);
  TImgPanelPopupMenu& ImgPopupMenu() { return popupMenu_; }
  QColor Color() const { return color_; }
  void SetColor(const QColor& c);

  // ---- events (first argument: the sender) ----
  std::function<void(TImgPanel*, TPanelItem*)> OnImageLoad, OnImageLoaded, OnSelectItem;
  std::function<void(TImgPanel*)> OnChangeFolder;
  std::function<void(TImgPanel*, TPanelItem*, bool& allow)> OnEditing;
  std::function<void(TImgPanel*, TPanelItem*, QString& newName)> OnEdited;
  std::function<void(TImgPanel*, TPanelItem*, QRect pictureRect, QPainter& canvas)> OnDrawItem;
  std::function<void(TImgPanel*, TPanelItem*, bool& accept)> OnImgItemAdd;
  // Drag and drop of files onto the control (effect: what the drop will do; clearing
  // accept refuses it).
  struct TShiftState {
    Qt::MouseButtons Buttons;
    Qt::KeyboardModifiers Keys;
  };
  using TFileDropTargetEvent =
      std::function<void(TImgPanel*, TFileDataObject&, bool& accept, Qt::DropAction& effect, TShiftState shift)>;
  TFileDropTargetEvent OnFileDragEnter, OnFileDragOver, OnFileDragDrop;
  std::function<void(TImgPanel*)> OnFileDragLeave;
  std::function<void(TImgPanel*)> OnClick, OnDblClick;
  std::function<void(TImgPanel*, QKeyEvent*)> OnKeyDown, OnKeyUp;
  // Set handled to keep the panel's own wheel scrolling (three lines) from running.
  std::function<void(TImgPanel*, QWheelEvent*, bool& handled)> OnMouseWheel;

  // ---- operations ----
  void SetFolder(const QString& path);
  void SetFolderId(shell::PCIDL absoluteId);
  shell::PCIDL FolderIdList() const { return folderId_.get(); }
  QString FolderPath() const;
  void Refresh(bool resetPosition);
  void RefreshThumbnails();
  TPanelItem* AddFile(const QString& path);  // file-list mode
  void ShowPage(int topIndex);
  void MakeVisible(int index);
  void FirstPage();
  void PriorPage();
  void NextPage();
  void LastPage();
  void LineUp();
  void LineDown();
  void SelectItem(int index, Qt::KeyboardModifiers shift, bool fromKeyboard);
  void SelectAll();
  void InvertSelection();
  void ClearSelection();
  void SelectOnly(int index);
  // Selects the entry and opens it as a double click does (assistive technology's default action).
  void ActivateItem(int index);
  void DrawItem(int index);

  TPanelItems& Items() { return items_; }
  int Count() const { return items_.Count(); }
  TPanelItem* Item(int i) const { return items_.Item(i); }
  int TopIndex() const { return top_; }
  int CurrentIndex() const { return current_; }
  TPanelItem* Current() const { return current_ >= 0 && current_ < Count() ? Item(current_) : nullptr; }
  int FocusIndex() const { return focus_; }
  int AnchorIndex() const { return anchor_; }
  int SelCount() const { return int(selection_.size()); }
  // Selected entry indexes in selection order.
  const std::vector<int>& Selection() const { return selection_; }
  std::vector<TPanelItem*> SelectedItems() const;
  // Entries held across an event loop (see TEntryKey): the key of a position, and the entry
  // found again afterwards (-1 / null when another program took it away meanwhile).
  TEntryKey EntryKey(int index) const { return items_.KeyOf(index); }
  int IndexOfEntry(const TEntryKey& key) const { return items_.IndexOfKey(key); }
  TPanelItem* FindEntry(const TEntryKey& key) const {
    const int i = IndexOfEntry(key);
    return i < 0 ? nullptr : Item(i);
  }
  int Columns() const { return grid_.columns; }
  int Rows() const { return grid_.rows; }
  int CellsPerPage() const { return grid_.perPage(); }
  const TCellMetrics& Metrics() const { return metrics_; }
  // Entry index under a point of the client area, or -1.
  int ItemAtPos(QPoint p) const;
  // Page-bitmap rectangles of an entry on the page (empty when it is not on the page).
  QRect CellRect(int index) const;
  QRect CaptionRect(int index) const;
  const QImage& PageImage() const { return page_; }

  // ---- thumbnail hooks ----
  void SetLoader(TThumbnailLoader* loader) { loader_ = loader; }
  TThumbnailLoader* Loader() const { return loader_; }
  void SetImageTypeTest(std::function<TImageType(const QString&)> test) { typeTest_ = std::move(test); }
  std::vector<int> VisibleFirstIds() const;
  // TThumbnailSource
  QObject* ThumbReceiver() override { return this; }
  TPanelItems& ThumbItems() override { return items_; }
  QSize ThumbBox() const override;
  qreal ThumbScale() const override { return thumbScale_; }
  void ThumbImageLoad(TPanelItem* item) override {
    if (OnImageLoad) OnImageLoad(this, item);
  }
  void ThumbSetLoader(TThumbnailLoader* loader, TImageTypeTest test) override {
    SetLoader(loader);
    SetImageTypeTest(std::move(test));
  }
  TThumbnailLoader* ThumbLoader() const override { return loader_; }
  // Stores a picture as the entry's thumbnail, marks it Loaded, records the source size and
  // redraws its cell. Returns the store index, or -1 when the store is full and the entry
  // is not on the page (it is left to load again when shown).
  int StoreThumbnail(TPanelItem* item, const graphics::TBitmap& picture, int sourceWidth, int sourceHeight);
  // The same by entry Id; -1 when no listed entry has that Id (a stale job).
  int StoreThumbnail(int id, const graphics::TBitmap& picture, int sourceWidth, int sourceHeight);
  // Empties the thumbnail store; the page is drawn again and its entries queued.
  void ClearThumbnails();
  // The thumbnail store's cap in bytes (0: none). When it is reached the thumbnails shown
  // least recently are dropped and loaded again (from the cache file) when shown again.
  void SetThumbMemory(int64_t bytes) { thumbs_.SetMemoryLimit(bytes); }
  int64_t ThumbMemory() const { return thumbs_.MemoryLimit(); }
  const TImgList& ThumbStore() const { return thumbs_; }
  // ViewImage().LookAhead without listing again: the rest of the folder is queued behind
  // the visible page, or dropped from the queue.
  void SetLookAhead(bool on);
  static constexpr int64_t kDefaultThumbMemory = int64_t(64) << 20;
  // Handles one completion event (also reached through event()).
  virtual void ThumbnailDone(TThumbDoneEvent& e);

  // ---- shell verbs, renaming, menu, drag (imgpanel_verbs.cpp) ----
  enum TVerb { vbCopy = 0, vbPaste = 1, vbCut = 2, vbDelete = 3 };
  virtual bool InvokeVerb(TVerb verb);
  virtual bool EditCaption(int index);
  virtual void EndEdit();
  virtual void ShowContextMenu(QPoint globalPos);
  virtual void BeginDrag(Qt::MouseButton button);
  virtual void PasteFiles();
  // A left click on an already selected entry (client coordinates of the click).
  virtual void ArmRenameClick(QPoint clientPoint);
  // The context menu ShowContextMenu shows: the host's items and, when ImgPopupMenu is
  // Enabled, the shell items for the entries it acts on. Null when there is no current entry.
  std::unique_ptr<QMenu> BuildContextMenu();
  // The host's file commands behind the verbs, paste and drop: copy or move into a folder
  // with the host's questions (true when every file was done), the Trash with its
  // confirmation, the properties window. Unset: that command does nothing.
  std::function<bool(TTransfer, const QStringList& sources, const QString& folder)> TransferFiles;
  std::function<bool(const QStringList& paths)> TrashFiles;
  std::function<void(const QString& path)> ShowProperties;
  // Says why an in-place rename was refused (default: a warning box; tests replace it).
  std::function<void(const QString& text)> RenameRefusedBox;
  // Opens with the desktop's association whatever the entry is (tests replace it).
  std::function<void(const QString& path)> OpenWithAssociation;
  // Asks what a drop of this control's own right-button drag does (tests replace it).
  std::function<std::optional<TTransfer>(QPoint globalPos)> AskDropAction;
  // A drop of files at a client point with the action the drag proposes; ownDrag: the
  // button of this control's own drag when the files come from it. Returns what was done.
  Qt::DropAction DropFiles(const QMimeData* data, QPoint pos, Qt::DropAction action, Qt::MouseButton ownDrag);
  TShellChangeNotification& ShellChangeNotification() { return *notify_; }
  TImgInplaceEdit* InplaceEdit() const { return editor_; }
  void CancelRenameClick() { renameClickArmed_ = false; }
  bool RenameClickArmed() const { return renameClickArmed_; }

  // TPanelItemsOwner
  FolderPtr PanelFolder() const override { return folder_; }
  shell::PCIDL PanelFolderId() const override { return folderId_.get(); }
  bool PanelFileMode() const override { return viewMode_ == TViewMode::ivmFile; }
  TDispImage PanelDispImage() const override { return viewImage_.DispImage; }
  TImageType PanelDetectType(const QString& path) const override;
  void PanelNavigateId(shell::PCIDL absoluteId) override { SetFolderId(absoluteId); }
  void PanelNavigatePath(const QString& path) override { SetFolder(path); }
  void PanelExecute(const QString& path) override;
  // Replaces how files are opened (tests; default: the desktop's association).
  std::function<void(const QString&)> ExecuteFile;
  // Folder change notification: stopped before a folder is left or renamed in, started on
  // the folder shown.
  std::function<void(TImgPanel*)> ChangeNotifyStop, ChangeNotifyStart;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void changeEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

  // Rename-click and drag state, for the verbs work.
  bool renameClickArmed_ = false;
  QPoint renameClickPoint_;
  bool dragArmed_ = false;
  Qt::MouseButton dragButton_ = Qt::NoButton;
  QPoint dragPoint_;

 private:
  // Change notification, verbs, drag and drop, in-place editing (imgpanel_live.cpp,
  // imgpanel_verbs.cpp).
  void initLive();
  // The change notification's refresh: the page stays and the current, focused and selected
  // entries stay on the same files where those still exist.
  void changeRefresh();
  void commitEdit(int index, const QString& text);
  void renameClickFired();
  QStringList verbTargets(uint32_t attributes);
  bool transfer(TTransfer kind, const QStringList& files, const QString& folder);
  // The effect of a drag over the control, raising the handler; IgnoreAction when refused.
  Qt::DropAction dragEffect(const QMimeData* data, Qt::DropActions possible, Qt::DropAction proposed,
                            Qt::MouseButton ownDrag, TShiftState shift, const TFileDropTargetEvent& handler);
  bool fileDragEvent(QDropEvent* e, const TFileDropTargetEvent& handler);
  void dragEdgeScroll();
  void layoutPanel();
  void updateMetrics();
  void updateScrollBar(bool reset = false);
  void drawPageBackground();
  void drawEntry(int index, bool invalidate);
  void drawFrame(QPainter& p, QRect outer, bool highlighted);
  void drawPicture(QPainter& p, int index, QRect picture);
  void drawCaption(QPainter& p, int index, QRect cell);
  QString captionLine(int index) const;
  // Queues the entry's thumbnail or makes its icon picture: what drawing it needs.
  void prepareEntry(int index);
  void prepareIcon(TPanelItem* item);
  const QImage* iconOf(const TPanelItem* item) const;
  QIcon systemIcon(const TPanelItem* item) const;
  void clearThumbStore();
  // Deselects every entry but keep (-1: all), in time linear in the selection.
  void deselectAllBut(int keep);
  void redrawSelectionAndFocus();
  void listAgain();
  void scrollTo(std::optional<int> top);
  void toggleSelected(int index);
  void setSelected(int index, bool on);
  void openCurrent();
  // Tells assistive technology where the focus and selection went.
  void notifyAccessibleFocus();
  TPager pager() const { return TPager{Count(), top_ < 0 ? 0 : top_, grid_}; }
  bool isImage(int index);
  TLayoutParams layoutParams() const;
  QRect clientArea() const;

  TPanelItems items_;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
  TDefaultExec defaultExec_;
  bool descend_ = false;
  bool hideSelection_ = true;
  bool multiSelect_ = false;
  bool readOnly_ = false;
  bool scrollBarOn_ = true;
  TSortTypeEx sortType_ = TSortTypeEx::istName;
  bool showCaptions_ = true;
  TDispTypes dispTypes_;
  TIconSpacing iconSpacing_{4, 4};
  TViewImage viewImage_;
  TViewMode viewMode_ = TViewMode::ivmFolder;
  TImgPanelPopupMenu popupMenu_;
  QColor color_ = Qt::white;

  FolderPtr folder_;
  shell::TIdListPtr folderId_;
  bool opened_ = false;

  QImage page_;  // off-screen bitmap, client size
  QScrollBar* scroll_ = nullptr;
  TCellMetrics metrics_;
  TPageGrid grid_;
  TPageGrid drawnGrid_;
  bool metricsRead_ = false;
  bool inLayout_ = false;
  int textHeight_ = 0, externalLeading_ = 0;

  int top_ = -1;
  int current_ = -1;
  int focus_ = -1;
  int anchor_ = -1;
  std::vector<int> selection_;

  TThumbnailLoader* loader_ = nullptr;
  std::function<TImageType(const QString&)> typeTest_;
  TImgList thumbs_;
  qreal thumbScale_ = 1;
  std::vector<QImage> icons_;
  QMap<QString, int> iconKeys_;  // "sysIconIndex/overlay" -> icons_ index

  TShellChangeNotification* notify_ = nullptr;
  TFolderStamp listedSince_ = 0;
  bool changeWhileEditing_ = false;
  TEntryKey editEntry_;  // the entry being renamed in place
  TImgInplaceEdit* editor_ = nullptr;
  QTimer* renameTimer_ = nullptr;
  QTimer* dragScrollTimer_ = nullptr;
  qint64 lastDragScroll_ = 0;
  int dragScrollDirection_ = 0;
  Qt::MouseButton draggingOut_ = Qt::NoButton;  // the button of this control's own drag
  // The open context menu and the entry it was opened on: it closes when a listing finds
  // that entry gone, so none of its commands acts on the entry that took its place.
  QPointer<QMenu> contextMenu_;
  TEntryKey contextEntry_;
};

}  // namespace catalog
