#include "catalog/thumb_follow.h"

#include <QSet>

namespace catalog {

TThumbCarrier::TThumbCarrier(const TThumb& like) {
  thumb_.Path = like.Path;
  thumb_.PathType = like.PathType;
  thumb_.SetAppName(QString::fromUtf8(like.AppName()));
}

std::vector<TCarriedThumb> TThumbCarrier::Take(const QStringList& froms, const QString& fromCache) {
  std::vector<TCarriedThumb> out(size_t(froms.size()));
  thumb_.FileName = fromCache;
  try {
    for (int i = 0; i < froms.size(); ++i) {
      TCarriedThumb& c = out[size_t(i)];
      c.Valid = thumb_.Read(froms[i], c.Jpeg);
      if (c.Valid) c.Header = thumb_.Header();
    }
  } catch (const EThumbError&) {
    // A file there that is not a cache file: nothing is carried and it is left alone.
  }
  return out;
}

int TThumbCarrier::Put(const std::vector<TCarriedThumb>& carried, const QStringList& froms, const QString& fromCache,
                       const QStringList& tos, const QString& toCache, const std::vector<bool>& done, TFollow follow) {
  QStringList goneTo, goneFrom;
  for (int i = 0; i < tos.size(); ++i) {
    if (!done[size_t(i)]) continue;
    goneTo << tos[i];
    if (follow == TFollow::tfMove) goneFrom << froms[i];
  }
  if (goneTo.isEmpty()) return 0;
  int stored = 0;
  try {
    // One rewrite per cache file, before any new entry: a source's name may be another
    // file's new name (swaps), and its new entry must stay.
    if (fromCache == toCache) {
      QSet<QString> both(goneTo.begin(), goneTo.end());
      for (const QString& f : goneFrom) both.insert(f);
      thumb_.FileName = toCache;
      thumb_.DeleteEntries(QStringList(both.begin(), both.end()));
    } else {
      thumb_.FileName = toCache;
      thumb_.DeleteEntries(goneTo);
      if (!goneFrom.isEmpty()) {
        thumb_.FileName = fromCache;
        thumb_.DeleteEntries(goneFrom);
      }
    }
    thumb_.FileName = toCache;
    for (int i = 0; i < tos.size(); ++i) {
      if (!done[size_t(i)] || !carried[size_t(i)].Valid) continue;
      thumb_.Header() = carried[size_t(i)].Header;
      if (thumb_.Add(tos[i], carried[size_t(i)].Jpeg)) ++stored;
    }
  } catch (const EThumbError&) {
  }
  return stored;
}

}  // namespace catalog
