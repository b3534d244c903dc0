// The options window's plug-in page lists the names of the catalogue's plug-in list.
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/widgets/set_option.h"
#include "decode/spi_plugin_list.h"

class SetOptionPluginsTest : public QObject {
  Q_OBJECT

 private slots:
  void pluginPageListsTheLoadedPlugins() {
    QTemporaryDir home;
    qputenv("QIVO2_HOME", home.path().toUtf8());
    decode::TSPlugin plugins;
    QVERIFY(plugins.LoadFromAppDir() >= 2);  // ifgif.spi and iftga.spi beside the executable
    app::TSetOption d(nullptr);
    d.SetPluginNameSource([&] { return plugins.PluginNames(); });
    d.PageControl1->setCurrentWidget(d.tsSPI);
    QStringList shown;
    for (int i = 0; i < d.ListBox1->count(); ++i) shown << d.ListBox1->item(i)->text();
    QCOMPARE(shown, plugins.PluginNames());
    QVERIFY(shown.contains("GIF plug-in for QIVO2"));
    QVERIFY(shown.contains("TGA plug-in for QIVO2"));
    qunsetenv("QIVO2_HOME");
  }
};

QTEST_MAIN(SetOptionPluginsTest)
#include "set_option_plugins_qtest.moc"
