#include "catalog/file_clip.h"

#include <QList>
#include <QUrl>
#include <unistd.h>

#include "platform/path_bytes.h"

namespace catalog {

std::unique_ptr<QMimeData> FileListMimeData(const QStringList& paths, bool cut) {
  auto data = std::make_unique<QMimeData>();
  QByteArray uris, gnome = cut ? "cut" : "copy";
  for (const QString& p : paths) {
    const QByteArray url = platform::FileUrl(p).toEncoded();
    uris += url + "\r\n";
    gnome += "\n" + url;
  }
  data->setData(kUriListMime, uris);
  data->setData(kGnomeCopiedMime, gnome);
  data->setData(kKdeCutMime, cut ? "1" : "0");
  return data;
}

namespace {
QList<QByteArray> UriLines(const QMimeData* data) {
  QList<QByteArray> out;
  if (data->hasFormat(kUriListMime)) {
    for (QByteArray line : data->data(kUriListMime).split('\n')) {
      line = line.trimmed();
      if (!line.isEmpty() && !line.startsWith('#')) out << line;
    }
  } else if (data->hasFormat(kGnomeCopiedMime)) {
    QList<QByteArray> lines = data->data(kGnomeCopiedMime).split('\n');
    if (!lines.isEmpty()) lines.removeFirst();
    for (const QByteArray& line : lines)
      if (!line.trimmed().isEmpty()) out << line.trimmed();
  }
  return out;
}
}  // namespace

bool OffersFiles(const QMimeData* data) {
  if (!data) return false;
  for (const QByteArray& line : UriLines(data))
    if (!platform::PathOfFileUrl(QUrl::fromEncoded(line)).isEmpty()) return true;
  return false;
}

bool FilesWereCut(const QMimeData* data) {
  if (!data) return false;
  if (data->hasFormat(kGnomeCopiedMime)) return data->data(kGnomeCopiedMime).split('\n').value(0).trimmed() == "cut";
  return data->data(kKdeCutMime).trimmed() == "1";
}

const QStringList& TFileDataObject::Files() {
  if (!files_) {
    files_.emplace();
    if (data_)
      for (const QByteArray& line : UriLines(data_)) {
        const QString path = platform::PathOfFileUrl(QUrl::fromEncoded(line));
        if (!path.isEmpty()) files_->append(path);
      }
  }
  return *files_;
}

QStringList MakeLinks(const QStringList& sources, const QString& folder) {
  QStringList failed;
  QString base = folder;
  if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  for (const QString& s : sources) {
    const QString target = base + s.mid(s.lastIndexOf(QLatin1Char('/')) + 1);
    // symlink never replaces: a taken name fails with EEXIST.
    if (::symlink(platform::PathBytes(s).constData(), platform::PathBytes(target).constData()) != 0) failed << s;
  }
  return failed;
}

}  // namespace catalog
