#pragma once
// The two sides of thumbnail loading. The catalogue control is the entry source; the loader
// (TFileImage) queues its jobs. See catalog/widgets/imgpanel.h for when each call is made.
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

#include "catalog/image_type.h"

class QObject;

namespace catalog {

class TPanelItem;
class TPanelItems;

// The loader's side of the hand-over.
class TThumbnailLoader {
 public:
  virtual ~TThumbnailLoader() = default;
  virtual void AddAndStart(int id, bool toEnd) = 0;
  virtual void AddBatch(int id, bool toEnd) = 0;
  virtual void ClearQueue() = 0;
  virtual void Stop() = 0;
  virtual void Restart() = 0;
  virtual void JobDone() = 0;
  // RefreshThumbnails: drop the cache entries of these files (after Stop).
  virtual void ForgetCached(const QStringList& paths) { (void)paths; }
};

using TImageTypeTest = std::function<TImageType(const QString&)>;

// What the loader needs of the control, all on the user-interface thread.
class TThumbnailSource {
 public:
  virtual ~TThumbnailSource() = default;
  // Where the workers post their TThumbDoneEvent.
  virtual QObject* ThumbReceiver() = 0;
  // Entries by Id, IsImage; the list is rebuilt only after the loader's Stop.
  virtual TPanelItems& ThumbItems() = 0;
  // The thumbnail box in device pixels (the view settings' ImageWidth x ImageHeight times
  // ThumbScale()).
  virtual QSize ThumbBox() const = 0;
  // The screen's pixel ratio the thumbnails are made for.
  virtual qreal ThumbScale() const { return 1; }
  // Raises the control's OnImageLoad for the entry about to be loaded.
  virtual void ThumbImageLoad(TPanelItem* item) = 0;
  // Installs (or, with nullptr and no test, removes) the loader and the picture-kind test.
  virtual void ThumbSetLoader(TThumbnailLoader* loader, TImageTypeTest typeTest) = 0;
  virtual TThumbnailLoader* ThumbLoader() const = 0;
};

}  // namespace catalog
