#pragma once
// The completion event of a background thumbnail job, posted to the catalogue control
// (TImgPanel) with QCoreApplication::postEvent. The entry Id is the staleness key: Ids are
// never reused while the entry list lives, so an event for an entry that a refresh has
// dropped finds no entry and changes nothing.
#include <QEvent>

#include "graphics/bitmap.h"

namespace catalog {

class TThumbDoneEvent : public QEvent {
 public:
  static QEvent::Type EventType() {
    static const QEvent::Type t = QEvent::Type(QEvent::registerEventType(QEvent::User + 1));
    return t;
  }
  TThumbDoneEvent(int id, int result) : QEvent(EventType()), Id(id), Result(result) {}

  int Id;
  int Result;  // 0 success; anything else: the entry is drawn with its icon
  // The finished thumbnail, handed over by the worker (moved in before posting, so no
  // picture is shared between threads), and the source picture's size.
  graphics::TBitmap Picture;
  int SourceWidth = 0, SourceHeight = 0;
  // The thumbnail is in the cache file (read from it or written), so it is cheap to get again.
  bool Cached = false;
};

}  // namespace catalog
