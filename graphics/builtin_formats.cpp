#include "graphics/builtin_formats.h"

namespace graphics {

std::span<const TBuiltinExtension> BuiltinExtensions() {
  using enum TBuiltinFormat;
  static constexpr TBuiltinExtension kTable[] = {
      {"bmp", bfBmp},    {"jpg", bfJpeg},   {"jpeg", bfJpeg},          {"png", bfPng}, {"ico", bfIcon},
      {"cur", bfCursor}, {"ani", bfAnimatedCursor}, {"emf", bfEmf}, {"wmf", bfWmf},
  };
  return kTable;
}

std::optional<TBuiltinFormat> BuiltinFormatOf(const QString& ext) {
  const QString key = (ext.startsWith('.') ? ext.mid(1) : ext).toLower();
  for (const TBuiltinExtension& r : BuiltinExtensions())
    if (key == QLatin1String(r.Ext)) return r.Format;
  return std::nullopt;
}

bool IsIconFormat(TBuiltinFormat format) {
  using enum TBuiltinFormat;
  return format == bfIcon || format == bfCursor || format == bfAnimatedCursor;
}

}  // namespace graphics
