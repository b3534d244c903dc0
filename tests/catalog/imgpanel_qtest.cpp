#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <unistd.h>

#include "catalog/widgets/imgpanel.h"

using namespace catalog;

namespace {

// Records what the panel asks of the thumbnail loader.
class FakeLoader : public TThumbnailLoader {
 public:
  void AddAndStart(int id, bool toEnd) override { calls << QString("add %1 %2").arg(id).arg(int(toEnd)); }
  void AddBatch(int id, bool) override { calls << QString("batch %1").arg(id); }
  void ClearQueue() override { calls << "clear"; }
  void Stop() override { calls << "stop"; }
  void Restart() override { calls << "restart"; }
  void JobDone() override { calls << "done"; }
  QStringList calls;
};

}  // namespace

class ImgPanelTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir;
  std::unique_ptr<TImgPanel> panel;

  // The main window's cell settings.
  void mainWindowSettings(TImgPanel& p) {
    p.SetBorderStyle(TBorderStyle::bsNone);
    p.SetMultiSelect(true);
    p.SetIconSpacing({0, 4});
    TViewImage v = p.ViewImage();
    v.ImageWidth = 100;
    v.ImageHeight = 80;
    v.BorderStyle = TBorderStyle::bsSingle;
    v.Frame.Visible = false;
    v.SelectFrame.Visible = false;
    p.SetViewImage(v);
  }
  int scrollWidth() { return panel->findChild<QScrollBar*>()->sizeHint().width(); }
  void resizeClient(int w, int rows) {
    panel->resize(w + scrollWidth(), rows * panel->Metrics().CHt + panel->Metrics().CHt / 2);
    QCoreApplication::processEvents();
  }
  QPoint cellPoint(int index) { return panel->CellRect(index).topLeft() + QPoint(50, 40); }
  QList<int> selection() {
    QList<int> s(panel->Selection().begin(), panel->Selection().end());
    return s;
  }
  void textFilesAreImages() {
    panel->SetImageTypeTest([](const QString& p) { return p.endsWith(".txt") ? TImageType::iitTxt : TImageType::iitNone; });
  }
  // Where entry 0's picture box lies on the page bitmap.
  QRect pictureBox() {
    const QPoint at = panel->CellRect(0).topLeft() + QPoint(panel->Metrics().Px, panel->Metrics().Py);
    return QRect(at, QSize(panel->ViewImage().ImageWidth, panel->ViewImage().ImageHeight));
  }
  // Every entry's state that drawing must leave alone.
  QStringList entryStates() {
    QStringList s;
    for (int i = 0; i < panel->Count(); ++i) {
      const TPanelItem* it = panel->Item(i);
      s << QString("%1 %2 %3 %4 %5")
               .arg(it->Loaded)
               .arg(it->ThumbIndex)
               .arg(it->IconIndex)
               .arg(it->SkipRenameClick)
               .arg(it->Selected);
    }
    return s;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    for (int i = 0; i < 23; ++i) {
      QFile f(dir.path() + QString("/f%1.txt").arg(i, 2, 10, QChar('0')));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
  }

  void init() {
    // Each case starts from the same 23 files, whatever an earlier failure left behind.
    QDir(dir.path() + "/sub").removeRecursively();
    for (int i = 0; i < 23; ++i) {
      const QString name = QString("f%1.txt").arg(i, 2, 10, QChar('0'));
      QFile::rename(dir.path() + "/." + name, dir.path() + "/" + name);
    }
    panel = std::make_unique<TImgPanel>();
    mainWindowSettings(*panel);
    resizeClient(520, 2);
    panel->SetFolder(dir.path());
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    panel->activateWindow();
    panel->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
  }

  void cleanup() {
    panel->SetLoader(nullptr);  // a failed check may leave a loader that no longer lives
    panel.reset();
  }

  void layoutOfTheMainWindow() {
    QCOMPARE(panel->Metrics().OW, 104);
    QCOMPARE(panel->Metrics().CW, 104);
    QCOMPARE(panel->Columns(), 5);
    QCOMPARE(panel->Rows(), 2);
    QCOMPARE(panel->Count(), 23);
    auto* bar = panel->findChild<QScrollBar*>();
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 3);
    resizeClient(519, 2);
    QCOMPARE(panel->Columns(), 4);
  }

  void iconsSharedByKey() {
    // All entries are text files with the same icon: one stored picture serves them all.
    QVERIFY(panel->Item(0)->Loaded);
    QVERIFY(panel->Item(0)->IconIndex >= 0);
    for (int i = 1; i < panel->CellsPerPage(); ++i) QCOMPARE(panel->Item(i)->IconIndex, panel->Item(0)->IconIndex);
    QCOMPARE(panel->Item(panel->CellsPerPage())->IconIndex, -1);  // off the page: not drawn yet
  }

  void pagingAndMakeVisible() {
    QCOMPARE(panel->TopIndex(), 0);
    panel->NextPage();
    QCOMPARE(panel->TopIndex(), 10);
    panel->NextPage();
    QCOMPARE(panel->TopIndex(), 15);
    QCOMPARE(panel->findChild<QScrollBar*>()->value(), 3);
    panel->FirstPage();
    QCOMPARE(panel->TopIndex(), 0);
    panel->MakeVisible(22);
    QCOMPARE(panel->TopIndex(), 15);
    panel->LineUp();
    QCOMPARE(panel->TopIndex(), 10);
    panel->PriorPage();
    QCOMPARE(panel->TopIndex(), 0);
    panel->LastPage();
    QCOMPARE(panel->TopIndex(), 15);
  }

  void arrowsStopAtRowEnds() {
    struct Step {
      int key;
      int focus;
    } steps[] = {
        {Qt::Key_Right, 1}, {Qt::Key_Right, 2}, {Qt::Key_Right, 3}, {Qt::Key_Right, 4},
        {Qt::Key_Right, 4},  // end of the row
        {Qt::Key_Down, 9},   {Qt::Key_Left, 8},  {Qt::Key_Home, 0},
        {Qt::Key_Left, 0},   // start of the row
        {Qt::Key_Up, 0},     {Qt::Key_End, 22}, {Qt::Key_Right, 22}, {Qt::Key_Down, 22}, {Qt::Key_Up, 17},
    };
    panel->SelectItem(0, Qt::NoModifier, false);
    for (const auto& s : steps) {
      QTest::keyClick(panel.get(), Qt::Key(s.key));
      QCOMPARE(panel->FocusIndex(), s.focus);
      QCOMPARE(selection(), QList<int>{s.focus});
      QCOMPARE(panel->CurrentIndex(), s.focus);
    }
  }

  void pageKeys() {
    panel->SelectItem(3, Qt::NoModifier, false);
    QTest::keyClick(panel.get(), Qt::Key_PageDown);
    QCOMPARE(panel->FocusIndex(), 13);
    QCOMPARE(panel->TopIndex(), 5);  // row of 13 is the last row of the page
    QTest::keyClick(panel.get(), Qt::Key_PageDown);
    QCOMPARE(panel->FocusIndex(), 18);  // same column, last row that holds it
    QCOMPARE(panel->TopIndex(), 10);
    QTest::keyClick(panel.get(), Qt::Key_PageUp);
    QCOMPARE(panel->FocusIndex(), 8);
    QTest::keyClick(panel.get(), Qt::Key_PageUp);
    QCOMPARE(panel->FocusIndex(), 3);  // f mod columns
    QCOMPARE(panel->TopIndex(), 0);
    QTest::keyClick(panel.get(), Qt::Key_End);
    QCOMPARE(panel->TopIndex(), 15);
    QTest::keyClick(panel.get(), Qt::Key_Home);
    QCOMPARE(panel->TopIndex(), 0);
    // Shift extends from the anchor.
    QTest::keyClick(panel.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(panel.get(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(selection(), (QList<int>{0, 1, 2, 3, 4, 5, 6}));
    QCOMPARE(panel->AnchorIndex(), 0);
    // Ctrl with an arrow only moves the focus; Ctrl+Space toggles.
    QTest::keyClick(panel.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(panel->FocusIndex(), 7);
    QCOMPARE(selection().size(), 7);
    QTest::keyClick(panel.get(), Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(selection().size(), 8);
    QTest::keyClick(panel.get(), Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(selection().size(), 7);
  }

  void selectAllAndInvert() {
    panel->SelectItem(2, Qt::NoModifier, false);
    QTest::keyClick(panel.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(panel->SelCount(), 23);
    QTest::keyClick(panel.get(), Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(panel->SelCount(), 0);
    QTest::keyClick(panel.get(), Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(panel->SelCount(), 23);
    QCOMPARE(panel->Selection().front(), 0);
    QCOMPARE(panel->Selection().back(), 22);
    panel->SetMultiSelect(false);
    panel->ClearSelection();
    QTest::keyClick(panel.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(panel->SelCount(), 0);
    QCOMPARE(panel->CurrentIndex(), -1);
  }

  void mouseSelection() {
    QList<int> events;
    panel->OnSelectItem = [&](TImgPanel*, TPanelItem* item) { events << panel->Items().IndexOf(item); };
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    QCOMPARE(selection(), QList<int>{1});
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::ShiftModifier, cellPoint(3));
    QCOMPARE(selection(), (QList<int>{1, 2, 3}));
    QCOMPARE(panel->AnchorIndex(), 1);  // Shift does not move the anchor
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::ControlModifier, cellPoint(7));
    QCOMPARE(selection(), (QList<int>{1, 2, 3, 7}));  // added to the range
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::ControlModifier, cellPoint(2));
    QCOMPARE(selection(), (QList<int>{1, 3, 7}));
    QCOMPARE(events, (QList<int>{1, 3, 7, 2}));
    // A right click keeps a multiple selection when it hits a selected entry.
    QTest::mouseClick(panel.get(), Qt::RightButton, Qt::NoModifier, cellPoint(3));
    QCOMPARE(selection(), (QList<int>{1, 3, 7}));
    QTest::mouseClick(panel.get(), Qt::RightButton, Qt::NoModifier, cellPoint(4));
    QCOMPARE(selection(), QList<int>{4});
    // Outside every entry: the selection is cleared.
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, QPoint(525, 5));
    QCOMPARE(panel->SelCount(), 0);
    QCOMPARE(panel->CurrentIndex(), -1);
    // Without MultiSelect the modifiers of a click are ignored.
    panel->SetMultiSelect(false);
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::ShiftModifier, cellPoint(3));
    QCOMPARE(selection(), QList<int>{3});
  }

  void captionHitTest() {
    const QRect cap = panel->CaptionRect(0);
    QVERIFY(!cap.isEmpty());
    QCOMPARE(panel->ItemAtPos(cap.center()), 0);
    // Beside a narrow caption, below the picture: no entry.
    QCOMPARE(panel->ItemAtPos(QPoint(panel->CellRect(0).left() + 1, cap.center().y())), -1);
    QCOMPARE(panel->ItemAtPos(QPoint(panel->CellRect(0).left() + 1, cap.top())), 0);
  }

  void renameClickSkippedAfterUnfocusedDraw() {
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    QVERIFY(!panel->RenameClickArmed());
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    QVERIFY(panel->RenameClickArmed());  // a click on a selected entry
    QTest::keyClick(panel.get(), Qt::Key_Shift);
    QVERIFY(!panel->RenameClickArmed());  // any key cancels it
    // Drawn selected without the focus: the click that brings the focus back does not arm.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!panel->hasFocus());
    QVERIFY(panel->Item(1)->SkipRenameClick);
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    QVERIFY(!panel->RenameClickArmed());
    QVERIFY(!panel->Item(1)->SkipRenameClick);
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    QVERIFY(panel->RenameClickArmed());
  }

  void openWithEnterAndDoubleClick() {
    QDir(dir.path()).mkdir("sub");
    QFile(dir.path() + "/sub/inner.txt").open(QIODevice::WriteOnly);
    QStringList opened;
    panel->ExecuteFile = [&](const QString& p) { opened << p; };
    panel->Refresh(false);
    QCOMPARE(panel->Count(), 24);
    QCOMPARE(panel->Item(0)->GetDisplayName(), QString("sub"));  // folders first
    panel->SelectItem(1, Qt::NoModifier, false);
    QTest::keyClick(panel.get(), Qt::Key_Return);
    QCOMPARE(opened, QStringList{dir.path() + "/f00.txt"});
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(0));
    QTest::mouseDClick(panel.get(), Qt::LeftButton, Qt::NoModifier, cellPoint(0));
    QCOMPARE(panel->FolderPath(), dir.path() + "/sub");
    QCOMPARE(panel->Count(), 1);
    QCOMPARE(panel->TopIndex(), 0);
  }

  void thumbnailHooks() {
    FakeLoader loader;
    panel->SetLoader(&loader);
    panel->SetImageTypeTest([](const QString& p) { return p.endsWith(".txt") ? TImageType::iitTxt : TImageType::iitNone; });
    panel->Refresh(true);
    QCOMPARE(loader.calls.mid(0, 2), (QStringList{"stop", "restart"}));
    // The page is drawn first to last, each visible image entry queued at the front.
    QVERIFY(loader.calls.contains("clear"));
    const int firstId = panel->Item(0)->Id;
    QVERIFY(loader.calls.contains(QString("add %1 0").arg(firstId)));
    QVERIFY(!loader.calls.contains(QString("add %1 0").arg(panel->Item(10)->Id)));
    const std::vector<int> order = panel->VisibleFirstIds();
    QCOMPARE(int(order.size()), 23);
    QCOMPARE(order.front(), firstId);
    QCOMPARE(order[10], panel->Item(10)->Id);

    // A finished job: the picture becomes the entry's thumbnail.
    auto* done = new TThumbDoneEvent(firstId, 0);
    done->Picture = graphics::TBitmap(60, 40);
    done->SourceWidth = 600;
    done->SourceHeight = 400;
    loader.calls.clear();
    QCoreApplication::postEvent(panel.get(), done);
    // A stale Id changes nothing but still lets the loader go on.
    QCoreApplication::postEvent(panel.get(), new TThumbDoneEvent(987654, 0));
    // A failed job: drawn with its icon from now on.
    QCoreApplication::postEvent(panel.get(), new TThumbDoneEvent(panel->Item(1)->Id, -1));
    QCoreApplication::processEvents();
    QCOMPARE(panel->Item(0)->ThumbIndex, 0);
    QVERIFY(panel->Item(0)->Loaded);
    QCOMPARE(panel->Item(0)->ImageWidth, 600);
    QCOMPARE(panel->Item(1)->ThumbIndex, -1);
    QCOMPARE(panel->Item(1)->ImageType, TImageType::iitNone);
    QCOMPARE(loader.calls.count("done"), 3);
    // A second thumbnail for an entry that has one (drawn again while its job ran) changes
    // nothing: the entry stays a picture with its thumbnail.
    auto* again = new TThumbDoneEvent(firstId, 0);
    again->Picture = graphics::TBitmap(60, 40);
    QCoreApplication::postEvent(panel.get(), again);
    QCoreApplication::processEvents();
    QCOMPARE(panel->Item(0)->ThumbIndex, 0);
    QCOMPARE(panel->Item(0)->ImageType, TImageType::iitTxt);
    panel->SetLoader(nullptr);
  }

  void drawingAndPaintingChangeNothing() {
    FakeLoader loader;
    panel->SetLoader(&loader);
    textFilesAreImages();
    panel->Refresh(true);
    panel->SelectItem(2, Qt::NoModifier, false);
    loader.calls.clear();
    const QStringList before = entryStates();
    panel->repaint();
    for (int i = 0; i < panel->Count(); ++i) panel->DrawItem(i);
    panel->update();
    QCoreApplication::processEvents();
    QCOMPARE(loader.calls, QStringList());
    QCOMPARE(entryStates(), before);
    panel->SetLoader(nullptr);
  }

  void jobsQueuedAsThePageComesIntoView() {
    FakeLoader loader;
    panel->SetLoader(&loader);
    textFilesAreImages();
    panel->Refresh(true);
    auto adds = [&](int from, int to, bool toEnd) {
      QStringList s;
      for (int i = from; i != to; i += from < to ? 1 : -1)
        s << QString("add %1 %2").arg(panel->Item(i)->Id).arg(int(toEnd));
      return s;
    };
    // Without look-ahead: the queue is cleared, the page goes in first to last.
    loader.calls.clear();
    panel->NextPage();
    QCOMPARE(loader.calls, QStringList{"clear"} + adds(10, 20, false));
    loader.calls.clear();
    resizeClient(520, 3);  // a row more
    QCOMPARE(loader.calls, QStringList{"clear"} + adds(10, 23, false));
    // With look-ahead: kept queue, the page moved to the end last to first.
    resizeClient(520, 2);
    TViewImage v = panel->ViewImage();
    v.LookAhead = true;
    panel->SetViewImage(v);
    QCOMPARE(panel->TopIndex(), 0);
    loader.calls.clear();
    panel->NextPage();
    QCOMPARE(loader.calls, adds(19, 9, true));
    // Emptying the thumbnail store asks for the page again.
    loader.calls.clear();
    panel->ClearThumbnails();
    QCOMPARE(loader.calls, adds(19, 9, true));
    panel->SetLoader(nullptr);
  }

  void noWholeRowPagesNowhere() {
    panel->resize(520 + scrollWidth(), panel->Metrics().CHt / 2);
    QCoreApplication::processEvents();
    QCOMPARE(panel->Columns(), 5);
    QCOMPARE(panel->Rows(), 0);
    for (const int dy : {-120, -120, 120, -120}) {
      QWheelEvent wheel(QPointF(10, 10), panel->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, dy), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(panel.get(), &wheel);
      QCOMPARE(panel->TopIndex(), 0);
    }
    panel->LineDown();
    panel->NextPage();
    panel->LastPage();
    panel->MakeVisible(22);
    for (const auto key : {Qt::Key_PageDown, Qt::Key_End, Qt::Key_Down})
      QTest::keyClick(panel.get(), key);
    QCOMPARE(panel->TopIndex(), 0);
  }

  void iconsDrawnOnTheControlColour() {
    const QColor colour(10, 200, 30);
    panel->SetColor(colour);
    const QRect box = pictureBox();
    const int side = panel->style()->pixelMetric(QStyle::PM_LargeIconSize);
    // The icon is centred in the box; its corner is background, not the icon's glyph.
    const QPoint corner = box.topLeft() + QPoint((box.width() - side) / 2, (box.height() - side) / 2);
    QCOMPARE(panel->PageImage().pixelColor(corner), colour);
    QCOMPARE(panel->PageImage().pixelColor(box.topLeft()), colour);
  }

  void smallIconMarkWhereIconPosSays() {
    textFilesAreImages();
    const struct {
      TIconPosition pos;
      QRect mark;  // in the 100 x 80 box, Space 2
    } cases[] = {
        {TIconPosition::iipLeftTop, {0, 0, 16, 16}},
        {TIconPosition::iipLeftBottom, {0, 62, 16, 16}},
        {TIconPosition::iipRightTop, {82, 0, 16, 16}},
        {TIconPosition::iipRightBottom, {82, 62, 16, 16}},
        {TIconPosition::iipNone, {}},
    };
    for (const auto& c : cases) {
      TViewImage v = panel->ViewImage();
      v.SmallIcon = {c.pos, 2};
      panel->SetViewImage(v);
      graphics::TBitmap black(100, 80);
      panel->StoreThumbnail(panel->Item(0), black, 100, 80);
      const QImage cell = panel->PageImage().copy(pictureBox());
      int markPixels = 0, strayPixels = 0;
      for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
          if (cell.pixelColor(x, y) != QColor(Qt::black)) ++(c.mark.contains(x, y) ? markPixels : strayPixels);
      QCOMPARE(strayPixels, 0);
      QCOMPARE(markPixels > 0, !c.mark.isEmpty());
    }
  }

  void selectionOperationsDropTheRest() {
    auto consistent = [&] {
      const QList<int> s = selection();
      for (int i = 0; i < panel->Count(); ++i)
        if (panel->Item(i)->Selected != s.contains(i)) return false;
      return true;
    };
    panel->SelectItem(7, Qt::NoModifier, false);
    for (int i : {3, 20, 0, 15, 9}) panel->SelectItem(i, Qt::ControlModifier, false);
    QCOMPARE(selection(), (QList<int>{7, 3, 20, 0, 15, 9}));  // selection order
    panel->SelectItem(15, Qt::NoModifier, false);
    QCOMPARE(selection(), QList<int>{15});
    QVERIFY(consistent());
    panel->SelectAll();
    panel->SelectItem(4, Qt::ShiftModifier, false);  // from the anchor 15
    QCOMPARE(selection(), (QList<int>{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    QVERIFY(consistent());
    panel->SelectAll();
    panel->SelectOnly(9);
    QCOMPARE(selection(), QList<int>{9});
    QVERIFY(consistent());
    panel->SelectAll();
    panel->ClearSelection();
    QCOMPARE(selection(), QList<int>());
    QVERIFY(consistent());
  }

  void oddNamesDrawWithoutHarm() {
    QTemporaryDir odd;
    const QByteArray d = QFile::encodeName(odd.path());
    for (const char* n : {"bad\xff\xfe.jpg", "line\nbreak.jpg", "  blanks  ", "a very long name that will never fit in one caption line.jpg"}) {
      FILE* fp = fopen((d + "/" + n).constData(), "w");
      QVERIFY(fp);
      fclose(fp);
    }
    panel->SetFolder(odd.path());
    QCOMPARE(panel->Count(), 4);
    panel->repaint();
    for (int i = 0; i < 4; ++i) QVERIFY(panel->CaptionRect(i).width() <= panel->Metrics().OW);
    panel->SetFolder(dir.path());
    for (const char* n : {"bad\xff\xfe.jpg", "line\nbreak.jpg", "  blanks  ", "a very long name that will never fit in one caption line.jpg"})
      unlink((d + "/" + n).constData());
  }

  void emptyAndTinyPanels() {
    QTemporaryDir empty;
    panel->SetFolder(empty.path());
    QCOMPARE(panel->Count(), 0);
    QTest::keyClick(panel.get(), Qt::Key_Down);
    QTest::keyClick(panel.get(), Qt::Key_PageDown);
    panel->NextPage();
    QCOMPARE(panel->SelCount(), 0);
    panel->SetFolder(dir.path());
    panel->resize(50, 50);  // no whole cell
    QCoreApplication::processEvents();
    QCOMPARE(panel->Columns(), 0);
    QCOMPARE(panel->ItemAtPos(QPoint(10, 10)), -1);
    QTest::keyClick(panel.get(), Qt::Key_PageDown);
    panel->NextPage();
    panel->MakeVisible(20);
    QCOMPARE(panel->TopIndex(), 0);
  }

  void refreshKeepsPositionWithinTheList() {
    auto rename = [&](const QString& from, const QString& to) {
      for (int i = 12; i < 23; ++i) QVERIFY(QFile::rename(dir.path() + from.arg(i), dir.path() + to.arg(i)));
    };
    rename("/f%1.txt", "/.f%1.txt");
    panel->Refresh(true);
    QCOMPARE(panel->Count(), 23);  // hidden files are listed by default
    panel->LastPage();
    panel->DispTypes().SetHidden(false);  // lists again from the top
    QCOMPARE(panel->Count(), 12);
    QCOMPARE(panel->TopIndex(), 0);
    panel->DispTypes().SetHidden(true);
    rename("/.f%1.txt", "/f%1.txt");
    panel->Refresh(true);
    panel->SelectItem(22, Qt::NoModifier, false);
    QCOMPARE(panel->TopIndex(), 15);
    // A refresh without reset (a change notification) keeps the page within the list.
    rename("/f%1.txt", "/.f%1.txt");
    panel->DispTypes().OnChange = nullptr;
    panel->DispTypes().SetHidden(false);
    panel->Refresh(false);
    QCOMPARE(panel->Count(), 12);
    QCOMPARE(panel->TopIndex(), 10);  // lowered to count - 1, at the start of its row
    QCOMPARE(panel->CurrentIndex(), 11);
    QCOMPARE(panel->FocusIndex(), 11);
    rename("/.f%1.txt", "/f%1.txt");
  }

  void sortTypeAloneKeepsThePagePicture() {
    const QImage before = panel->PageImage().copy();
    const QString firstName = panel->Item(0)->GetDisplayName();
    panel->SetDescend(true);
    QCOMPARE(panel->Item(0)->GetDisplayName(), QString("f22.txt"));
    QVERIFY(firstName != panel->Item(0)->GetDisplayName());
    QCOMPARE(panel->PageImage(), before);
    panel->RefreshThumbnails();
    QVERIFY(panel->PageImage() != before);
  }
};

QTEST_MAIN(ImgPanelTest)
#include "imgpanel_qtest.moc"
