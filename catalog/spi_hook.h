#pragma once
// The catalogue's own Susie plug-in list (decode::TSPlugin) as TImgUtil's plug-in hook,
// which makes plug-in formats the iitSusie kind. Fill it once with List.LoadFromAppDir().
#include "catalog/img_util.h"
#include "decode/spi_plugin_list.h"

namespace catalog {

class TSPluginHook : public TImgPlugins {
 public:
  decode::TSPlugin List;

  int IndexOfSupporting(const QString& path) const override { return List.IndexOfSupporting(path); }
  int GetBitmap(const QString& path, graphics::TBitmap& bitmap) override { return List.GetBitmap(path, bitmap); }
};

}  // namespace catalog
