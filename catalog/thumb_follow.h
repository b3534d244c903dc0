#pragma once
// Thumbnails follow the pictures: after a rename, move or copy, the picture's cache entry is
// written again under its new path, into the cache file of the target folder, so the target
// shows the thumbnail without decoding the picture again. The entry is taken while the
// source is still there (so a stale one is never carried), and it stays valid at the target
// because a rename or move keeps the file's time and size, and so does our copy.
// A separate TThumb is used, configured like the catalogue's (its worker may be using that
// one); the cache files' own locks keep the two apart.
#include <QByteArray>
#include <QString>

#include "catalog/thumb_cache.h"

namespace catalog {

struct TCarriedThumb {
  bool Valid = false;
  TThumbEntryHeader Header;
  QByteArray Jpeg;
};

// `like` gives the cache folder and application name; fromCache is the cache FileName of the
// source's folder. Before the file operation.
TCarriedThumb TakeThumbnail(const TThumb& like, const QString& from, const QString& fromCache);

enum class TFollow { tfMove, tfCopy };
// After the operation succeeded: any entry of the target path goes (it belonged to another
// file), the carried one is stored under `to` in toCache, and with tfMove the source's entry
// is removed. False when nothing was carried or the cache could not be written.
bool PutThumbnail(const TThumb& like, const TCarriedThumb& carried, const QString& from, const QString& fromCache,
                  const QString& to, const QString& toCache, TFollow follow);

}  // namespace catalog
