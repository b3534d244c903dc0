#pragma once
// The file list control of the media and cache windows: the files of one folder that match a
// mask, each item holding its full path, drawn with its small icon and the text its options
// ask for.
#include <QListWidget>
#include <QString>
#include <functional>

namespace extras {

class TCustomShellListBox : public QListWidget {
  Q_OBJECT
 public:
  static constexpr int kItemHeight = 17;
  static constexpr int kPathRole = Qt::UserRole;

  explicit TCustomShellListBox(QWidget* parent = nullptr);

  const QString& Directory() const { return directory_; }
  void SetDirectory(const QString& text);  // adds the trailing "/" and refills
  const QString& Mask() const { return mask_; }
  void SetMask(const QString& mask);  // refills
  bool ShowExtention() const { return showExtention_; }
  void SetShowExtention(bool v);
  bool ShowFullPath() const { return showFullPath_; }
  void SetShowFullPath(bool v);
  bool ShowIcon() const { return showIcon_; }
  void SetShowIcon(bool v);
  // The icon query's use-file-attributes flag: icons here never read the file, so it only
  // keeps its value.
  bool UseFileAttributes = false;

  // The full path of the item last clicked or made current.
  const QString& FileName() const { return fileName_; }
  QString PathOf(const QListWidgetItem* item) const;
  QStringList SelectedPaths() const;

  // Lists only the paths it accepts (every path when unset).
  std::function<bool(const QString& path)> Accept;

  // Suspends refills while a caller changes several properties (creation, deleting).
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

  void Refill();

 private:
  void Retext();
  QString directory_, mask_, fileName_;
  bool showExtention_ = true, showFullPath_ = false, showIcon_ = true;
  int updating_ = 0;
  bool refillPending_ = false;
};

// The published form; the list is always sorted.
class TShellListBox : public TCustomShellListBox {
  Q_OBJECT
 public:
  using TCustomShellListBox::TCustomShellListBox;
};

}  // namespace extras
