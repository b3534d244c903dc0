#include "catalog/widgets/img_thread_file.h"

namespace catalog {

TFileImage::TFileImage(TImgPanel* panel) : TImgThreads(panel), panel_(panel) {
  util_.Thumbnail = &thumb_;
  util_.AutoThumb = true;
  util_.GetType = TGetType::igtPreview;
}

TFileImage::~TFileImage() {
  TImgThreads::Stop();
  if (panel_ && panel_->Loader() == this) panel_->SetLoader(nullptr);
}

void TFileImage::Attach() {
  panel_->SetLoader(this);
  // The type test only reads settings that change while no job runs.
  panel_->SetImageTypeTest([this](const QString& path) { return util_.DetectType(path); });
}

bool TFileImage::StartNext() {
  const int id = TakeLast();
  TPanelItems& items = panel_->Items();
  const int index = items.IndexOfId(id);
  if (index < 0) return false;
  TPanelItem* item = panel_->Item(index);
  if (item->Loaded) return false;
  if (panel_->OnImageLoad) panel_->OnImageLoad(panel_, item);
  // The entry list is read here, on the thread that owns it, never by the worker.
  const bool image = items.IsImage(index);
  const TViewImage& v = panel_->ViewImage();
  worker_ = std::make_unique<TImgThread>(panel_, item->GetParseName(), id, v.ImageWidth, v.ImageHeight, &util_,
                                         !image);
  return true;
}

void TFileImage::ForgetCached(const QStringList& paths) {
  try {
    thumb_.DeleteEntriesGrouped(paths);
  } catch (const EThumbError&) {
    // Not a cache file: nothing of ours to delete.
  }
}

}  // namespace catalog
