#include "graphics/builtin_formats.h"

namespace graphics {

std::optional<TBuiltinFormat> BuiltinFormatOf(const QString& ext) {
  using enum TBuiltinFormat;
  struct Row {
    const char* ext;
    TBuiltinFormat format;
  };
  static constexpr Row kTable[] = {
      {"bmp", bfBmp},    {"jpg", bfJpeg},   {"jpeg", bfJpeg},          {"png", bfPng}, {"ico", bfIcon},
      {"cur", bfCursor}, {"ani", bfAnimatedCursor}, {"emf", bfEmf}, {"wmf", bfWmf},
  };
  const QString key = (ext.startsWith('.') ? ext.mid(1) : ext).toLower();
  for (const Row& r : kTable)
    if (key == QLatin1String(r.ext)) return r.format;
  return std::nullopt;
}

bool IsIconFormat(TBuiltinFormat format) {
  using enum TBuiltinFormat;
  return format == bfIcon || format == bfCursor || format == bfAnimatedCursor;
}

}  // namespace graphics
