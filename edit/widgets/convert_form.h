#pragma once
// TConvertF: the settings for writing BMP, JPEG and PNG files. Conversion settings (the main
// window's command and a batch conversion's Cancel) or the editor's save options, which lack
// the grayscale box and the size page. It reads the settings file on creation and writes it
// only on OK; hidden controls keep what was read, so OK writes them back unchanged.
#include <QDialog>
#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace edit {

class TSpinEdit;

class TConvertF : public QDialog {
  Q_OBJECT
 public:
  enum TForm { cfConversionSettings, cfSaveOptions };
  TConvertF(QWidget* owner, TForm form = cfConversionSettings);

  QTabWidget* PageControl1 = nullptr;
  QWidget* tsPNG = nullptr;
  QWidget* tsJPEG = nullptr;
  QWidget* tsBMP = nullptr;
  QWidget* tsCommon1 = nullptr;
  QLabel* lblLevel = nullptr;
  QSlider* tbPNG = nullptr;
  QCheckBox* cbInterlace = nullptr;
  QCheckBox* cbPNG256 = nullptr;
  QLabel* lblPosition = nullptr;
  QSlider* tbJPEG = nullptr;
  QCheckBox* cbProgressive = nullptr;
  QCheckBox* cbGrayscale = nullptr;
  QCheckBox* cb256 = nullptr;
  QButtonGroup* rgSize = nullptr;
  std::array<QRadioButton*, 5> rgSizeItems{};
  TSpinEdit* seSize = nullptr;
  TSpinEdit* seWidth = nullptr;
  TSpinEdit* seHeight = nullptr;
  TSpinEdit* seSetSize = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

  int SizeIndex() const;  // the selected item of rgSize
  void SelectSize(int index);
  // The spin edit beside item 1..4 (null for 0).
  TSpinEdit* SizeEdit(int index) const;

  void btnOKClick();
  // Places the pointer on btnOK as the window shows (the snap-to-default mouse setting).
  bool SnapPointer = false;
  // The warning box (tests replace it).
  std::function<void(const QString& text)> WarningBox;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreatePages();
  void ReadSettings();
  void SpinEditEnter(TSpinEdit* edit);
};

}  // namespace edit
