#include "files/widgets/properties_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <sys/stat.h>

#include "platform/path_bytes.h"
#include "platform/regular_file.h"

namespace files {

namespace {
QString TimeText(const struct timespec& t) {
  return QDateTime::fromSecsSinceEpoch(t.tv_sec).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString ModeText(mode_t m) {
  static const char kinds[] = "rwxrwxrwx";
  QString s = S_ISDIR(m) ? QStringLiteral("d") : S_ISLNK(m) ? QStringLiteral("l") : QStringLiteral("-");
  for (int i = 0; i < 9; ++i) s += (m & (0400 >> i)) ? QLatin1Char(kinds[i]) : QLatin1Char('-');
  return s + QStringLiteral(" (%1)").arg(m & 07777, 4, 8, QLatin1Char('0'));
}
}  // namespace

TFileProperties ReadFileProperties(const QString& path, QSize pictureSize) {
  TFileProperties p;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  p.Name = platform::DisplayName(path.mid(slash + 1));
  p.Folder = platform::DisplayName(slash <= 0 ? QStringLiteral("/") : path.left(slash));
  struct stat st {};
  if (::stat(platform::PathBytes(path).constData(), &st) == 0) {
    p.Size = QLocale().toString(qlonglong(st.st_size)) + QStringLiteral(" バイト");
    p.Modified = TimeText(st.st_mtim);
    p.Accessed = TimeText(st.st_atim);
    p.Changed = TimeText(st.st_ctim);
    p.Permissions = ModeText(st.st_mode);
  }
  if (!pictureSize.isValid()) {
    // Only a regular file is opened; its descriptor is read through its own name.
    platform::RegularFile f = platform::RegularFile::Open(path);
    if (f) pictureSize = QImageReader(QString::fromLocal8Bit(f.FdPath())).size();
  }
  if (pictureSize.isValid() && !pictureSize.isEmpty())
    p.PictureSize = QStringLiteral("%1 × %2").arg(pictureSize.width()).arg(pictureSize.height());
  return p;
}

TPropertiesDialog::TPropertiesDialog(const TFileProperties& p, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PropertiesDialog"));
  setWindowTitle(p.Name + QStringLiteral("のプロパティ"));
  auto* form = new QFormLayout(this);
  const std::pair<const char*, QString> rows[] = {
      {"名前：", p.Name},           {"場所：", p.Folder},           {"サイズ：", p.Size},
      {"画像サイズ：", p.PictureSize}, {"更新日時：", p.Modified},    {"アクセス日時：", p.Accessed},
      {"変更日時：", p.Changed},     {"アクセス権：", p.Permissions},
  };
  for (const auto& [label, value] : rows) {
    auto* v = new QLabel(value.isEmpty() ? QStringLiteral("-") : value, this);
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString::fromUtf8(label), v);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  form->addRow(buttons);
}

}  // namespace files
