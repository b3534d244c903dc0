#pragma once
// The options window: general settings on several pages, loaded from the settings file
// when created and written back key by key on OK. Cancel writes nothing.
#include <QColor>
#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace platform {
class TColorPanel;
class TRadioGroup;
class TSpinEdit;
}  // namespace platform

namespace app {

class TCVMain;
using platform::TColorPanel;
using platform::TRadioGroup;
using platform::TSpinEdit;

class TSetOption : public QDialog {
  Q_OBJECT
 public:
  // `main` may be null (then PathCheck comes from the settings file and nothing else of the
  // main window is touched).
  explicit TSetOption(TCVMain* main, QWidget* parent = nullptr);

  // Names of the loaded plug-ins for the plug-in page, asked once when the page is first
  // shown with an empty list.
  void SetPluginNameSource(std::function<QStringList()> source) { pluginNames_ = std::move(source); }

  // Shows only `page` (the external-program and slide-show commands open the window so).
  void ShowOnlyPage(QWidget* page);

  // Dialogs the window opens; replaceable so that tests need no user.
  std::function<QColor(const QColor& initial, QWidget* parent)> ChooseColor;
  std::function<QString(const QString& startDir, QWidget* parent)> ChooseProgram;
  std::function<void(const QString& text, QWidget* parent)> ShowWarning;

  // Size of the sample frame for the thumbnail size choices 0..3.
  static QSize SampleFrameSize(int item);

  QTabWidget* PageControl1;
  QWidget* tsMain;
  QWidget* tsView;
  QWidget* tsCatalog1;
  QWidget* tsCatalog2;
  QWidget* tsFilter;
  QWidget* tsSlide;
  QWidget* tsSPI;
  QWidget* tsOtherSoft;

  QCheckBox* cbFolder;
  QCheckBox* cbHistory;
  TRadioGroup* rgDblClick;
  QCheckBox* cbAdjustSize;
  QCheckBox* cbFullShowName;
  QCheckBox* cbAutoRotate;
  QCheckBox* cbFullScreenMode;
  TRadioGroup* rgCatalogSize;
  QFrame* plCatDummy;
  TColorPanel* plCatSize;
  TColorPanel* plCatalogColor;
  QPushButton* btnCatalogColor;
  QLabel* lblCat1;
  QCheckBox* cbCatalogCache;
  QLineEdit* editCachePath;
  QLabel* Label1;
  QPushButton* btnCatalogFont;
  QCheckBox* cbCatLkAhead;
  TRadioGroup* rgFilter;
  QLineEdit* editFilter1;
  QLineEdit* editFilter2;
  TSpinEdit* seSlideTime;
  QCheckBox* cbSlideShowName;
  QCheckBox* cbSlideLoop;
  QCheckBox* cbSlideMode;
  QListWidget* ListBox1;
  QLineEdit* editSoftPath1;
  QLineEdit* editSoftPath2;
  QLineEdit* editSoftPath3;
  QPushButton* btnPath1;
  QPushButton* btnPath2;
  QPushButton* btnPath3;
  QPushButton* btnOK;
  QPushButton* btnCancel;
  QPushButton* btnHelp;

  // Event handlers, public so that commands and tests can run them.
  void rgCatalogSizeClick();
  void plCatalogColorClick();
  void btnCatalogColorClick();
  void cbCatalogCacheClick();
  void seSlideTimeKeyUp();  // Enter released in the interval field
  void tsSPIShow();
  void btnPathClick(int n);
  void btnOKClick();
  void btnHelpClick();

  static const QString kLimitMessage;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMainPage();
  void BuildViewPage();
  void BuildCatalog1Page();
  void BuildCatalog2Page();
  void BuildFilterPage();
  void BuildSlidePage();
  void BuildPluginPage();
  void BuildOtherSoftPage();
  void FormCreate();
  void SetCatalogColor(int value);
  int SlideInterval() const;
  QLineEdit* SoftPath(int n) const;

  TCVMain* main_;
  int catalogColor_;  // the sample's colour as a stored colour value
  std::function<QStringList()> pluginNames_;
};

}  // namespace app
