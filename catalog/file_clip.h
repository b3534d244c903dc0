#pragma once
// Files on the clipboard and in drag and drop, as the Linux desktops exchange them: a
// text/uri-list of file: URLs (each name's own bytes percent-encoded), and for cut and copy
// also x-special/gnome-copied-files ("cut" or "copy", then the URLs) with KDE's
// application/x-kde-cutselection. Only local files are taken; other URLs are left out.
// Links made by a drop are symbolic links named as their target, never replacing a name.
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace catalog {

inline const QString kUriListMime = QStringLiteral("text/uri-list");
inline const QString kGnomeCopiedMime = QStringLiteral("x-special/gnome-copied-files");
inline const QString kKdeCutMime = QStringLiteral("application/x-kde-cutselection");

// The clipboard data of files copied (cut = false) or cut; also the data of a drag.
std::unique_ptr<QMimeData> FileListMimeData(const QStringList& paths, bool cut);
// Whether data offers files (the only test the verbs make before reading them).
bool OffersFiles(const QMimeData* data);
// Whether the files were cut rather than copied.
bool FilesWereCut(const QMimeData* data);

// TFileDataObject: the files of a drag or of the clipboard, read on first request.
class TFileDataObject {
 public:
  explicit TFileDataObject(const QMimeData* data) : data_(data) {}
  const QMimeData* DataObject() const { return data_; }
  const QStringList& Files();
  int FileCount() { return int(Files().size()); }

 private:
  const QMimeData* data_;
  std::optional<QStringList> files_;
};

// Copy, move or link into a folder: what a paste or a drop asks of its host.
enum class TTransfer { ttCopy, ttMove, ttLink };

// Symbolic links in `folder` to each source, named as the source; a taken name is left
// alone. Returns the sources that could not be linked.
QStringList MakeLinks(const QStringList& sources, const QString& folder);

}  // namespace catalog
