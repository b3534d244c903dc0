#include "catalog/img_thread_file.h"

#include "catalog/shell_item.h"

namespace catalog {

QString ThumbFileVariant(qreal scale) {
  if (scale <= 1.0) return {};
  return QStringLiteral("@%1x").arg(scale, 0, 'g', 3);
}

TFileImage::TFileImage(TThumbnailSource* source) : TImgThreads(source->ThumbReceiver()), source_(source) {
  util_.Thumbnail = &thumb_;
  util_.AutoThumb = true;
  util_.GetType = TGetType::igtPreview;
}

TFileImage::~TFileImage() {
  TImgThreads::Stop();
  if (source_ && source_->ThumbLoader() == this) source_->ThumbSetLoader(nullptr, {});
}

void TFileImage::Attach() {
  // Drawing runs on the user-interface thread with its own utility; no worker reads it.
  source_->ThumbSetLoader(this, [this](const QString& path) { return util_.DetectType(path); });
}

bool TFileImage::StartNext() {
  const int id = TakeLast();
  TPanelItems& items = source_->ThumbItems();
  const int index = items.IndexOfId(id);
  if (index < 0) return false;
  TPanelItem* item = items.Item(index);
  // An entry drawn again while its job runs is queued again: one job is enough.
  if (item->Loaded || IsRunning(id)) return false;
  source_->ThumbImageLoad(item);
  // The entry list is read here, on the thread that owns it, never by the worker.
  const bool image = items.IsImage(index);
  const QSize box = source_->ThumbBox();
  // Only while no worker uses the cache object; the control stops the queue when it changes.
  if (Running() == 0) thumb_.Variant = ThumbFileVariant(source_->ThumbScale());
  std::shared_ptr<TSPluginHook> plugins = pluginsOf(StartingSlot());
  TImgJob job{util_.Settings(), &thumb_, plugins.get(), util_.Custom, thumbLock_, plugins};
  worker_ = std::make_unique<TImgThread>(source_->ThumbReceiver(), item->GetParseName(), id, box.width(),
                                         box.height(), std::move(job), !image);
  return true;
}

std::shared_ptr<TSPluginHook> TFileImage::pluginsOf(int slot) {
  if (slotPlugins_.size() <= size_t(slot)) slotPlugins_.resize(size_t(slot) + 1);
  auto& list = slotPlugins_[size_t(slot)];
  // Filled from the first list the first time, and again when that list changed.
  if (!list || list->List.PluginNames() != plugins_.List.PluginNames()) {
    list = std::make_shared<TSPluginHook>();
    list->List.Sandbox = plugins_.List.Sandbox;
    list->List.Log = plugins_.List.Log;
    for (int i = 0; i < plugins_.List.Count(); ++i) list->List.AddPlugin(plugins_.List.Item(i).Path);
  }
  return list;
}

void TFileImage::SlotAbandoned(int slot) {
  // The worker left behind keeps its list; the slot's next worker loads the plug-ins again.
  if (size_t(slot) < slotPlugins_.size()) slotPlugins_[size_t(slot)].reset();
}

void TFileImage::ForgetCached(const QStringList& paths) {
  try {
    thumb_.DeleteEntriesGrouped(paths);
  } catch (const EThumbError&) {
    // Not a cache file: nothing of ours to delete.
  }
}

}  // namespace catalog
