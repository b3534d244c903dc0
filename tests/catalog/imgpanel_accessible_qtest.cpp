// The catalogue as assistive technology sees it.
#include <QAccessible>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "catalog/widgets/imgpanel.h"

using catalog::TImgPanel;

class ImgPanelAccessibleTest : public QObject {
  Q_OBJECT
 private slots:
  void entriesAreNamedItemsThatFollowTheSelection() {
    QTemporaryDir dir;
    for (const char* n : {"a.txt", "b b.txt", "c.txt"}) {
      QFile f(dir.path() + "/" + n);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    TImgPanel panel;
    panel.resize(400, 300);
    panel.SetFolder(dir.path());
    int opened = 0;
    panel.OnDblClick = [&](TImgPanel*) { ++opened; };
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&panel);
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), 3);
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i) {
      QAccessibleInterface* item = list->child(i);
      QCOMPARE(item->role(), QAccessible::ListItem);
      names << item->text(QAccessible::Name);
      QVERIFY(!item->state().selected);
    }
    QCOMPARE(names, QStringList({"a.txt", "b b.txt", "c.txt"}));

    panel.SelectOnly(1);
    QVERIFY(list->child(1)->state().selected);
    QVERIFY(!list->child(0)->state().selected);
    QCOMPARE(list->indexOfChild(list->child(2)), 2);

    // The default action selects and opens, as a double click does.
    QAccessibleActionInterface* action = list->child(2)->actionInterface();
    QVERIFY(action);
    action->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(opened, 1);
    QCOMPARE(panel.CurrentIndex(), 2);
    QVERIFY(list->child(2)->state().selected);
  }
};

QTEST_MAIN(ImgPanelAccessibleTest)
#include "imgpanel_accessible_qtest.moc"
