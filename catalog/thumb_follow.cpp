#include "catalog/thumb_follow.h"

namespace catalog {

namespace {
void ConfigureLike(TThumb& thumb, const TThumb& like, const QString& cache) {
  thumb.Path = like.Path;
  thumb.PathType = like.PathType;
  thumb.SetAppName(QString::fromUtf8(like.AppName()));
  thumb.FileName = cache;
}
}  // namespace

TCarriedThumb TakeThumbnail(const TThumb& like, const QString& from, const QString& fromCache) {
  TCarriedThumb out;
  TThumb thumb;
  ConfigureLike(thumb, like, fromCache);
  try {
    out.Valid = thumb.Read(from, out.Jpeg);
    if (out.Valid) out.Header = thumb.Header();
  } catch (const EThumbError&) {
    out.Valid = false;  // a file there that is not a cache file is left alone
  }
  return out;
}

bool PutThumbnail(const TThumb& like, const TCarriedThumb& carried, const QString& from, const QString& fromCache,
                  const QString& to, const QString& toCache, TFollow follow) {
  TThumb thumb;
  ConfigureLike(thumb, like, toCache);
  try {
    thumb.DeleteEntry(to);
    bool stored = false;
    if (carried.Valid) {
      thumb.Header() = carried.Header;
      stored = thumb.Add(to, carried.Jpeg);
    }
    if (follow == TFollow::tfMove) {
      thumb.FileName = fromCache;
      thumb.DeleteEntry(from);
    }
    return stored;
  } catch (const EThumbError&) {
    return false;
  }
}

}  // namespace catalog
