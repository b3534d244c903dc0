#pragma once
// The properties of one file, our own dialog in place of the desktop's property sheet: name,
// folder, size, dates, permissions and the picture's size.
#include <QDialog>
#include <QSize>

class QFormLayout;

namespace files {

struct TFileProperties {
  QString Name, Folder, Size, Modified, Accessed, Changed, Permissions, PictureSize;
};
// Read from the file itself; `pictureSize` when the caller knows it (else the header is read
// for the formats Qt knows). Fields stay empty where nothing can be read.
TFileProperties ReadFileProperties(const QString& path, QSize pictureSize = {});

class TPropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  TPropertiesDialog(const TFileProperties& p, QWidget* parent = nullptr);
};

}  // namespace files
