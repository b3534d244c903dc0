#pragma once
// Thumbnails follow the pictures: after a rename, move or copy, each picture's cache entry is
// written again under its new path, into the cache file of the target folder, so the target
// shows the thumbnail without decoding the picture again. Entries are taken while the sources
// are still there (a stale one is never carried), and stay valid at the target because a
// rename or move keeps the file's time and size, and so does our copy.
// A TThumb of its own is used, configured like the catalogue's (its worker may be using that
// one); the cache files' own locks keep the two apart. Each cache file is rewritten once per
// batch, not once per picture.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "catalog/thumb_cache.h"

namespace catalog {

struct TCarriedThumb {
  bool Valid = false;
  TThumbEntryHeader Header;
  QByteArray Jpeg;
};

enum class TFollow { tfMove, tfCopy };

class TThumbCarrier {
 public:
  // `like` gives the cache folder and application name.
  explicit TThumbCarrier(const TThumb& like);
  // Before the file operation: the entry of each source in fromCache (the cache FileName of
  // the sources' folder).
  std::vector<TCarriedThumb> Take(const QStringList& froms, const QString& fromCache);
  // After it, for the files that reached `tos[i]` (done[i]): entries left under the target
  // names belonged to other files and go, the carried ones are stored under the new names in
  // toCache, and with tfMove the sources' entries are removed. Returns how many were stored.
  int Put(const std::vector<TCarriedThumb>& carried, const QStringList& froms, const QString& fromCache,
          const QStringList& tos, const QString& toCache, const std::vector<bool>& done, TFollow follow);

 private:
  TThumb thumb_;
};

}  // namespace catalog
