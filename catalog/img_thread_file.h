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
// With several threads each slot gets a plug-in list of its own (the same plug-ins as
// Plugins(), loaded again) and the workers take turns on Thumbnail() under one lock, so
// one object appends to the cache file.
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
  // The workers' own plug-in list (fill it with List.LoadFromAppDir()).
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

 private:
  TThumbnailSource* source_;
  TImgUtil util_;
  // The list of a slot's worker; slot 0 uses plugins_.
  TSPluginHook* pluginsOf(int slot);
  TSPluginHook plugins_;
  std::vector<std::unique_ptr<TSPluginHook>> slotPlugins_;
  TThumb thumb_;
  std::mutex thumbLock_;
};

}  // namespace catalog
