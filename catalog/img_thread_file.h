#pragma once
// The catalogue's thumbnail loader: the job queue bound to one entry source (the catalogue
// control), with the settings, plug-in list and cache file its workers use. Install with
// Attach(); the source then queues jobs as it draws and hands each completion back
// through JobDone.
//
// Threads share nothing mutable. ImgUtil() is the user-interface thread's utility: the
// settings and the picture-kind test used for drawing (with the user-interface thread's
// plug-in list, set by the owner). Each job copies its settings when it is made and the
// worker decodes with a utility of its own through Plugins(), a list no other thread
// calls; Thumbnail() is the workers' while a job runs and may be touched only after Stop.
// Each slot's worker decodes with a plug-in list of its own (the same plug-ins as Plugins(),
// loaded again), made anew when a worker is left behind inside one; the workers take turns
// on Thumbnail() under one lock, so one object appends to the cache file.
#include <memory>
#include <mutex>
#include <vector>

#include "catalog/img_thread.h"
#include "catalog/img_util.h"
#include "catalog/spi_hook.h"
#include "catalog/thumb_cache.h"
#include "catalog/thumbnail_source.h"

namespace catalog {

// The cache file name's variant for thumbnails made at a screen pixel ratio ("" at 1, "@2x").
QString ThumbFileVariant(qreal scale);

class TFileImage : public TImgThreads, public TThumbnailLoader {
 public:
  explicit TFileImage(TThumbnailSource* source);
  ~TFileImage() override;

  // Becomes the source's loader and picture-kind test.
  void Attach();

  TImgUtil& ImgUtil() { return util_; }
  // The plug-ins the workers decode with (fill it with List.LoadFromAppDir()); each slot
  // loads its own copy of this list.
  TSPluginHook& Plugins() { return plugins_; }
  TThumb& Thumbnail() { return thumb_; }

  // TThumbnailLoader
  void AddAndStart(int id, bool toEnd) override { TImgThreads::AddAndStart(id, toEnd); }
  void AddBatch(int id, bool toEnd) override { TImgThreads::AddBatch(id, toEnd); }
  void ClearQueue() override { TImgThreads::ClearQueue(); }
  void Stop() override { TImgThreads::Stop(); }
  void Restart() override { TImgThreads::Restart(); }
  void JobDone() override { TImgThreads::JobDone(); }
  void ForgetCached(const QStringList& paths) override;

 protected:
  bool StartNext() override;
  void SlotAbandoned(int slot) override;

 private:
  TThumbnailSource* source_;
  TImgUtil util_;
  // The list of a slot's worker: a copy of plugins_.
  std::shared_ptr<TSPluginHook> pluginsOf(int slot);
  TSPluginHook plugins_;
  std::vector<std::shared_ptr<TSPluginHook>> slotPlugins_;
  TThumb thumb_;
  std::shared_ptr<std::mutex> thumbLock_ = std::make_shared<std::mutex>();
};

}  // namespace catalog
