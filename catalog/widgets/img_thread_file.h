#pragma once
// The catalogue's thumbnail loader: the job queue bound to one TImgPanel, with the image
// utility and cache file the workers use. Install with Attach(panel); the panel then
// queues jobs as it draws and hands each completion back through JobDone.
#include <QImage>

#include "catalog/img_thread.h"
#include "catalog/img_util.h"
#include "catalog/thumb_cache.h"
#include "catalog/widgets/imgpanel.h"

namespace catalog {

class TFileImage : public TImgThreads, public TThumbnailLoader {
 public:
  explicit TFileImage(TImgPanel* panel);
  ~TFileImage() override;

  // Becomes the panel's loader and picture-kind test.
  void Attach();

  // The utility the workers use (settings: AutoThumb, Quality, Performance, GetType...).
  // Change settings only while no job runs.
  TImgUtil& ImgUtil() { return util_; }
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
  TImgPanel* panel_;
  TImgUtil util_;
  TThumb thumb_;
};

}  // namespace catalog
